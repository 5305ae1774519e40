// The message windows' text cache: script pages read through the game files and kept parsed, four
// at a time, most recently used first, so a window can get the stored glyph list of the text
// command it refers to (after a load, and for the history).
#pragma once

#include <list>
#include <memory>
#include <optional>
#include <string>

#include "scene/script_text_source.h"
#include "script/page.h"

namespace kuzo {

class TVrFileManager;

constexpr size_t kMesTextCachePages = 4;

class TMesDataCacheList : public ScriptTextSource {
 public:
  // Pages come from `files` (null: every page is missing).
  explicit TMesDataCacheList(TVrFileManager* files);
  ~TMesDataCacheList() override;

  std::optional<std::string> CommandGlyphs(const std::string& file, int32_t command) override;
  bool FileExists(const std::string& file) override;
  // Names of the cached pages, most recently used first (for tests).
  std::list<std::string> CachedNames() const;
  void Clear() { pages_.clear(); }

 private:
  TPage* PageNamed(const std::string& file);

  TVrFileManager* files_;
  std::list<std::unique_ptr<TPage>> pages_;
};

}  // namespace kuzo
