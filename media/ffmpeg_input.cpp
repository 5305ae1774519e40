// FfmpegInput: the I/O callbacks read the range stream, which serialises its own access, so inputs
// on different threads share nothing.
#include "media/ffmpeg_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "core/errors.h"

namespace kuzo::media {

int FfmpegInput::ReadCallback(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<FfmpegInput*>(opaque);
  const int64_t got = self->stream_.Read(buffer, size);
  return got > 0 ? static_cast<int>(got) : AVERROR_EOF;
}

int64_t FfmpegInput::SeekCallback(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<FfmpegInput*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return self->stream_.Size();
    case SEEK_SET:
      return self->stream_.Seek(offset, TRangeStream::Origin::kBegin);
    case SEEK_CUR:
      return self->stream_.Seek(offset, TRangeStream::Origin::kCurrent);
    case SEEK_END:
      return self->stream_.Seek(offset, TRangeStream::Origin::kEnd);
    default:
      return -1;
  }
}

FfmpegInput::FfmpegInput(TRangeStream& stream, const std::string& name, int mediaType, const char* badDataMessage,
                         const FfmpegInputOptions& options)
    : stream_(stream) {
  try {
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(options.ioBufferSize));
    if (!ioBuffer) throw KuzoError(badDataMessage);
    io_ = avio_alloc_context(ioBuffer, options.ioBufferSize, 0, this, &ReadCallback, nullptr, &SeekCallback);
    if (!io_) {
      av_free(ioBuffer);
      throw KuzoError(badDataMessage);
    }
    container_ = avformat_alloc_context();
    if (!container_) throw KuzoError(badDataMessage);
    container_->pb = io_;
    container_->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (options.probeBytes > 0) container_->probesize = options.probeBytes;
    if (options.maxAnalyzeMicroseconds > 0) container_->max_analyze_duration = options.maxAnalyzeMicroseconds;
    if (avformat_open_input(&container_, name.c_str(), nullptr, nullptr) < 0) {
      container_ = nullptr;  // freed by FFmpeg on failure
      throw KuzoError(badDataMessage);
    }
    if (avformat_find_stream_info(container_, nullptr) < 0) throw KuzoError(badDataMessage);
    streamIndex_ = av_find_best_stream(container_, static_cast<AVMediaType>(mediaType), -1, -1, &decoder_, 0);
    if (streamIndex_ < 0 || !decoder_) throw KuzoError(badDataMessage);
    // Container bookkeeping for the other streams is not needed.
    for (unsigned i = 0; i < container_->nb_streams; ++i)
      if (static_cast<int>(i) != streamIndex_) container_->streams[i]->discard = AVDISCARD_ALL;
  } catch (...) {
    Close();
    throw;
  }
}

FfmpegInput::~FfmpegInput() { Close(); }

AVStream* FfmpegInput::Stream() const { return container_->streams[streamIndex_]; }

void FfmpegInput::Close() {
  if (container_) avformat_close_input(&container_);
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

}  // namespace kuzo::media
