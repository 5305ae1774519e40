// The read-mark store (`TKuzoReadList`): per script file, the (text command, page) pairs whose page
// was revealed to its end, plus the one pending mark a message window sets when a page starts and
// commits when it finishes. Message windows ask it whether a page was read before.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kuzo {

class ByteReader;
class ByteWriter;

// Read-mark records of saves older than this are empty.
constexpr uint32_t kReadMarksSavedSince = 100;

struct TKuzoRead {
  std::string file;
  std::vector<int32_t> commands;  // parallel to pages
  std::vector<int32_t> pages;
};

class TKuzoReadList {
 public:
  bool IsRead(std::string_view file, int32_t command, int32_t page) const;
  void SetPending(const std::string& window, const std::string& file, int32_t page, int32_t command);
  // Marks the pending page read when it belongs to `window`; the pending mark is cleared.
  void CommitPending(std::string_view window);
  void Clear();

  int32_t FileCount() const { return static_cast<int32_t>(items_.size()); }
  const TKuzoRead& Item(int32_t i) const { return items_[static_cast<size_t>(i)]; }
  const std::string& PendingFile() const { return pendingFile_; }

  void SaveToStream(ByteWriter& w) const;
  // Reads into a fresh store and swaps it in, so a damaged record leaves this one unchanged.
  void LoadFromStream(ByteReader& r, uint32_t version);

 private:
  TKuzoRead& ItemFor(const std::string& file);
  static std::string Key(std::string_view file);

  std::vector<TKuzoRead> items_;
  std::unordered_map<std::string, size_t> index_;  // upper-cased file name -> item
  std::string pendingFile_;
  int32_t pendingCommand_ = 0;
  int32_t pendingPage_ = 0;
  std::string pendingWindow_;
};

}  // namespace kuzo
