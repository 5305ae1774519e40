// The message windows' text cache: whole pages parsed once and looked up by file name (letter case
// ignored), the least recently used page dropped beyond four.
#include "script/mes_text_cache.h"

#include "core/errors.h"
#include "core/sjis.h"
#include "data/file_manager.h"
#include "script/command_codes.h"
#include "script/page.h"

namespace kuzo {

TMesDataCacheList::TMesDataCacheList(TVrFileManager* files) : files_(files) {}
TMesDataCacheList::~TMesDataCacheList() = default;

TPage* TMesDataCacheList::PageNamed(const std::string& file) {
  for (auto it = pages_.begin(); it != pages_.end(); ++it) {
    if (sjis::EqualsNoCase((*it)->Name(), file)) {
      pages_.splice(pages_.begin(), pages_, it);
      return pages_.front().get();
    }
  }
  if (!files_ || !files_->Exists(file)) return nullptr;
  auto page = std::make_unique<TPage>();
  try {
    page->Parse(file, files_->ReadFile(file));
  } catch (const KuzoError&) {
    return nullptr;  // a damaged page gives no text, as a missing one does
  }
  pages_.push_front(std::move(page));
  while (pages_.size() > kMesTextCachePages) pages_.pop_back();
  return pages_.front().get();
}

std::optional<std::string> TMesDataCacheList::CommandGlyphs(const std::string& file, int32_t command) {
  TPage* page = PageNamed(file);
  if (!page || command < 0 || command >= page->Count()) return std::nullopt;
  TCommand& c = page->At(command);
  if (c.TypeCode() != Code(CommandCode::TextIns)) return std::nullopt;
  return c.fields[field::kTextGlyphs].text;
}

bool TMesDataCacheList::FileExists(const std::string& file) { return files_ && files_->Exists(file); }

std::list<std::string> TMesDataCacheList::CachedNames() const {
  std::list<std::string> names;
  for (const auto& p : pages_) names.push_back(p->Name());
  return names;
}

}  // namespace kuzo
