// Interning table of character styles.
#include "text/decorate.h"

#include <functional>

namespace kuzo {
namespace {

size_t HashOf(const TDecorate& d) {
  size_t h = std::hash<std::string>()(d.FontName) ^ (std::hash<std::string>()(d.Ruby) * 31);
  for (int32_t v : {d.Color, d.BorderColor, d.ShadowColor, d.Size, static_cast<int32_t>(d.Style),
                    static_cast<int32_t>(d.NoBreak), d.BorderWidth, d.ShadowWidth}) {
    h = h * 1000003u ^ static_cast<uint32_t>(v);
  }
  return h;
}

}  // namespace

TDecorate* TDecorateList::Find(const TDecorate& attributes) const {
  auto [first, last] = index_.equal_range(HashOf(attributes));
  for (auto it = first; it != last; ++it) {
    if (it->second->SameAttributes(attributes)) return it->second;
  }
  return nullptr;
}

void TDecorateList::Index(TDecorate* record) { index_.emplace(HashOf(*record), record); }

void TDecorateList::Unindex(TDecorate* record) {
  auto [first, last] = index_.equal_range(HashOf(*record));
  for (auto it = first; it != last; ++it) {
    if (it->second == record) {
      index_.erase(it);
      return;
    }
  }
}

TDecorate* TDecorateList::Acquire(const TDecorate& attributes) {
  if (TDecorate* found = Find(attributes)) {
    ++found->RefCount;
    return found;
  }
  auto record = std::make_unique<TDecorate>(attributes);
  record->RefCount = 1;
  records_.push_back(std::move(record));
  Index(records_.back().get());
  return records_.back().get();
}

void TDecorateList::Release(TDecorate* style) {
  if (!style) return;
  if (--style->RefCount > 0) return;
  for (size_t i = records_.size(); i-- > 0;) {
    if (records_[i].get() == style) {
      Unindex(style);
      records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

TDecorate* TDecorateList::Change(TDecorate* current, const TDecorate& attributes) {
  if (TDecorate* found = Find(attributes)) {
    if (found == current) return current;
    ++found->RefCount;
    Release(current);
    return found;
  }
  if (current && current->RefCount == 1) {
    Unindex(current);
    int32_t count = current->RefCount;
    *current = attributes;
    current->RefCount = count;
    Index(current);
    return current;
  }
  Release(current);
  return Acquire(attributes);
}

TDecorate* TDecorateList::AddStored(const TDecorate& record) {
  records_.push_back(std::make_unique<TDecorate>(record));
  Index(records_.back().get());
  return records_.back().get();
}

int TDecorateList::IndexOf(const TDecorate* style) const {
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].get() == style) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace kuzo
