// Title builder: project source, page sources, and the output directory.
#include "authoring/title_builder.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "authoring/page_compiler.h"
#include "authoring/source_text.h"
#include "platform/cp932.h"
#include "platform/file_system.h"

namespace kuzo {
namespace fs = std::filesystem;
namespace {

using source::Lower;
using source::Trim;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

[[noreturn]] void Fail(const std::string& where, int line, const std::string& msg) {
  throw BuildError(where + ":" + std::to_string(line) + ": " + msg);
}

int32_t NumberOr(const std::string& where, int line, std::string_view text) {
  auto n = source::ParseNumber(text);
  if (!n) Fail(where, line, "expected a number, found \"" + platform::Cp932ToUtf8(Trim(text)) + "\"");
  return *n;
}

std::string StringOr(const std::string& where, int line, std::string_view text) {
  try {
    return source::ParseString(text);
  } catch (const std::invalid_argument& e) {
    Fail(where, line, e.what());
  }
}

ProjectVariable ParseDeclaration(const std::string& where, int line, std::string_view text) {
  ProjectVariable v;
  auto [first, rest] = source::FirstWord(text);
  if (Lower(first) == "status") std::tie(first, rest) = source::FirstWord(rest);  // every declaration is one
  const std::string t = Lower(first);
  if (t == "int" || t == "integer") v.type = 1;
  else if (t == "float") v.type = 2;
  else if (t == "flag" || t == "bool") v.type = 3;
  else if (t == "str" || t == "string") v.type = 4;
  else if (auto n = source::ParseNumber(t); n && *n >= 0 && *n <= 255) v.type = static_cast<uint8_t>(*n);
  else Fail(where, line, "unknown variable type \"" + first + "\"");
  std::string name = rest, value;
  if (const size_t eq = rest.find('='); eq != std::string::npos) {
    name = Trim(std::string_view(rest).substr(0, eq));
    value = Trim(std::string_view(rest).substr(eq + 1));
  }
  v.name = StringOr(where, line, name);
  if (v.name.empty()) Fail(where, line, "a variable needs a name");
  switch (v.type) {
    case 1: v.intValue = value.empty() ? 0 : NumberOr(where, line, value); break;
    case 2: {
      if (!value.empty()) {
        char* end = nullptr;
        v.floatValue = std::strtold(value.c_str(), &end);
        if (!end || *end != '\0') Fail(where, line, "expected a float, found \"" + value + "\"");
      }
      break;
    }
    case 3: {
      const std::string f = value;
      if (f.empty() || f == "FALSE") v.flagValue = false;
      else if (f == "TRUE") v.flagValue = true;
      else Fail(where, line, "a flag is TRUE or FALSE");
      break;
    }
    case 4: v.strValue = StringOr(where, line, value); break;
    default:
      if (!value.empty()) Fail(where, line, "a variable of this type carries no value");
  }
  return v;
}

std::string ReadSource(const fs::path& path) {
  auto data = platform::ReadWholeFile(path);
  if (!data) throw BuildError(path.string() + ": cannot be read");
  return *data;
}

}  // namespace

std::string SourceToShiftJis(const std::string& sourceName, std::string_view utf8) {
  if (utf8.substr(0, kUtf8Bom.size()) == kUtf8Bom) utf8.remove_prefix(kUtf8Bom.size());
  if (auto s = platform::Utf8ToCp932Strict(utf8)) return *s;
  // Find the line that does not convert.
  int line = 1;
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t nl = utf8.find('\n', start);
    if (nl == std::string_view::npos) nl = utf8.size();
    if (!platform::Utf8ToCp932Strict(utf8.substr(start, nl - start)))
      Fail(sourceName, line, "not UTF-8, or a character without a Shift-JIS form");
    start = nl + 1;
    ++line;
  }
  Fail(sourceName, 1, "not UTF-8, or a character without a Shift-JIS form");
}

ProjectFile ParseProjectSource(const std::string& where, std::string_view text) {
  ProjectFile p;
  p.startPage = "main.ksb";
  p.soundExts = std::string(kOldSoundExts);
  int line = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    ++line;
    const std::string l = Trim(text.substr(pos, nl - pos));
    pos = nl + 1;
    if (l.empty() || l[0] == '#') continue;
    auto [key, value] = source::FirstWord(l);
    const std::string k = Lower(key);
    auto two = [&](int32_t& a, int32_t& b) {
      auto [x, y] = source::FirstWord(value);
      a = NumberOr(where, line, x);
      b = NumberOr(where, line, y);
    };
    if (k == "version") {
      const int32_t v = NumberOr(where, line, value);
      if (v < 0) Fail(where, line, "version must not be negative");
      p.version = static_cast<uint32_t>(v);
    } else if (k == "title") p.title = StringOr(where, line, value);
    else if (k == "size") two(p.width, p.height);
    else if (k == "fullsize") two(p.fullWidth, p.fullHeight);
    else if (k == "start") p.startPage = StoredPageName(StringOr(where, line, value));
    else if (k == "exit") p.exitPage = StoredPageName(StringOr(where, line, value));
    else if (k == "registry") p.registryKey = StringOr(where, line, value);
    else if (k == "imageoption") p.imageOption = NumberOr(where, line, value);
    else if (k == "savestatus") p.saveStatusOnExit = static_cast<uint8_t>(NumberOr(where, line, value));
    else if (k == "framewait") p.frameWait = static_cast<uint8_t>(NumberOr(where, line, value));
    else if (k == "soundexts") p.soundExts = StringOr(where, line, value);
    else if (k == "diskprompt") p.diskPrompt = StringOr(where, line, value);
    else if (k == "exitprompt") p.exitPrompt = StringOr(where, line, value);
    else if (k == "var") p.variables.push_back(ParseDeclaration(where, line, value));
    else if (k == "disk") {
      auto items = source::SplitList(value);
      if (items.size() != 2) Fail(where, line, "disk needs: folder, number");
      p.folderDisks.emplace_back(StringOr(where, line, items[0]), NumberOr(where, line, items[1]));
    } else {
      Fail(where, line, "unknown project setting \"" + key + "\"");
    }
  }
  return p;
}

std::vector<std::unique_ptr<TPage>> CompilePages(const std::vector<std::pair<std::string, std::string>>& sources) {
  std::vector<std::unique_ptr<TPage>> pages;
  std::vector<LabelFixup> fixups;
  PageCompiler compiler;
  for (const auto& [name, utf8] : sources) {
    const std::string text = SourceToShiftJis(name, utf8);
    pages.push_back(compiler.Compile(name, PageNameOfSource(name), text, fixups));
  }
  ResolveFixups(pages, fixups);
  return pages;
}

BuiltTitle BuildTitle(const fs::path& srcDir, const fs::path& outDir) {
  if (!fs::is_directory(srcDir)) throw BuildError(srcDir.string() + ": not a directory");
  std::vector<std::pair<std::string, std::string>> pageSources;
  std::vector<fs::path> others;
  std::string projectText, originalText;
  bool haveProject = false, haveOriginal = false;
  std::vector<fs::path> entries;
  for (const auto& e : fs::recursive_directory_iterator(srcDir))
    if (e.is_regular_file()) entries.push_back(fs::relative(e.path(), srcDir));
  std::sort(entries.begin(), entries.end());
  for (const auto& rel : entries) {
    const std::string relName = rel.generic_string();
    if (Lower(rel.extension().string()) == kPageSourceExtension) {
      pageSources.emplace_back(relName, ReadSource(srcDir / rel));
    } else if (Lower(relName) == kProjectSourceName) {
      projectText = SourceToShiftJis(relName, ReadSource(srcDir / rel));
      haveProject = true;
    } else if (Lower(relName) == kOriginalProjectSourceName) {
      originalText = SourceToShiftJis(relName, ReadSource(srcDir / rel));
      haveOriginal = true;
    } else {
      others.push_back(rel);
    }
  }
  auto pages = CompilePages(pageSources);
  ProjectFile project = ParseProjectSource(std::string(kProjectSourceName), haveProject ? projectText : std::string());

  // Everything compiled: now write.
  BuiltTitle built;
  fs::create_directories(outDir);
  auto write = [&](const fs::path& rel, std::string_view bytes) {
    fs::create_directories((outDir / rel).parent_path());
    platform::WriteFileAtomic(outDir / rel, bytes);
    built.files.push_back(rel);
  };
  for (size_t i = 0; i < pages.size(); ++i) {
    ByteWriter w;
    pages[i]->Write(w);
    fs::path rel = fs::path(pageSources[i].first).replace_extension(".ksb");
    write(rel, w.Str());
  }
  {
    ByteWriter w;
    project.Write(w);
    write(fs::path(std::string(kProjectFileName)), w.Str());
  }
  if (haveOriginal) {
    ProjectFile original = ParseProjectSource(std::string(kOriginalProjectSourceName), originalText);
    ByteWriter w;
    original.Write(w);
    write(fs::path(std::string(kOriginalProjectFileName).substr(1)), w.Str());
  }
  for (const auto& rel : others) {
    if (fs::exists(outDir / rel) && fs::equivalent(srcDir / rel, outDir / rel)) continue;
    auto data = platform::ReadWholeFile(srcDir / rel);
    if (!data) throw BuildError((srcDir / rel).string() + ": cannot be read");
    write(rel, *data);
  }
  return built;
}

}  // namespace kuzo
