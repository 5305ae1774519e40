// Script pages compiled from source text and served from memory as game files, for fuzzers,
// benchmarks and tools that run a small title without writing it to disk.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "script/script_services.h"

namespace kuzo {

class CompiledPageFiles : public ScriptFiles {
 public:
  // (source name, UTF-8 text) pairs, compiled with labels resolved across pages; raises BuildError.
  explicit CompiledPageFiles(const std::vector<std::pair<std::string, std::string>>& sources);

  std::string ReadFile(const std::string& name) override;
  bool Exists(const std::string& name) override { return files_.count(name) != 0; }

 private:
  std::map<std::string, std::string> files_;  // page name -> stored page bytes
};

}  // namespace kuzo
