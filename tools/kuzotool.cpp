// kuzotool: the command-line companion of the player (archives, expressions, pages, title builds).
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "tools/command.h"

namespace kuzo::tool {
namespace {

struct Entry {
  const char* usage;
  CommandFn fn;
};

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> registry;
  return registry;
}

}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, CommandFn fn) {
  Registry()[name] = Entry{usage, fn};
}

}  // namespace kuzo::tool

int main(int argc, char** argv) {
  using kuzo::tool::Registry;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || !Registry().count(args[0])) {
    std::FILE* out = args.empty() || Registry().count(args.empty() ? "" : args[0]) ? stdout : stderr;
    if (!args.empty() && args[0] != "--help" && args[0] != "-h") std::fprintf(stderr, "kuzotool: unknown command '%s'\n", args[0].c_str());
    std::fprintf(out, "usage:\n");
    for (const auto& [name, entry] : Registry()) std::fprintf(out, "  kuzotool %s\n", entry.usage);
    return args.empty() || args[0] == "--help" || args[0] == "-h" ? 0 : 2;
  }
  const auto& entry = Registry().at(args[0]);
  try {
    return entry.fn(std::vector<std::string>(args.begin() + 1, args.end()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kuzotool %s: %s\n", args[0].c_str(), e.what());
    return 1;
  }
}
