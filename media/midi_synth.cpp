// FluidSynth behind the MIDI port interface.
#include "media/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace kuzo::media {

const char* const kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

namespace {
// Slices of 10 ms at 44100 Hz: one sequencer tick each.
constexpr uint64_t kTickFrames = kMixRate * TMidiPlayV::kTickIntervalMs / 1000;
// The synthesiser renders in blocks of this many frames; a message takes effect at the next one.
constexpr uint64_t kSynthBlockFrames = 64;
// Exact silence this long with no voice sounding means the effect tails have died away.
constexpr uint64_t kSleepAfterSilentFrames = kMixRate / 10;

void QuietLog(int, const char*, void*) {}
}  // namespace

FluidSynthPort::FluidSynthPort(const std::string& soundFont, std::string* error) {
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    // Panics only: a failed soundfont load is reported through the port's error text instead.
    fluid_set_log_function(FLUID_ERR, QuietLog, nullptr);
    fluid_set_log_function(FLUID_WARN, QuietLog, nullptr);
    fluid_set_log_function(FLUID_INFO, QuietLog, nullptr);
    fluid_set_log_function(FLUID_DBG, QuietLog, nullptr);
  });
  settings_ = new_fluid_settings();
  if (!settings_) {
    if (error) *error = "cannot create synthesiser settings";
    return;
  }
  fluid_settings_setnum(settings_, "synth.sample-rate", kMixRate);
  fluid_settings_setint(settings_, "synth.cpu-cores", 1);
  // The mixer's lock already serialises every call.
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
  synth_ = new_fluid_synth(settings_);
  if (!synth_ || fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
    if (error) *error = soundFont + ": cannot load the soundfont";
    if (synth_) delete_fluid_synth(synth_);
    synth_ = nullptr;
  }
}

FluidSynthPort::~FluidSynthPort() {
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

void FluidSynthPort::SetIdleSleep(bool on) {
  if (!on) CatchUp();
  idleSleep_ = on;
}

void FluidSynthPort::CatchUp() {
  if (!synth_) return;
  // Run to the block boundary an uninterrupted run would be at; the frames are silence.
  const auto behind = static_cast<size_t>((portFrames_ - synthFrames_) % kSynthBlockFrames);
  if (behind == 0) return;
  scratch_.resize(behind * kMixChannels);
  fluid_synth_write_float(synth_, static_cast<int>(behind), scratch_.data(), 0, 2, scratch_.data(), 1, 2);
  synthFrames_ += behind;
}

void FluidSynthPort::Wake() {
  if (!idle_) return;
  idle_ = false;
  silentFrames_ = 0;
  if (!synth_) return;
  CatchUp();
  // Setting the rate again rebuilds the reverb and chorus units with their oscillators at the
  // start; it takes effect at the next render block, before the message that woke it sounds.
  // (The call is marked deprecated for changing the rate; it stays the one way to rebuild them.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  fluid_synth_set_sample_rate(synth_, static_cast<float>(kMixRate));
#pragma GCC diagnostic pop
}

void FluidSynthPort::ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!synth_) return;
  Wake();
  const int channel = status & 0x0F;
  data1 &= 0x7F;
  data2 &= 0x7F;
  switch (status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth_, channel, data1);
      break;
    case 0x90:
      if (data2 == 0)
        fluid_synth_noteoff(synth_, channel, data1);
      else
        fluid_synth_noteon(synth_, channel, data1, data2);
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth_, channel, data1, data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth_, channel, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth_, channel, data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth_, channel, data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7);
      break;
    default:
      break;  // system messages have no meaning for the synthesiser
  }
}

void FluidSynthPort::LongMessage(std::span<const uint8_t> bytes) {
  if (!synth_ || bytes.empty()) return;
  Wake();
  // The synthesiser takes the message without its F0 and F7 framing.
  size_t begin = bytes[0] == 0xF0 || bytes[0] == 0xF7 ? 1 : 0;
  size_t end = bytes.size();
  if (end > begin && bytes[end - 1] == 0xF7) --end;
  if (end <= begin) return;
  fluid_synth_sysex(synth_, reinterpret_cast<const char*>(bytes.data() + begin), static_cast<int>(end - begin), nullptr,
                    nullptr, nullptr, 0);
}

void FluidSynthPort::Reset() {
  if (!synth_) return;
  Wake();
  fluid_synth_system_reset(synth_);
}

void FluidSynthPort::Render(int16_t* out, size_t frames) {
  portFrames_ += frames;
  if (!synth_ || (idleSleep_ && idle_)) {
    std::memset(out, 0, frames * kMixChannels * sizeof(int16_t));
    return;
  }
  RunSynth(out, frames);
  bool silent = true;
  for (size_t i = 0; i < frames * kMixChannels && silent; ++i) silent = out[i] == 0;
  silentFrames_ = silent && fluid_synth_get_active_voice_count(synth_) == 0 ? silentFrames_ + frames : 0;
  if (silentFrames_ >= kSleepAfterSilentFrames) idle_ = true;
}

void FluidSynthPort::RunSynth(int16_t* out, size_t frames) {
  // The synthesiser's own 16-bit output adds dither noise of one step even when nothing sounds.
  scratch_.resize(frames * kMixChannels);
  fluid_synth_write_float(synth_, static_cast<int>(frames), scratch_.data(), 0, 2, scratch_.data(), 1, 2);
  synthFrames_ += frames;
  for (size_t i = 0; i < frames * kMixChannels; ++i) {
    const float v = std::clamp(scratch_[i] * 32767.0f, -32768.0f, 32767.0f);
    out[i] = static_cast<int16_t>(std::lrint(v));
  }
}

size_t MidiVoice::Render(int16_t* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    const size_t untilTick = static_cast<size_t>(kTickFrames - rendered_ % kTickFrames);
    const size_t n = std::min(untilTick, frames - done);
    if (port_)
      port_->Render(out + done * kMixChannels, n);
    else
      std::memset(out + done * kMixChannels, 0, n * kMixChannels * sizeof(int16_t));
    done += n;
    rendered_ += n;
    // The tick of time t runs once the audio up to t is rendered: what it sends is heard from t on,
    // and a caller that rendered up to t sees its effects.
    if (rendered_ % kTickFrames == 0) sequencer_.Tick(NowMs());
  }
  return frames;
}

}  // namespace kuzo::media
