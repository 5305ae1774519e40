// FFmpeg demuxing, decoding and resampling behind AudioDecoder. The I/O callbacks read the range
// stream, which serialises its own access, so decoders on different threads share nothing.
#include "media/audio_decoder.h"

#include <algorithm>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "core/errors.h"
#include "media/ffmpeg_input.h"

namespace kuzo::media {

const char* const kBadSoundDataMessage = "サウンドデータが不正です";

namespace {
constexpr int kIoBufferSize = 32768;
// Stream probing reads at most this much before deciding on a format. It also bounds the check of
// a wave file's PCM for other codecs hidden in it, which probes every format again at each doubling
// of the data read: at a megabyte that took longer than everything else in starting a sound.
constexpr int64_t kProbeBytes = 1 << 16;
// Stream analysis decodes at most this much (microseconds) of the stream.
constexpr int64_t kMaxAnalyzeMicroseconds = 5 * int64_t{AV_TIME_BASE};
}  // namespace

AudioDecoder::AudioDecoder(std::unique_ptr<TRangeStream> stream, std::string name, bool nativeFormat)
    : stream_(std::move(stream)), name_(std::move(name)) {
  // Damaged files are normal input here: FFmpeg reports only errors, not its warnings about them.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
  try {
    FfmpegInputOptions options;
    options.ioBufferSize = kIoBufferSize;
    options.probeBytes = kProbeBytes;
    options.maxAnalyzeMicroseconds = kMaxAnalyzeMicroseconds;
    input_ = std::make_unique<FfmpegInput>(*stream_, name_, AVMEDIA_TYPE_AUDIO, kBadSoundDataMessage, options);
    const AVCodec* decoder = input_->Decoder();
    AVStream* st = input_->Stream();
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, st->codecpar) < 0) throw KuzoError(kBadSoundDataMessage);
    codec_->pkt_timebase = st->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) throw KuzoError(kBadSoundDataMessage);
    const int channels = codec_->ch_layout.nb_channels;
    if (channels <= 0 || codec_->sample_rate <= 0) throw KuzoError(kBadSoundDataMessage);
    if (nativeFormat) {
      format_.sampleRate = codec_->sample_rate == 22050 ? 22050 : 44100;
      format_.channels = channels == 1 ? 1 : 2;
      format_.bitsPerSample = codec_->sample_fmt == AV_SAMPLE_FMT_U8 ? 8 : 16;
    }
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
      length_ = av_rescale_q(st->duration, st->time_base, AVRational{1, format_.sampleRate});
    else if (input_->Container()->duration != AV_NOPTS_VALUE && input_->Container()->duration > 0)
      length_ = av_rescale(input_->Container()->duration, format_.sampleRate, AV_TIME_BASE);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!frame_ || !packet_) throw KuzoError(kBadSoundDataMessage);
  } catch (...) {
    Close();
    throw;
  }
}

AudioDecoder::~AudioDecoder() { Close(); }

void AudioDecoder::Close() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  swr_free(&resampler_);
  avcodec_free_context(&codec_);
  input_.reset();
}

bool AudioDecoder::SetUpResampler(const AVFrame* frame) {
  const int channels = frame->ch_layout.nb_channels;
  if (resampler_ && resamplerRate_ == frame->sample_rate && resamplerChannels_ == channels &&
      resamplerFormat_ == frame->format)
    return true;
  swr_free(&resampler_);
  if (channels <= 0 || frame->sample_rate <= 0 || frame->format < 0) return false;
  AVChannelLayout in{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&in, channels);
  else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
    return false;
  AVChannelLayout out{};
  av_channel_layout_default(&out, format_.channels);
  const AVSampleFormat outFormat = format_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  const int rc = swr_alloc_set_opts2(&resampler_, &out, outFormat, format_.sampleRate, &in,
                                     static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  // A mono source plays at full level on both channels, as sound cards play mono buffers (the
  // resampler's default spreads it at −3 dB).
  if (rc >= 0 && channels == 1 && format_.channels == 2) {
    const double both[2] = {1.0, 1.0};
    swr_set_matrix(resampler_, both, 1);
  }
  if (rc < 0 || swr_init(resampler_) < 0) {
    swr_free(&resampler_);
    return false;
  }
  resamplerRate_ = frame->sample_rate;
  resamplerChannels_ = channels;
  resamplerFormat_ = frame->format;
  return true;
}

void AudioDecoder::Convert(AVFrame* frame) {
  const int bpf = format_.BytesPerFrame();
  const int capacity = frame ? swr_get_out_samples(resampler_, frame->nb_samples) : swr_get_out_samples(resampler_, 0);
  if (capacity <= 0) return;
  std::vector<uint8_t> out(static_cast<size_t>(capacity) * bpf);
  uint8_t* planes[1] = {out.data()};
  const int got = frame ? swr_convert(resampler_, planes, capacity, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples)
                        : swr_convert(resampler_, planes, capacity, nullptr, 0);
  if (got <= 0) return;
  int64_t first = 0;
  if (skipFrames_ > 0) {
    first = std::min<int64_t>(skipFrames_, got);
    skipFrames_ -= first;
  }
  pending_.insert(pending_.end(), out.begin() + first * bpf, out.begin() + static_cast<int64_t>(got) * bpf);
}

void AudioDecoder::DecodeMore() {
  // Compact what was handed out.
  if (pendingRead_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingRead_));
    pendingRead_ = 0;
  }
  const size_t before = pending_.size();
  for (int idle = 0; !finished_ && pending_.size() == before && idle < kMaxIdlePackets; ++idle) {
    // Take every frame the decoder holds.
    int rc;
    while ((rc = avcodec_receive_frame(codec_, frame_)) == 0) {
      if (SetUpResampler(frame_)) Convert(frame_);
      av_frame_unref(frame_);
    }
    if (rc == AVERROR_EOF) {
      if (resampler_) Convert(nullptr);  // the resampler's tail
      finished_ = true;
      break;
    }
    if (pending_.size() != before) break;
    if (draining_) {
      finished_ = true;  // decoder refused the flush
      break;
    }
    const int read = av_read_frame(input_->Container(), packet_);
    if (read < 0) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == input_->StreamIndex()) avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
  }
  if (pending_.size() == before && !finished_) finished_ = true;  // work cap reached: the stream ends
}

size_t AudioDecoder::Read(void* out, size_t frames) {
  const size_t bpf = static_cast<size_t>(format_.BytesPerFrame());
  auto* dst = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < frames) {
    if (pending_.size() == pendingRead_) {
      if (finished_) break;
      DecodeMore();
      continue;
    }
    const size_t avail = (pending_.size() - pendingRead_) / bpf;
    if (avail == 0) {  // a partial frame left over cannot be played
      pendingRead_ = pending_.size();
      continue;
    }
    const size_t n = std::min(avail, frames - done);
    std::memcpy(dst + done * bpf, pending_.data() + pendingRead_, n * bpf);
    pendingRead_ += n * bpf;
    done += n;
  }
  position_ += static_cast<int64_t>(done);
  return done;
}

bool AudioDecoder::Exhausted() {
  if (pending_.size() - pendingRead_ < static_cast<size_t>(format_.BytesPerFrame()) && !finished_) DecodeMore();
  return pending_.size() - pendingRead_ < static_cast<size_t>(format_.BytesPerFrame()) && finished_;
}

void AudioDecoder::Seek(int64_t frame) {
  if (frame < 0) frame = 0;
  AVStream* st = input_->Container()->streams[input_->StreamIndex()];
  const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  const int64_t ts = start + av_rescale_q(frame, AVRational{1, format_.sampleRate}, st->time_base);
  if (av_seek_frame(input_->Container(), input_->StreamIndex(), ts, AVSEEK_FLAG_BACKWARD) < 0)
    av_seek_frame(input_->Container(), input_->StreamIndex(), start, AVSEEK_FLAG_BACKWARD);
  avcodec_flush_buffers(codec_);
  swr_free(&resampler_);
  resamplerFormat_ = -1;
  pending_.clear();
  pendingRead_ = 0;
  draining_ = false;
  finished_ = false;
  // Decode from the key point and drop frames until the target: the first decoded frame's time says
  // where decoding resumed.
  skipFrames_ = 0;
  int64_t resumed = -1;
  for (int idle = 0; resumed < 0 && idle < kMaxIdlePackets; ++idle) {
    if (av_read_frame(input_->Container(), packet_) < 0) break;
    if (packet_->stream_index == input_->StreamIndex()) {
      avcodec_send_packet(codec_, packet_);
      if (avcodec_receive_frame(codec_, frame_) == 0) {
        const int64_t pts = frame_->best_effort_timestamp != AV_NOPTS_VALUE ? frame_->best_effort_timestamp : ts;
        resumed = std::max<int64_t>(0, av_rescale_q(pts - start, st->time_base, AVRational{1, format_.sampleRate}));
        skipFrames_ = std::max<int64_t>(0, frame - resumed);
        if (SetUpResampler(frame_)) Convert(frame_);
        av_frame_unref(frame_);
      }
    }
    av_packet_unref(packet_);
  }
  if (resumed < 0) finished_ = true;
  position_ = frame;
}

}  // namespace kuzo::media
