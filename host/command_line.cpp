// Command-line parsing: a table of options, each with the number of values it takes and the code
// that stores them into LaunchOptions.
#include "host/command_line.h"

#include <charconv>
#include <functional>
#include <limits>

#include "core/errors.h"
#include "core/sjis.h"
#include "host/host_clock.h"

namespace kuzo::host {
namespace {

constexpr std::string_view kConfigArg = "/config";
constexpr int64_t kMaxTicks = int64_t{1} << 40;
constexpr int32_t kMaxDeltaMs = 3000;  // a longer delta would be dropped as a stall

template <typename T>
T ParseNumber(const std::string& option, const std::string& text, T lo, T hi) {
  T value{};
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (text.empty() || ec != std::errc() || ptr != last || value < lo || value > hi) {
    throw KuzoError(Format("%s: '%s' is not a number from %lld to %lld", option.c_str(), text.c_str(),
                           static_cast<long long>(lo), static_cast<long long>(hi)));
  }
  return value;
}

struct OptionSpec {
  const char* name;
  const char* valueHelp;  // nullptr: a switch without value
  const char* help;
  std::function<void(LaunchOptions&, const std::string& name, const std::string& value)> apply;
};

const std::vector<OptionSpec>& Options() {
  static const std::vector<OptionSpec> options = {
      {"--headless", nullptr, "run without window or audio on a virtual clock",
       [](LaunchOptions& o, const std::string&, const std::string&) { o.headless = true; }},
      {"--ticks", "N", "headless: number of frame ticks to run",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         o.ticks = ParseNumber<int64_t>(n, v, 0, kMaxTicks);
       }},
      {"--delta", "MS", "headless: virtual milliseconds per tick (1-3000)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         o.deltaMs = ParseNumber<int32_t>(n, v, 1, kMaxDeltaMs);
       }},
      {"--seed", "N", "seed of the run-time random generator (default: the time of day)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         o.seed = ParseNumber<uint32_t>(n, v, 0, std::numeric_limits<uint32_t>::max());
       }},
      {"--date", "\"YYYY-MM-DD HH:MM:SS\"", "headless: local date and time the virtual clock starts at (default 2000-01-01 00:00:00)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         o.startDate = ParseCivilDateTime(v);
         if (!o.startDate) throw KuzoError(Format("%s: '%s' is not a date \"YYYY-MM-DD HH:MM:SS\"", n.c_str(), v.c_str()));
       }},
      {"--trace", "FILE", "write a line per executed script command and started event handler",
       [](LaunchOptions& o, const std::string&, const std::string& v) { o.traceFile = v; }},
      {"--dump-vars", "FILE", "write the script variables at exit, one per line",
       [](LaunchOptions& o, const std::string&, const std::string& v) { o.dumpVarsFile = v; }},
      {"--audio-out", "FILE.wav", "headless: write the whole run's sound (44100 Hz 16-bit stereo from time 0) as a wave file",
       [](LaunchOptions& o, const std::string&, const std::string& v) { o.audioOutFile = v; }},
      {"--screenshot", "TICK:FILE", "after drawing tick TICK, write the frame as PNG (repeatable)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         const size_t colon = v.find(':');
         if (colon == std::string::npos || colon + 1 >= v.size())
           throw KuzoError(Format("%s needs TICK:FILE, not \"%s\"", n.c_str(), v.c_str()));
         o.screenshots.emplace_back(ParseNumber<int64_t>(n, v.substr(0, colon), 1, kMaxTicks), v.substr(colon + 1));
       }},
      {"--input", "FILE", "headless: scripted input, one \"TICK event ...\" a line",
       [](LaunchOptions& o, const std::string&, const std::string& v) { o.inputFile = v; }},
      {"--dump-scene", "FILE", "write every component at exit, one per line",
       [](LaunchOptions& o, const std::string&, const std::string& v) { o.dumpSceneFile = v; }},
      {"--reload-at", "TICK[,TICK...]",
       "headless: at the end of each TICK save the game to a memory slot and load it back (repeatable)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         size_t start = 0;
         while (true) {
           const size_t comma = v.find(',', start);
           o.reloadTicks.push_back(ParseNumber<int64_t>(n, v.substr(start, comma - start), 1, kMaxTicks));
           if (comma == std::string::npos) break;
           start = comma + 1;
         }
       }},
      {"--scale", "MODE", "window scaling: smooth (default), sharp (nearest pixel) or integer (whole multiples)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) {
         if (v != "smooth" && v != "sharp" && v != "integer") {
           throw KuzoError(Format("%s: '%s' is not smooth, sharp or integer", n.c_str(), v.c_str()));
         }
         o.scale = v;
       }},
      {"--window-zoom", "N", "open the window at N times the scene size (1-8; smaller when it does not fit)",
       [](LaunchOptions& o, const std::string& n, const std::string& v) { o.windowZoom = ParseNumber<int32_t>(n, v, 1, 8); }},
      {"--help", nullptr, "show this text",
       [](LaunchOptions& o, const std::string&, const std::string&) { o.help = true; }},
  };
  return options;
}

}  // namespace

LaunchOptions ParseCommandLine(const std::vector<std::string>& args) {
  LaunchOptions out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i == 0 && sjis::EqualsNoCase(arg, kConfigArg)) {
      out.config = true;
      continue;
    }
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::string name = arg;
      std::string value;
      bool inlineValue = false;
      if (size_t eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        inlineValue = true;
      }
      const OptionSpec* spec = nullptr;
      for (const auto& s : Options()) {
        if (name == s.name) spec = &s;
      }
      if (!spec) throw KuzoError(Format("unknown option %s (see --help)", name.c_str()));
      if (spec->valueHelp && !inlineValue) {
        if (i + 1 >= args.size()) throw KuzoError(Format("%s needs a value %s", name.c_str(), spec->valueHelp));
        value = args[++i];
      } else if (!spec->valueHelp && inlineValue) {
        throw KuzoError(Format("%s takes no value", name.c_str()));
      }
      spec->apply(out, name, value);
      continue;
    }
    out.titleArgs.push_back(arg);
  }
  if (out.help) return out;
  if (out.config && out.headless) throw KuzoError("/config cannot run headless");
  // A window plays through the sound card; only a headless run renders its mix to a file.
  if (!out.audioOutFile.empty() && !out.headless) throw KuzoError("--audio-out needs --headless");
  if (!out.reloadTicks.empty() && !out.headless) throw KuzoError("--reload-at needs --headless");
  // Headless without a title plays the title appended to the player's own executable.
  return out;
}

std::string UsageText() {
  std::string text =
      "usage: kuzoplayer [OPTIONS] [GAMEDIR... | TITLE.exe]\n"
      "       kuzoplayer /config\n"
      "options:\n";
  for (const auto& s : Options()) {
    std::string left = std::string("  ") + s.name + (s.valueHelp ? std::string(" ") + s.valueHelp : "");
    if (left.size() < 24) left.resize(24, ' ');
    text += left + " " + s.help + "\n";
  }
  return text;
}

}  // namespace kuzo::host
