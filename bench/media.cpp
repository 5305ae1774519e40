// Audio hot paths as shares of one core: mixing eight Ogg Vorbis streams with volume and pan
// (decoding included) against mixing eight already-decoded voices and against a plain copy of the
// same PCM, a MIDI piece rendered through the sequencer and the soundfont synthesiser, the MIDI
// voice idle with the synthesiser sleeping or running on, and a
// 1280 × 720 movie decoded and converted frame by frame (made by the ffmpeg program at start when it
// is installed), alone and as a movie component drawn into a scene. The "core_share" counter is CPU
// seconds spent per second of playback (0.03 = 3 % of one core).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "components/kuzo_video.h"
#include "components/standard_components.h"
#include "core/errors.h"
#include "media/media_system.h"
#include "scene/kuzo_base_list.h"
#include "media/midi_items.h"
#include "media/sound_items.h"
#include "media/video_item.h"

namespace {

using namespace kuzo;
using namespace kuzo::media;

constexpr size_t kSlice = 1024;       // frames per device request
constexpr int kAudioSeconds = 2;      // rendered per iteration
constexpr int kStreams = 8;

std::filesystem::path Corpus() { return std::filesystem::path(KUZO_CORPUS_DIR); }

std::string ReadWhole(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

MediaFiles FilesOver(const std::map<std::string, std::string, std::less<>>& content) {
  MediaFiles f;
  f.openRange = [&content](std::string_view name) -> std::unique_ptr<TRangeStream> {
    auto data = std::make_shared<const std::string>(content.at(std::string(name)));
    const auto size = static_cast<int64_t>(data->size());
    return std::make_unique<TResourceRangeStream>(data, 0, size);
  };
  f.readFile = [&content](std::string_view name) { return content.at(std::string(name)); };
  return f;
}

void SetShare(benchmark::State& state) {
  state.counters["core_share"] =
      benchmark::Counter(kAudioSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RenderSeconds(AudioMixer& mixer) {
  std::vector<int16_t> out(kSlice * 2);
  for (size_t done = 0; done < size_t{kMixRate} * kAudioSeconds; done += kSlice) {
    mixer.Mix(out.data(), kSlice);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_MixEightOggStreams(benchmark::State& state) {
  std::map<std::string, std::string, std::less<>> content{
      {"loop.ogg", ReadWhole(Corpus() / "audio/ogg/monogame/rock_loop_stereo.ogg")}};
  AudioMixer mixer;
  TOggManager manager(mixer, FilesOver(content));
  for (int i = 0; i < kStreams; ++i) {
    TDMediaItem* item = manager.Add("loop.ogg");
    item->SetLoop(true);
    item->SetVolume(-300 * i);
    item->SetPan(i * 2500 - 10000);
    item->SetPosition(i * 100);
    item->Play();
  }
  for (auto _ : state) RenderSeconds(mixer);
  SetShare(state);
}
BENCHMARK(BM_MixEightOggStreams)->Unit(benchmark::kMillisecond);

// The mixing alone: eight voices that hand out PCM already in memory.
class MemoryVoice : public MixerVoice {
 public:
  size_t Render(int16_t* out, size_t frames) override {
    for (size_t i = 0; i < frames * 2; ++i) out[i] = static_cast<int16_t>((pos_++ * 37) & 0x3FFF);
    return frames;
  }

 private:
  uint32_t pos_ = 0;
};

void BM_MixEightDecodedVoices(benchmark::State& state) {
  AudioMixer mixer;
  for (int i = 0; i < kStreams; ++i) {
    MixerVoice* v = mixer.Add(std::make_unique<MemoryVoice>());
    v->SetLevels(-300 * i, i * 2500 - 10000);
    v->playing = true;
  }
  for (auto _ : state) RenderSeconds(mixer);
  SetShare(state);
}
BENCHMARK(BM_MixEightDecodedVoices)->Unit(benchmark::kMillisecond);

// The floor: copying the same amount of output PCM.
void BM_CopyOutputPcm(benchmark::State& state) {
  std::vector<int16_t> src(size_t{kMixRate} * kAudioSeconds * 2, 1), dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(int16_t));
    benchmark::DoNotOptimize(dst.data());
  }
  SetShare(state);
}
BENCHMARK(BM_CopyOutputPcm)->Unit(benchmark::kMillisecond);

void BM_MidiPieceThroughSynthesiser(benchmark::State& state) {
  if (!std::filesystem::exists(kDefaultSoundFont)) {
    state.SkipWithError("no soundfont");
    return;
  }
  std::map<std::string, std::string, std::less<>> content{
      {"song.mid", ReadWhole(Corpus() / "midi/songs/joplin_entertainer_mutopia.mid")}};
  AudioMixer mixer;
  TMidiManager manager(mixer, FilesOver(content), kDefaultSoundFont);
  TDMediaItem* item = manager.Add("song.mid");
  item->SetLoop(true);
  item->Play();
  for (auto _ : state) RenderSeconds(mixer);
  SetShare(state);
}
BENCHMARK(BM_MidiPieceThroughSynthesiser)->Unit(benchmark::kMillisecond);

// The MIDI voice when nothing plays, with the synthesiser sleeping (1) or running on (0): the idle
// cost every title pays from start-up on.
void BM_IdleMidiSynthesiser(benchmark::State& state) {
  if (!std::filesystem::exists(kDefaultSoundFont)) {
    state.SkipWithError("no soundfont");
    return;
  }
  std::map<std::string, std::string, std::less<>> content;
  AudioMixer mixer;
  TMidiManager manager(mixer, FilesOver(content), kDefaultSoundFont);
  manager.Synth()->SetIdleSleep(state.range(0) != 0);
  for (auto _ : state) RenderSeconds(mixer);
  SetShare(state);
}
BENCHMARK(BM_IdleMidiSynthesiser)->ArgName("sleep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Two seconds of 1280 × 720 at 30 frames per second, shown at 60 scene frames per second.
void BM_Movie720p(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "kuzo_bench_720p.avi";
  const std::string cmd = "ffmpeg -v error -y -f lavfi -i testsrc2=s=1280x720:r=30:d=2 -c:v mpeg4 -q:v 4 \"" +
                          path.string() + "\" 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) {
    state.SkipWithError("no ffmpeg program to make the movie");
    return;
  }
  std::map<std::string, std::string, std::less<>> content{{"movie.avi", ReadWhole(path)}};
  std::filesystem::remove(path);
  AudioMixer mixer;
  TVideoManager manager(mixer, FilesOver(content));
  TVideoItem* item = manager.Add("movie.avi");
  item->Play();
  std::vector<int16_t> out(735 * 2);
  for (auto _ : state) {
    item->SetPosition(0);
    for (int frame = 0; frame < 120; ++frame) {
      mixer.Mix(out.data(), 735);  // 1/60 s
      if (item->NeedPaint()) benchmark::DoNotOptimize(item->Frame().data());
    }
  }
  state.counters["core_share"] =
      benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Movie720p)->Unit(benchmark::kMillisecond);

// The same movie as a movie component in a 1280 × 720 scene: each 1/60 s tick mixes, ticks the
// scene (the frame copied into the component's picture) and draws what changed, as the player does.
// Its share against BM_Movie720p is the cost of showing the frames on top of decoding them.
void BM_MovieComponent720p(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "kuzo_bench_720p_component.avi";
  const std::string cmd = "ffmpeg -v error -y -f lavfi -i testsrc2=s=1280x720:r=30:d=2 -c:v mpeg4 -q:v 4 \"" +
                          path.string() + "\" 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) {
    state.SkipWithError("no ffmpeg program to make the movie");
    return;
  }
  std::map<std::string, std::string, std::less<>> content{{"movie.avi", ReadWhole(path)}};
  std::filesystem::remove(path);
  MediaFiles files = FilesOver(content);
  files.exists = [&content](std::string_view name) { return content.count(name) > 0; };
  MediaSystem media(files, MediaSettings{true, 500, "/nonexistent.sf2"});
  HostState host;
  TKuzoBaseList scene(&host, 1280, 720);
  RegisterStandardComponents(scene);
  ServiceSlots slots = scene.Slots();
  slots.media = &media;
  scene.SetSlots(slots);
  auto* movie = static_cast<TKuzoVideo*>(scene.CreateByKind(LT_VIDEO));
  movie->SetName("mv");
  movie->SetParent(scene.ActiveBase());
  movie->SetStrProp(PR_SOURCE, "movie.avi");
  movie->SetBoolProp(PR_REPEAT, true);
  movie->SetPlayState(0);
  std::vector<int16_t> out(735 * 2);
  for (auto _ : state) {
    for (int frame = 0; frame < 120; ++frame) {
      host.frameDeltaMs = 16;
      host.gameClockMs += 17;  // 60 ticks a second on average
      media.Engine().Mixer().Mix(out.data(), 735);
      scene.Tick();
      scene.Draw();
      scene.ClearDirty();
    }
  }
  state.counters["core_share"] =
      benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MovieComponent720p)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
