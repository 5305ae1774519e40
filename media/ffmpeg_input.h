// A container opened by FFmpeg over a range stream through a custom I/O context (a file is never
// copied into memory whole), with its best stream of one kind chosen and every other stream
// discarded. The audio and the video decoder both start from one.
#pragma once

#include <cstdint>
#include <string>

#include "data/range_stream.h"

struct AVCodec;
struct AVFormatContext;
struct AVIOContext;
struct AVStream;

namespace kuzo::media {

struct FfmpegInputOptions {
  int ioBufferSize = 32768;
  int64_t probeBytes = 0;              // how much probing may read; 0 keeps FFmpeg's default
  int64_t maxAnalyzeMicroseconds = 0;  // how much stream analysis may decode; 0 keeps FFmpeg's default
};

class FfmpegInput {
 public:
  // Opens `stream` (named `name` for FFmpeg) and chooses its best stream of `mediaType` (an
  // AVMediaType). Raises KuzoError(badDataMessage) when the bytes are no container FFmpeg knows or
  // hold no such stream with a decoder. `stream` must outlive this object.
  FfmpegInput(TRangeStream& stream, const std::string& name, int mediaType, const char* badDataMessage,
              const FfmpegInputOptions& options);
  ~FfmpegInput();
  FfmpegInput(const FfmpegInput&) = delete;
  FfmpegInput& operator=(const FfmpegInput&) = delete;

  AVFormatContext* Container() const { return container_; }
  int StreamIndex() const { return streamIndex_; }
  AVStream* Stream() const;
  const AVCodec* Decoder() const { return decoder_; }

 private:
  static int ReadCallback(void* opaque, uint8_t* buffer, int size);
  static int64_t SeekCallback(void* opaque, int64_t offset, int whence);
  void Close();

  TRangeStream& stream_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* container_ = nullptr;
  int streamIndex_ = -1;
  const AVCodec* decoder_ = nullptr;
};

}  // namespace kuzo::media
