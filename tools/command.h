// Registry of kuzotool's commands: each command file registers one top-level word.
#pragma once

#include <string>
#include <vector>

namespace kuzo::tool {

// Runs the command with the words after its name; returns the process exit status.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandRegistration {
  CommandRegistration(const char* name, const char* usage, CommandFn fn);
};

}  // namespace kuzo::tool
