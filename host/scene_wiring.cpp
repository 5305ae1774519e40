// The headless test options of the scene: scripted input, screenshots and the scene dump.
#include "host/scene_wiring.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "components/kuzo_mes.h"
#include "core/errors.h"
#include "graphics/png_writer.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "scene/kuzo_base_list.h"
#include "text/row_dump.h"

namespace kuzo::host {
namespace {

constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;
constexpr int kBothButtons = -1;
constexpr int kKeyCodeLimit = 256;

std::string EscapeName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      out += Format("\\x%02X", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool ParseInt(const std::string& word, int64_t& out) {
  auto [p, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
  return ec == std::errc() && p == word.data() + word.size();
}

void Apply(TKuzoBaseList& scene, const ScriptedInput& in) {
  switch (in.kind) {
    case ScriptedInput::Kind::kMove: scene.UpdateMousePosition(in.x, in.y); break;
    case ScriptedInput::Kind::kDown: scene.MouseDown(in.x); break;
    case ScriptedInput::Kind::kUp:
      if (in.x == kBothButtons) {
        scene.MouseUp(kLeftButton);
        scene.MouseUp(kRightButton);
      } else {
        scene.MouseUp(in.x);
      }
      break;
    case ScriptedInput::Kind::kKeyDown:
      scene.SetKeyState(in.x, true);
      scene.SetKeyPressed(in.x);
      break;
    case ScriptedInput::Kind::kKeyUp: scene.SetKeyState(in.x, false); break;
    case ScriptedInput::Kind::kWheel: scene.Wheel(in.x == 1); break;
  }
}

}  // namespace

namespace {

TKuzoBaseList* SceneOf(Runtime& runtime) {
  PlayerScene* scene = runtime.GetScene();
  return scene ? &scene->Model() : nullptr;
}

}  // namespace

std::vector<ScriptedInput> ParseInputScript(const std::string& text, const std::string& fileName) {
  std::vector<ScriptedInput> out;
  std::istringstream lines(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(lines, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty() || w[0][0] == '#') continue;
    auto fail = [&](const char* why) -> void {
      throw KuzoError(Format("%s:%d: %s", fileName.c_str(), lineNo, why));
    };
    ScriptedInput in;
    int64_t tick = 0;
    if (w.size() < 2 || !ParseInt(w[0], tick) || tick < 1) fail("expected a tick number (1 or more) and an event");
    in.tick = tick;
    const std::string& ev = w[1];
    auto number = [&](size_t i, int64_t lo, int64_t hi) -> int32_t {
      int64_t v = 0;
      if (i >= w.size() || !ParseInt(w[i], v) || v < lo || v > hi) fail("number missing or out of range");
      return static_cast<int32_t>(v);
    };
    auto button = [&](size_t i) -> int32_t {
      if (i >= w.size()) return kBothButtons;
      if (w[i] == "left") return kLeftButton;
      if (w[i] == "right") return kRightButton;
      fail("button must be left or right");
      return kBothButtons;
    };
    size_t expected = 2;
    if (ev == "mousemove") {
      in.kind = ScriptedInput::Kind::kMove;
      in.x = number(2, INT32_MIN, INT32_MAX);
      in.y = number(3, INT32_MIN, INT32_MAX);
      expected = 4;
    } else if (ev == "mousedown") {
      in.kind = ScriptedInput::Kind::kDown;
      if (w.size() < 3) fail("mousedown needs left or right");
      in.x = button(2);
      expected = 3;
    } else if (ev == "mouseup") {
      in.kind = ScriptedInput::Kind::kUp;
      in.x = button(2);
      expected = w.size() > 2 ? 3 : 2;
    } else if (ev == "keydown" || ev == "keyup") {
      in.kind = ev == "keydown" ? ScriptedInput::Kind::kKeyDown : ScriptedInput::Kind::kKeyUp;
      in.x = number(2, 0, kKeyCodeLimit - 1);
      expected = 3;
    } else if (ev == "wheel") {
      in.kind = ScriptedInput::Kind::kWheel;
      if (w.size() < 3 || (w[2] != "up" && w[2] != "down")) fail("wheel needs up or down");
      in.x = w[2] == "down" ? 1 : 0;
      expected = 3;
    } else {
      fail("unknown event (mousemove, mousedown, mouseup, keydown, keyup, wheel)");
    }
    if (w.size() != expected) fail("unexpected words after the event");
    out.push_back(in);
  }
  return out;
}

std::string DumpScene(const TKuzoBaseList& scene) {
  std::string out;
  for (int i = 0; i < scene.GetObjectCount(); ++i) {
    const TKuzoObject* obj = scene.GetObject(i);
    if (obj->GetName().empty()) continue;  // scheduled for deletion
    const TKuzoControl* parent = obj->Parent();
    const TRect r = obj->GetScreenRect();
    out += Format("%s\t%d\t%s\t%d\t%d\t%lld\t%lld\t%d\t%d\n", EscapeName(obj->GetName()).c_str(), obj->KindCode(),
                  parent ? EscapeName(parent->GetName()).c_str() : "", r.left, r.top,
                  static_cast<long long>(obj->GetIntProp(PR_WIDTH)), static_cast<long long>(obj->GetIntProp(PR_HEIGHT)),
                  obj->GetBoolProp(PR_VISIBLE) ? 1 : 0, obj->GetIntProp(PR_ALPHA));
    // A message window's shown page follows as its rows, in the window's coordinates.
    if (const auto* mes = dynamic_cast<const TKuzoMes*>(obj); mes && mes->ShownPage()) {
      const auto& rows = mes->ShownPage()->Rows;
      for (size_t r = 0; r < rows.size(); ++r)
        out += "\t" + RowLine(*rows[r], mes->GetIndex(), static_cast<int>(r), 0, 0) + "\n";
    }
  }
  return out;
}

void AttachSceneHooks(HeadlessHooks& hooks, const SceneOptions& options) {
  if (!options.inputFile.empty()) {
    std::ifstream f(options.inputFile, std::ios::binary);
    if (!f) throw KuzoError(Format("--input: cannot read %s", options.inputFile.c_str()));
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    auto events = std::make_shared<std::vector<ScriptedInput>>(ParseInputScript(text, options.inputFile));
    hooks.beforeTick.push_back([events](Runtime& rt, int64_t tick) {
      TKuzoBaseList* scene = SceneOf(rt);
      if (!scene) return;
      for (const ScriptedInput& in : *events)
        if (in.tick == tick) Apply(*scene, in);
    });
  }
  if (!options.screenshots.empty()) {
    auto shots = options.screenshots;
    hooks.afterTick.push_back([shots](Runtime& rt, int64_t tick) {
      TKuzoBaseList* scene = SceneOf(rt);
      if (!scene || !scene->SceneSurface()) return;
      for (const auto& [when, file] : shots) {
        if (when != tick) continue;
        try {
          WritePngFile(*scene->SceneSurface(), file);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "kuzoplayer: --screenshot: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
        }
      }
    });
  }
  if (!options.dumpSceneFile.empty()) {
    std::string file = options.dumpSceneFile;
    hooks.beforeShutdown.push_back([file](Runtime& rt) {
      TKuzoBaseList* scene = SceneOf(rt);
      try {
        platform::WriteFileAtomic(file, scene ? DumpScene(*scene) : std::string());
      } catch (const std::exception& e) {
        std::fprintf(stderr, "kuzoplayer: --dump-scene: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
      }
    });
  }
}

}  // namespace kuzo::host
