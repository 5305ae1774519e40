// The title builder: compiles a title written in readable text (UTF-8 sources) into the files the
// player reads: "kuzo.kpb" from "kuzo.kpt", one ".ksb" page per ".kss" source, and every other file
// copied as it is.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "script/page.h"
#include "script/project_file.h"

namespace kuzo {

constexpr std::string_view kProjectSourceName = "kuzo.kpt";
constexpr std::string_view kOriginalProjectSourceName = "original_kuzo.kpt";
constexpr std::string_view kPageSourceExtension = ".kss";

// Parses a project source (Shift-JIS text); raises BuildError "file:line: message".
ProjectFile ParseProjectSource(const std::string& sourceName, std::string_view text);

// UTF-8 source text to Shift-JIS (a leading byte-order mark is dropped); raises BuildError naming
// the file and line of the first character that has no Shift-JIS form.
std::string SourceToShiftJis(const std::string& sourceName, std::string_view utf8);

struct BuiltTitle {
  std::vector<std::filesystem::path> files;  // written, relative to the output directory
};

// Compiles every page of `srcDir` (labels resolved across pages), the project, and copies the other
// files into `outDir`. Raises BuildError on the first error; nothing is written then.
BuiltTitle BuildTitle(const std::filesystem::path& srcDir, const std::filesystem::path& outDir);

// Pages in memory, for tests: (source name, UTF-8 text) pairs compiled with cross-page labels.
std::vector<std::unique_ptr<TPage>> CompilePages(const std::vector<std::pair<std::string, std::string>>& sources);

}  // namespace kuzo
