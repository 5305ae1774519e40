// The player's command line: nothing, "/config", one or more game directories, or a title's
// executable; plus the options of headless test runs. Each option is one row of a table in
// command_line.cpp, so a new option is a new field here and a new row there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kuzo::host {

struct LaunchOptions {
  bool config = false;                // "/config": only the settings dialog
  std::vector<std::string> titleArgs; // game directories or a title's executable, as given
  bool headless = false;              // no window, no audio device, virtual clock
  int64_t ticks = 0;                  // headless: frame ticks to run
  int32_t deltaMs = 16;               // headless: virtual milliseconds between ticks
  std::optional<uint32_t> seed;       // fixed seed for the run-time random generator
  std::optional<int64_t> startDate;   // headless: local date the virtual clock starts at (seconds from 1970)
  std::string traceFile;              // one line per executed script command and started handler
  std::string dumpVarsFile;           // the script variables at exit
  std::string audioOutFile;           // headless: the mix of the whole run as a wave file
  std::vector<std::pair<int64_t, std::string>> screenshots;  // after drawing tick N, the frame as PNG
  std::string inputFile;              // headless: scripted mouse and key input
  std::string dumpSceneFile;          // every component at exit, one per line
  std::vector<int64_t> reloadTicks;   // headless: at the end of these ticks, save to memory and load back
  std::string scale = "smooth";       // window scaling: "smooth", "sharp" or "integer"
  int32_t windowZoom = 1;             // the window opens at this multiple of the scene size
  bool help = false;
};

// Parses argv[1..]. Raises KuzoError with a one-line message for an unknown option, a missing or
// malformed value, or a headless run without a title. "/config" is recognised only as the first
// argument, without regard to letter case.
LaunchOptions ParseCommandLine(const std::vector<std::string>& args);

// Usage text, one option a line.
std::string UsageText();

}  // namespace kuzo::host
