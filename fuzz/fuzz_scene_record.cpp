// Fuzz harness for saved scene records: the first byte picks the data version, the rest is the
// record. A bad record must raise FormatError and leave a scene that still ticks and draws.
#include <memory>
#include <optional>
#include <string_view>

#include "components/drel_collection.h"
#include "components/standard_components.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "scene/kuzo_base_list.h"

namespace {

constexpr int32_t kVersions[] = {101, 102, 104, 114, 118, 119, 120, 130, 134};

// Pictures named by records come from an image cache without files: every one is the cache's
// empty frame.
kuzo::TDrelCollection& Pictures() {
  static kuzo::TDrelCollection cache([](std::string_view) -> std::optional<std::string> { return std::nullopt; });
  return cache;
}

std::unique_ptr<kuzo::TKuzoBaseList> MakeScene(kuzo::HostState& host) {
  auto scene = std::make_unique<kuzo::TKuzoBaseList>(&host, 64, 48);
  kuzo::RegisterStandardComponents(*scene);
  kuzo::ServiceSlots slots = scene->Slots();
  slots.images = &Pictures();
  scene->SetSlots(slots);
  return scene;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  kuzo::HostState host;
  host.frameDeltaMs = 16;
  auto scene = MakeScene(host);
  const int32_t version = kVersions[data[0] % std::size(kVersions)];
  kuzo::ByteReader in(std::span<const uint8_t>(data + 1, size - 1), "fuzz");
  try {
    scene->LoadFromStream(in, version);
  } catch (const kuzo::FormatError&) {
  }
  scene->ProcessInput();
  scene->Tick();
  scene->Draw();
  kuzo::ByteWriter out;
  scene->SaveToStream(out);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  for (int32_t version : {134, 118, 101}) {
    kuzo::HostState host;
    auto scene = MakeScene(host);
    auto* parent = scene->CreateByKind(kuzo::LT_BOX);
    auto* p = static_cast<kuzo::TKuzoControl*>(parent);
    p->SetName("panel");
    p->SetParent(scene->ActiveBase());
    p->SetBounds(4, 4, 40, 30);
    p->SetIntProp(kuzo::PR_ALPHA, 300);
    auto* child = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_BOX));
    child->SetName("button");
    child->SetParent(p);
    child->SetBounds(2, 2, 10, 8);
    child->SetIntProp(kuzo::PR_BORDERWIDTH, 2);
    child->SetIntProp(kuzo::PR_HANDLEKEY, 1);
    child->SetStrProp(kuzo::PR_ONLBTNUP, "main.ksb:clicked");
    // Pictures: a zoomed and turned image inside the panel, a button of a group, a scrolled tile.
    auto* image = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_IMAGES));
    image->SetName("image");
    image->SetParent(p);
    image->SetStrProp(kuzo::PR_SOURCE, "a.drl");
    image->SetIntProp(kuzo::PR_ZOOMX, 384);
    image->SetIntProp(kuzo::PR_ANGLE, 40);
    image->SetIntProp(kuzo::PR_BRIGHTNESS, 20);
    auto* button = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_BUTTON));
    button->SetName("pic button");
    button->SetParent(scene->ActiveBase());
    button->SetStrProp(kuzo::PR_SOURCE, "n.drl");
    button->SetStrProp(kuzo::PR_HOVERSOURCE, "h.drl");
    button->SetStrProp(kuzo::PR_CLICKEDSOURCE, "c.drl");
    button->SetIntProp(kuzo::PR_GROUPINDEX, 1);
    button->SetBoolProp(kuzo::PR_SELECTED, true);
    auto* tile = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_TILE));
    tile->SetName("tile");
    tile->SetParent(scene->ActiveBase());
    tile->SetStrProp(kuzo::PR_SOURCE, "t.drl");
    tile->SetBounds(0, 40, 64, 8);
    tile->SetIntProp(kuzo::PR_SCROLLX, -3);
    auto* cab = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_CABINET));
    cab->SetName("cab");
    cab->SetParent(scene->GetBaseAt(0));
    // Time-based components: a looping sound, a timer and a movie (silent without media).
    auto* sound = scene->CreateByKind(kuzo::LT_SOUND);
    sound->SetName("bgm");
    sound->SetStrProp(kuzo::PR_SOURCE, "music.ogg");
    sound->SetBoolProp(kuzo::PR_REPEAT, true);
    sound->SetIntProp(kuzo::PR_VOLUME, 700);
    sound->SetPlayState(0);
    auto* timer = scene->CreateByKind(kuzo::LT_TIMER);
    timer->SetName("clock");
    timer->SetIntProp(kuzo::PR_DELAY, 100);
    timer->SetStrProp(kuzo::PR_ONNOTIFY, "main.ksb:tick");
    auto* movie = static_cast<kuzo::TKuzoControl*>(scene->CreateByKind(kuzo::LT_VIDEO));
    movie->SetName("mv");
    movie->SetParent(scene->ActiveBase());
    movie->SetStrProp(kuzo::PR_SOURCE, "movie.mpg");
    std::vector<std::string> args = {"3", "4"};
    scene->QueueEvent(child, "main.ksb:ev", &args, kuzo::EV_LBTNUP);
    scene->ProcessInput();
    kuzo::ByteWriter w;
    scene->SaveToStream(w);
    std::string seed(1, static_cast<char>(std::find(std::begin(kVersions), std::end(kVersions), version) -
                                          std::begin(kVersions)));
    // Older versions read fewer fields; the newest writer's bytes still make useful mutations.
    seeds.push_back(seed + w.Str());
  }
  return seeds;
}
