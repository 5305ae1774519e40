// A scene with the media system rendering headless for the sound, movie and timer tests: game
// files held in memory, the mix rendered in step with the virtual clock and kept for measuring.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "components/standard_components.h"
#include "core/errors.h"
#include "media/media_system.h"
#include "scene/kuzo_base_list.h"
#include "tests/media/pcm_helpers.h"

namespace kuzo::testing {

struct MediaScene {
  HostState host;
  std::map<std::string, std::string, std::less<>> files;
  // The scene frees its components (which hand their items back) before the media system goes.
  std::unique_ptr<media::MediaSystem> media;
  TKuzoBaseList scene;
  std::vector<int16_t> mix;  // everything rendered so far, stereo frames from time 0

  explicit MediaScene(bool withMedia = true, int32_t width = 64, int32_t height = 48) : scene(&host, width, height) {
    RegisterStandardComponents(scene);
    if (withMedia) media = std::make_unique<media::MediaSystem>(Files(), media::MediaSettings{true, 500, "/nonexistent.sf2"});
    ServiceSlots slots = scene.Slots();
    slots.media = media.get();
    slots.clock = &host;
    scene.SetSlots(slots);
  }

  media::MediaFiles Files() {
    media::MediaFiles f;
    f.openRange = [this](std::string_view name) -> std::unique_ptr<TRangeStream> {
      auto it = files.find(name);
      if (it == files.end()) throw KuzoError(std::string(name) + ":ファイルがありません");
      return media::testing::StreamOver(it->second);
    };
    f.readFile = [this](std::string_view name) {
      auto it = files.find(name);
      if (it == files.end()) throw KuzoError(std::string(name) + ":ファイルがありません");
      return it->second;
    };
    f.exists = [this](std::string_view name) { return files.count(name) > 0; };
    return f;
  }

  // A stereo wave of `ms` milliseconds holding one constant value.
  void AddTone(const std::string& name, int ms, int32_t value = 16000) {
    files[name] = media::testing::MakeWav(44100, 2, 16, std::vector<int32_t>(size_t(ms) * 441 / 10 * 2, value));
  }

  template <typename T>
  T* Create(const std::string& name) {
    auto* obj = static_cast<T*>(scene.CreateByKind(T::kKindCode));
    obj->SetName(name);
    return obj;
  }

  // Renders the mix up to the current game time.
  void Render() {
    if (!media) return;
    const size_t want = static_cast<size_t>(media::MsToFrames(host.gameClockMs));
    const size_t have = mix.size() / 2;
    if (want <= have) return;
    std::vector<int16_t> block((want - have) * 2);
    media->Engine().Mixer().Mix(block.data(), want - have);
    mix.insert(mix.end(), block.begin(), block.end());
  }

  // One frame tick of `ms`: the mix advances to the new time, then the scene ticks.
  void Step(int ms) {
    host.frameDeltaMs = ms;
    host.gameClockMs += ms;
    Render();
    scene.Tick();
  }

  // Queued events of `code` raised by `sender`.
  int EventsOf(const TKuzoObject* sender, uint8_t code) const {
    int n = 0;
    for (int i = 0; i < scene.Events().Count(); ++i) {
      const TTimerData& e = scene.Events().At(i);
      if (e.code == code && sender && e.sender == sender->Handle()) ++n;
    }
    return n;
  }

  // Level of one channel over [fromMs, toMs) in decibels relative to `reference`.
  double LevelDb(int channel, int fromMs, int toMs, double reference = 16000) const {
    const size_t from = static_cast<size_t>(media::MsToFrames(fromMs));
    const size_t to = std::min(static_cast<size_t>(media::MsToFrames(toMs)), mix.size() / 2);
    return media::testing::Db(media::testing::Rms(mix, channel, from, to) / reference);
  }
};

}  // namespace kuzo::testing
