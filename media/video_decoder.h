// Video frames through FFmpeg: the first video stream of a file read through a range stream (never
// loaded whole), decoded on demand up to the frame due at a given time and converted by swscale to
// 32-bit pixels in memory order blue, green, red, unused (the layout of the player's 32-bit
// surfaces).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/range_stream.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace kuzo::media {

class FfmpegInput;

class VideoDecoder {
 public:
  // Raises KuzoError with kBadSoundDataMessage's sibling "ムービーデータが不正です" when the stream
  // holds no decodable video. Frames larger than 4096 × 4096 are refused the same way.
  VideoDecoder(std::unique_ptr<TRangeStream> stream, std::string name);
  ~VideoDecoder();
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // From the container; 0 when it does not say.
  int64_t DurationMs() const { return durationMs_; }

  // Makes the frame due at `ms` current (decoding forward, or seeking back first); true when the
  // picture changed.
  bool ShowAt(int64_t ms);
  // Width × Height pixels of the current frame (black before the first).
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  int64_t FrameTimeMs() const { return frameMs_; }

  static constexpr int kMaxSide = 4096;
  // Packets read without a picture before the stream counts as ended.
  static constexpr int kMaxIdlePackets = 4096;

 private:
  // Decodes the next frame into `next_`; false at the end.
  bool DecodeNext();
  void Convert(AVFrame* frame);
  int64_t FrameMs(const AVFrame* frame) const;
  void Close();

  std::unique_ptr<TRangeStream> stream_;
  std::string name_;
  std::unique_ptr<FfmpegInput> input_;  // the container over stream_
  AVCodecContext* codec_ = nullptr;
  SwsContext* scaler_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVFrame* next_ = nullptr;  // decoded ahead, not yet shown
  bool haveNext_ = false;
  AVPacket* packet_ = nullptr;
  int width_ = 0, height_ = 0;
  int64_t durationMs_ = 0;
  int64_t frameMs_ = -1;  // time of the shown frame; −1 before the first
  bool finished_ = false;
  bool draining_ = false;
  std::vector<uint32_t> pixels_;
};

extern const char* const kBadMovieDataMessage;

}  // namespace kuzo::media
