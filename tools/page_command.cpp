// kuzotool page dump FILE.ksb: prints a compiled page's commands readably.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/page_dump.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "script/page.h"
#include "tools/command.h"

namespace kuzo::tool {
namespace {

int RunPage(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "dump") {
    std::fprintf(stderr, "usage: kuzotool page dump FILE.ksb\n");
    return 2;
  }
  auto data = platform::ReadWholeFile(args[1]);
  if (!data) {
    std::fprintf(stderr, "kuzotool page: %s: cannot be read\n", args[1].c_str());
    return 1;
  }
  TPage page;
  try {
    page.Parse(std::filesystem::path(args[1]).filename().string(), *data);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kuzotool page: %s\n", platform::Cp932ToUtf8(e.what()).c_str());
    return 1;
  }
  std::fputs(DumpPage(page).c_str(), stdout);
  return 0;
}

CommandRegistration reg("page", "page dump FILE.ksb   print a compiled page's commands", &RunPage);

}  // namespace
}  // namespace kuzo::tool
