// Latency from a sound command to the sound card: a sound component is started on the main thread
// while the real device thread pulls the mix (SDL; the "dummy" driver unless SDL_AUDIODRIVER names
// another), and the time until its first non-silent sample is handed to the device is measured.
// A sample counts as handed at the end of the callback that mixed it plus its offset in the block
// (when it is due if the block starts playing at once). Cases: the mixer path (DirectSound on) and
// the wave output (off) at two block lengths, alone and with another sound already playing (then
// a new sound waits for the block in front of it). The iteration time is the latency; the counters
// give its median and worst case against the bound of one DelayTime block plus 20 ms, and split it
// into the command itself (opening the file on the main thread) and the queue after it (audio
// mixed until the sound starts, counted in frames, so a loaded machine does not stretch it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include "components/kuzo_sound.h"
#include "components/standard_components.h"
#include "core/errors.h"
#include "media/media_system.h"
#include "scene/kuzo_base_list.h"

namespace {

using namespace kuzo;
using Clock = std::chrono::steady_clock;

constexpr int kSamples = 40;           // commands per case
constexpr int16_t kToneValue = 16000;  // the measured sound: a constant level
constexpr int kThreshold = 100;        // a sample above this is sound
constexpr int kBoundSlackMs = 20;

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void PutU16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v));
  s.push_back(static_cast<char>(v >> 8));
}

// A 44100 Hz 16-bit stereo wave of `ms` milliseconds at one constant value.
std::string ConstantWave(int ms, int16_t value) {
  const uint32_t frames = static_cast<uint32_t>(ms) * 441 / 10;
  const uint32_t bytes = frames * 4;
  std::string s = "RIFF";
  PutU32(s, 36 + bytes);
  s += "WAVEfmt ";
  PutU32(s, 16);
  PutU16(s, 1);
  PutU16(s, 2);
  PutU32(s, 44100);
  PutU32(s, 176400);
  PutU16(s, 4);
  PutU16(s, 16);
  s += "data";
  PutU32(s, bytes);
  for (uint32_t i = 0; i < frames * 2; ++i) PutU16(s, static_cast<uint16_t>(value));
  return s;
}

// What the device thread reports to the main thread.
struct Onset {
  std::atomic<bool> armed{false};
  std::atomic<bool> found{false};
  std::atomic<int64_t> handedNs{0};  // steady clock, when the first sound of the command is due
  std::atomic<uint64_t> frame{0};     // its frame in the mix
  std::atomic<uint64_t> lastLoud{0};  // frames mixed up to the last sound heard, any sound
};

struct LatencyRig {
  HostState host;
  std::map<std::string, std::string, std::less<>> files;
  std::unique_ptr<media::MediaSystem> media;
  TKuzoBaseList scene;
  Onset onset;

  LatencyRig(bool directSound, int32_t delayTimeMs) : scene(&host, 64, 48) {
    files["tone.wav"] = ConstantWave(2000, kToneValue);
    files["hush.wav"] = ConstantWave(1000, 0);
    media::MediaFiles f;
    f.openRange = [this](std::string_view name) -> std::unique_ptr<TRangeStream> {
      auto data = std::make_shared<const std::string>(files.at(std::string(name)));
      const auto size = static_cast<int64_t>(data->size());
      return std::make_unique<TResourceRangeStream>(data, 0, size);
    };
    f.readFile = [this](std::string_view name) { return files.at(std::string(name)); };
    f.exists = [this](std::string_view name) { return files.count(name) > 0; };
    media = std::make_unique<media::MediaSystem>(std::move(f), media::MediaSettings{directSound, delayTimeMs, "/nonexistent.sf2"});
    RegisterStandardComponents(scene);
    ServiceSlots slots = scene.Slots();
    slots.media = media.get();
    slots.clock = &host;
    scene.SetSlots(slots);
  }

  bool Open(std::string* error) {
    return media->Engine().OpenDevice(media::kDeviceBufferMs, error, [this](const int16_t* frames, size_t count) {
      const Clock::time_point handed = Clock::now();
      const uint64_t end = media->Engine().Mixer().MixedFrames();
      size_t first = count, last = count;
      for (size_t i = 0; i < count; ++i) {
        if (std::abs(frames[2 * i]) <= kThreshold) continue;
        if (first == count) first = i;
        last = i;
      }
      if (last == count) return;
      onset.lastLoud.store(end - count + last + 1, std::memory_order_relaxed);
      if (!onset.armed.load(std::memory_order_acquire) || onset.found.load(std::memory_order_relaxed)) return;
      const auto due = handed + std::chrono::nanoseconds(static_cast<int64_t>(first) * 1000000000 / media::kMixRate);
      onset.handedNs.store(due.time_since_epoch().count(), std::memory_order_relaxed);
      onset.frame.store(end - count + first, std::memory_order_relaxed);
      onset.found.store(true, std::memory_order_release);
    });
  }

  // Waits until the device has been handed 50 ms of silence: what is left of the previous sound in
  // blocks mixed before it stopped must not count as the next one.
  void WaitForQuiet() {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
    while (media->Engine().Mixer().MixedFrames() < onset.lastLoud.load(std::memory_order_relaxed) + media::kMixRate / 20 &&
           Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  TKuzoSound* Start(const std::string& name, const std::string& file, bool repeat) {
    auto* sound = static_cast<TKuzoSound*>(scene.CreateByKind(TKuzoSound::kKindCode));
    sound->SetName(name);
    sound->SetStrProp(PR_SOURCE, file);
    sound->SetBoolProp(PR_REPEAT, repeat);
    sound->SetPlayState(kMediaPlaying);
    return sound;
  }

  // One command: milliseconds until its sound is handed to the device (negative on time-out);
  // `commandMs` receives the time the command itself took on the main thread (opening the file),
  // `queueMs` the audio mixed from the end of the command to its first sound (the wait for a block
  // of the wave output and the device's next buffer), which does not depend on the machine's load.
  double MeasureOnce(std::mt19937& random, int32_t spreadMs, double* commandMs, double* queueMs) {
    WaitForQuiet();
    // Commands land at random points of the device's and the wave output's blocks.
    std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<uint32_t>(spreadMs * 1000 + 1)));
    onset.found.store(false, std::memory_order_relaxed);
    onset.armed.store(true, std::memory_order_release);
    const uint64_t commandFrame = media->Engine().Mixer().MixedFrames();
    const Clock::time_point command = Clock::now();
    TKuzoSound* sound = Start("se", "tone.wav", false);
    *commandMs = std::chrono::duration<double, std::milli>(Clock::now() - command).count();
    const uint64_t commandEndFrame = media->Engine().Mixer().MixedFrames();
    const Clock::time_point deadline = command + std::chrono::seconds(3);
    while (!onset.found.load(std::memory_order_acquire) && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    onset.armed.store(false, std::memory_order_release);
    const bool found = onset.found.load(std::memory_order_acquire);
    sound->SetPlayState(kMediaStopped);
    scene.Tick();  // frees the stopped sound
    if (!found) return -1;
    if (onset.frame.load(std::memory_order_relaxed) < commandFrame) return -2;
    const uint64_t onsetFrame = onset.frame.load(std::memory_order_relaxed);
    *queueMs = onsetFrame > commandEndFrame ? static_cast<double>(onsetFrame - commandEndFrame) * 1000.0 / media::kMixRate : 0;
    const auto handed = Clock::time_point(Clock::duration(onset.handedNs.load(std::memory_order_relaxed)));
    return std::chrono::duration<double, std::milli>(handed - command).count();
  }
};

// Arguments: DirectSound (1/0), DelayTime, another sound playing (1/0).
void BM_SoundCommandToDevice(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const bool directSound = state.range(0) != 0;
  const auto delayTime = static_cast<int32_t>(state.range(1));
  const bool busy = state.range(2) != 0;
  LatencyRig rig(directSound, delayTime);
  std::string error;
  if (!rig.Open(&error)) {
    state.SkipWithError(("no audio device: " + error).c_str());
    return;
  }
  if (busy) rig.Start("bgm", "hush.wav", true);
  std::mt19937 random(7);
  std::vector<double> latencies, commands, queues;
  for (auto _ : state) {
    double commandMs = 0, queueMs = 0;
    const double ms = rig.MeasureOnce(random, delayTime, &commandMs, &queueMs);
    commands.push_back(commandMs);
    queues.push_back(queueMs);
    if (ms < 0) {
      state.SkipWithError(ms == -1 ? "the sound was never handed to the device" : "sound heard before its command");
      return;
    }
    latencies.push_back(ms);
    state.SetIterationTime(ms / 1000.0);
  }
  std::sort(latencies.begin(), latencies.end());
  std::sort(commands.begin(), commands.end());
  std::sort(queues.begin(), queues.end());
  state.counters["queue_median_ms"] = queues[queues.size() / 2];
  state.counters["queue_max_ms"] = queues.back();
  state.counters["command_median_ms"] = commands[commands.size() / 2];
  state.counters["command_max_ms"] = commands.back();
  state.counters["median_ms"] = latencies[latencies.size() / 2];
  state.counters["max_ms"] = latencies.back();
  state.counters["bound_ms"] = delayTime + kBoundSlackMs;
  state.counters["max_over_bound"] = latencies.back() / (delayTime + kBoundSlackMs);
  state.counters["device_buffer_ms"] = rig.media->Engine().DeviceBufferFrames() * 1000.0 / media::kMixRate;
}

BENCHMARK(BM_SoundCommandToDevice)
    ->ArgNames({"directsound", "delay", "busy"})
    ->Args({1, 500, 0})
    ->Args({1, 500, 1})
    ->Args({0, 100, 0})
    ->Args({0, 100, 1})
    ->Args({0, 500, 0})
    ->Args({0, 500, 1})
    ->Iterations(kSamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
