// Read marks: lookup by file name without regard to case, one pair stored once, and the record.
#include "components/read_marks.h"

#include "core/byte_reader.h"
#include "core/sjis.h"

namespace kuzo {

std::string TKuzoReadList::Key(std::string_view file) { return sjis::ToUpper(file); }

bool TKuzoReadList::IsRead(std::string_view file, int32_t command, int32_t page) const {
  auto it = index_.find(Key(file));
  if (it == index_.end()) return false;
  const TKuzoRead& item = items_[it->second];
  for (size_t i = 0; i < item.commands.size(); ++i) {
    if (item.commands[i] == command && item.pages[i] == page) return true;
  }
  return false;
}

void TKuzoReadList::SetPending(const std::string& window, const std::string& file, int32_t page, int32_t command) {
  pendingWindow_ = window;
  pendingFile_ = file;
  pendingPage_ = page;
  pendingCommand_ = command;
}

TKuzoRead& TKuzoReadList::ItemFor(const std::string& file) {
  auto [it, added] = index_.try_emplace(Key(file), items_.size());
  if (added) items_.push_back(TKuzoRead{file, {}, {}});
  return items_[it->second];
}

void TKuzoReadList::CommitPending(std::string_view window) {
  if (pendingFile_.empty() || window != pendingWindow_) return;
  if (!IsRead(pendingFile_, pendingCommand_, pendingPage_)) {
    TKuzoRead& item = ItemFor(pendingFile_);
    item.commands.push_back(pendingCommand_);
    item.pages.push_back(pendingPage_);
  }
  pendingFile_.clear();
}

void TKuzoReadList::Clear() {
  items_.clear();
  index_.clear();
  pendingFile_.clear();
  pendingWindow_.clear();
  pendingCommand_ = pendingPage_ = 0;
}

void TKuzoReadList::SaveToStream(ByteWriter& w) const {
  w.U32(static_cast<uint32_t>(items_.size()));
  for (const TKuzoRead& item : items_) {
    w.String(item.file);
    w.U32(static_cast<uint32_t>(item.commands.size()));
    for (int32_t c : item.commands) w.I32(c);
    for (int32_t p : item.pages) w.I32(p);
  }
  w.String(pendingFile_);
  w.I32(pendingCommand_);
  w.I32(pendingPage_);
  w.String(pendingWindow_);
}

void TKuzoReadList::LoadFromStream(ByteReader& r, uint32_t version) {
  TKuzoReadList fresh;
  if (version >= kReadMarksSavedSince) {
    const uint32_t count = r.Count(4 + 4, "read-mark file count");
    for (uint32_t i = 0; i < count; ++i) {
      std::string file = r.String("read-mark file");
      const uint32_t pairs = r.Count(8, "read-mark count");
      TKuzoRead& item = fresh.ItemFor(file);
      // A file named twice (a damaged or hand-edited record) merges into one item.
      const size_t base = item.commands.size();
      item.commands.resize(base + pairs);
      item.pages.resize(base + pairs);
      for (uint32_t k = 0; k < pairs; ++k) item.commands[base + k] = r.I32("read command");
      for (uint32_t k = 0; k < pairs; ++k) item.pages[base + k] = r.I32("read page");
    }
    fresh.pendingFile_ = r.String("pending file");
    fresh.pendingCommand_ = r.I32("pending command");
    fresh.pendingPage_ = r.I32("pending page");
    fresh.pendingWindow_ = r.String("pending window");
  }
  *this = std::move(fresh);
}

}  // namespace kuzo
