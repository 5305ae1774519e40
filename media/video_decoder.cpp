// FFmpeg video decoding and pixel conversion behind VideoDecoder.
#include "media/video_decoder.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "core/errors.h"

namespace kuzo::media {

const char* const kBadMovieDataMessage = "ムービーデータが不正です";

namespace {
constexpr int kIoBufferSize = 65536;
}

int VideoDecoder::ReadCallback(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<VideoDecoder*>(opaque);
  const int64_t got = self->stream_->Read(buffer, size);
  return got > 0 ? static_cast<int>(got) : AVERROR_EOF;
}

int64_t VideoDecoder::SeekCallback(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<VideoDecoder*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return self->stream_->Size();
    case SEEK_SET:
      return self->stream_->Seek(offset, TRangeStream::Origin::kBegin);
    case SEEK_CUR:
      return self->stream_->Seek(offset, TRangeStream::Origin::kCurrent);
    case SEEK_END:
      return self->stream_->Seek(offset, TRangeStream::Origin::kEnd);
    default:
      return -1;
  }
}

VideoDecoder::VideoDecoder(std::unique_ptr<TRangeStream> stream, std::string name)
    : stream_(std::move(stream)), name_(std::move(name)) {
  try {
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!ioBuffer) throw KuzoError(kBadMovieDataMessage);
    io_ = avio_alloc_context(ioBuffer, kIoBufferSize, 0, this, &ReadCallback, nullptr, &SeekCallback);
    if (!io_) {
      av_free(ioBuffer);
      throw KuzoError(kBadMovieDataMessage);
    }
    container_ = avformat_alloc_context();
    if (!container_) throw KuzoError(kBadMovieDataMessage);
    container_->pb = io_;
    container_->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&container_, name_.c_str(), nullptr, nullptr) < 0) {
      container_ = nullptr;
      throw KuzoError(kBadMovieDataMessage);
    }
    if (avformat_find_stream_info(container_, nullptr) < 0) throw KuzoError(kBadMovieDataMessage);
    const AVCodec* decoder = nullptr;
    streamIndex_ = av_find_best_stream(container_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (streamIndex_ < 0 || !decoder) throw KuzoError(kBadMovieDataMessage);
    AVStream* st = container_->streams[streamIndex_];
    for (unsigned i = 0; i < container_->nb_streams; ++i)
      if (static_cast<int>(i) != streamIndex_) container_->streams[i]->discard = AVDISCARD_ALL;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, st->codecpar) < 0) throw KuzoError(kBadMovieDataMessage);
    codec_->pkt_timebase = st->time_base;
    codec_->thread_count = 1;  // decoding runs on the caller's thread, in step with the scene
    if (avcodec_open2(codec_, decoder, nullptr) < 0) throw KuzoError(kBadMovieDataMessage);
    width_ = codec_->width;
    height_ = codec_->height;
    if (width_ <= 0 || height_ <= 0 || width_ > kMaxSide || height_ > kMaxSide) throw KuzoError(kBadMovieDataMessage);
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
      durationMs_ = av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    else if (container_->duration != AV_NOPTS_VALUE && container_->duration > 0)
      durationMs_ = av_rescale(container_->duration, 1000, AV_TIME_BASE);
    frame_ = av_frame_alloc();
    next_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!frame_ || !next_ || !packet_) throw KuzoError(kBadMovieDataMessage);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  } catch (...) {
    Close();
    throw;
  }
}

VideoDecoder::~VideoDecoder() { Close(); }

void VideoDecoder::Close() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  av_frame_free(&next_);
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  avcodec_free_context(&codec_);
  if (container_) avformat_close_input(&container_);
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

int64_t VideoDecoder::FrameMs(const AVFrame* frame) const {
  const AVStream* st = container_->streams[streamIndex_];
  const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  const int64_t pts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : start;
  return std::max<int64_t>(0, av_rescale_q(pts - start, st->time_base, AVRational{1, 1000}));
}

bool VideoDecoder::DecodeNext() {
  for (int idle = 0; idle < kMaxIdlePackets; ++idle) {
    const int rc = avcodec_receive_frame(codec_, next_);
    if (rc == 0) {
      if (next_->width == width_ && next_->height == height_) return true;
      av_frame_unref(next_);  // a frame of another size cannot be shown in this picture
      continue;
    }
    if (rc == AVERROR_EOF || draining_) {
      finished_ = true;
      return false;
    }
    if (av_read_frame(container_, packet_) < 0) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == streamIndex_) avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
  }
  finished_ = true;
  return false;
}

void VideoDecoder::Convert(AVFrame* frame) {
  scaler_ = sws_getCachedContext(scaler_, width_, height_, static_cast<AVPixelFormat>(frame->format), width_, height_,
                                 AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
  if (!scaler_) return;
  uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(pixels_.data())};
  int strides[1] = {width_ * 4};
  sws_scale(scaler_, frame->data, frame->linesize, 0, height_, planes, strides);
}

bool VideoDecoder::ShowAt(int64_t ms) {
  if (ms < frameMs_) {
    // Back in time: restart from the key frame before it.
    const AVStream* st = container_->streams[streamIndex_];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    av_seek_frame(container_, streamIndex_, start + av_rescale_q(ms, AVRational{1, 1000}, st->time_base),
                  AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec_);
    haveNext_ = false;
    finished_ = false;
    draining_ = false;
    frameMs_ = -1;
  }
  bool changed = false;
  for (;;) {
    if (!haveNext_) {
      if (finished_ || !DecodeNext()) break;
      haveNext_ = true;
    }
    const int64_t due = FrameMs(next_);
    if (due > ms && frameMs_ >= 0) break;  // the next frame is not due yet
    std::swap(frame_, next_);
    av_frame_unref(next_);
    haveNext_ = false;
    frameMs_ = due;
    changed = true;
  }
  if (changed) Convert(frame_);
  return changed;
}

}  // namespace kuzo::media
