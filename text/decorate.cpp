// Interning table of character styles.
#include "text/decorate.h"

namespace kuzo {

TDecorate* TDecorateList::Acquire(const TDecorate& attributes) {
  for (auto& r : records_) {
    if (r->SameAttributes(attributes)) {
      ++r->RefCount;
      return r.get();
    }
  }
  auto record = std::make_unique<TDecorate>(attributes);
  record->RefCount = 1;
  records_.push_back(std::move(record));
  return records_.back().get();
}

void TDecorateList::Release(TDecorate* style) {
  if (!style) return;
  if (--style->RefCount > 0) return;
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].get() == style) {
      records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

TDecorate* TDecorateList::Change(TDecorate* current, const TDecorate& attributes) {
  for (auto& r : records_) {
    if (r->SameAttributes(attributes)) {
      if (r.get() == current) return current;
      ++r->RefCount;
      Release(current);
      return r.get();
    }
  }
  if (current && current->RefCount == 1) {
    int32_t count = current->RefCount;
    *current = attributes;
    current->RefCount = count;
    return current;
  }
  Release(current);
  auto record = std::make_unique<TDecorate>(attributes);
  record->RefCount = 1;
  records_.push_back(std::move(record));
  return records_.back().get();
}

TDecorate* TDecorateList::AddStored(const TDecorate& record) {
  records_.push_back(std::make_unique<TDecorate>(record));
  return records_.back().get();
}

int TDecorateList::IndexOf(const TDecorate* style) const {
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].get() == style) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace kuzo
