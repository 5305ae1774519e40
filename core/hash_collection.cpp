// Bucket chains and positions of the name-hashed collection.
#include "core/hash_collection.h"

#include <algorithm>

#include "core/sjis.h"

namespace kuzo {

int THashCollection::BucketOf(std::string_view name) {
  // Lower-casing does not change the length, and the hashed bytes are the folded ones.
  size_t len = name.size();
  uint32_t h = static_cast<uint32_t>(len) * 16;
  if (len >= 2) {
    std::string lower = sjis::ToLower(name);
    h += static_cast<uint8_t>(lower[0]) + static_cast<uint8_t>(lower[len - 2]);
  }
  return static_cast<int>(h % kBucketCount);
}

void THashCollectionItem::SetName(std::string name) {
  if (name == name_) return;
  if (owner_) owner_->Unlink(this);
  name_ = std::move(name);
  if (owner_) owner_->Link(this);
}

THashCollection::~THashCollection() { Clear(); }

THashCollectionItem& THashCollection::Adopt(std::unique_ptr<THashCollectionItem> item) {
  THashCollectionItem* raw = item.get();
  raw->owner_ = this;
  raw->cachedIndex_ = Count();
  items_.push_back(std::move(item));
  Link(raw);
  return *raw;
}

THashCollectionItem* THashCollection::ItemAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void THashCollection::Link(THashCollectionItem* item) {
  int b = BucketOf(item->name_);
  item->bucket_ = b;
  item->prevInBucket_ = nullptr;
  item->nextInBucket_ = heads_[b];
  if (heads_[b]) heads_[b]->prevInBucket_ = item;
  heads_[b] = item;
}

void THashCollection::Unlink(THashCollectionItem* item) {
  if (item->bucket_ < 0) return;
  if (item->prevInBucket_) {
    item->prevInBucket_->nextInBucket_ = item->nextInBucket_;
  } else {
    heads_[item->bucket_] = item->nextInBucket_;
  }
  if (item->nextInBucket_) item->nextInBucket_->prevInBucket_ = item->prevInBucket_;
  item->prevInBucket_ = item->nextInBucket_ = nullptr;
  item->bucket_ = -1;
}

int THashCollection::IndexOf(std::string_view name) const {
  const THashCollectionItem* item = Find(name);
  return item ? item->cachedIndex_ : -1;
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
  for (THashCollectionItem* it = heads_[BucketOf(name)]; it; it = it->nextInBucket_) {
    if (sjis::EqualsNoCase(it->name_, name)) return it;
  }
  return nullptr;
}

void THashCollection::Renumber(int from, int to) {
  for (int i = from; i < to; ++i) items_[static_cast<size_t>(i)]->cachedIndex_ = i;
}

std::unique_ptr<THashCollectionItem> THashCollection::Extract(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  std::unique_ptr<THashCollectionItem> item = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  Renumber(index, Count());
  Unlink(item.get());
  item->owner_ = nullptr;
  item->cachedIndex_ = -1;
  return item;
}

void THashCollection::Delete(int index) { Extract(index).reset(); }

void THashCollection::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  auto item = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  Renumber(std::min(from, to), std::max(from, to) + 1);
}

void THashCollection::Clear() {
  heads_.fill(nullptr);
  for (auto& item : items_) {
    item->owner_ = nullptr;
    item->bucket_ = -1;
    item->prevInBucket_ = item->nextInBucket_ = nullptr;
  }
  items_.clear();
}

}  // namespace kuzo
