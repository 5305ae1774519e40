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
#include "media/ffmpeg_input.h"

namespace kuzo::media {

const char* const kBadMovieDataMessage = "ムービーデータが不正です";

namespace {
constexpr int kIoBufferSize = 65536;
}

VideoDecoder::VideoDecoder(std::unique_ptr<TRangeStream> stream, std::string name)
    : stream_(std::move(stream)), name_(std::move(name)) {
  try {
    FfmpegInputOptions options;
    options.ioBufferSize = kIoBufferSize;
    input_ = std::make_unique<FfmpegInput>(*stream_, name_, AVMEDIA_TYPE_VIDEO, kBadMovieDataMessage, options);
    const AVCodec* decoder = input_->Decoder();
    AVStream* st = input_->Stream();
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
    else if (input_->Container()->duration != AV_NOPTS_VALUE && input_->Container()->duration > 0)
      durationMs_ = av_rescale(input_->Container()->duration, 1000, AV_TIME_BASE);
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
  input_.reset();
}

int64_t VideoDecoder::FrameMs(const AVFrame* frame) const {
  const AVStream* st = input_->Container()->streams[input_->StreamIndex()];
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
    if (av_read_frame(input_->Container(), packet_) < 0) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == input_->StreamIndex()) avcodec_send_packet(codec_, packet_);
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
    const AVStream* st = input_->Container()->streams[input_->StreamIndex()];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    av_seek_frame(input_->Container(), input_->StreamIndex(), start + av_rescale_q(ms, AVRational{1, 1000}, st->time_base),
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
