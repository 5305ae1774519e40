// Ordered collection of named items, also found by name without regard to case through a 256-bucket
// hash index. The archive directory, the variable table, the read marks and the image cache are
// built on it. Items keep insertion order and are reached by position as well.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kuzo {

class THashCollection;

class THashCollectionItem {
 public:
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& Name() const { return name_; }
  // Re-hashes the item when the name changes to a different string.
  void SetName(std::string name);
  // Position in the owning collection.
  int Index() const { return cachedIndex_; }
  int Bucket() const { return bucket_; }
  THashCollection* Collection() const { return owner_; }
  // Next item in the same bucket chain (towards older names), for lookups with their own rules.
  THashCollectionItem* NextInBucket() const { return nextInBucket_; }

 protected:
  THashCollectionItem() = default;

 private:
  friend class THashCollection;
  THashCollection* owner_ = nullptr;
  int bucket_ = -1;
  int cachedIndex_ = -1;
  std::string name_;
  THashCollectionItem* prevInBucket_ = nullptr;
  THashCollectionItem* nextInBucket_ = nullptr;
};

class THashCollection {
 public:
  static constexpr int kBucketCount = 256;

  THashCollection() = default;
  virtual ~THashCollection();
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  // Bucket of a name: L = length, h = L*16, plus the first and second-to-last bytes of the
  // lower-cased name when L >= 2; h mod 256.
  static int BucketOf(std::string_view name);

  // Appends a new item (hashed with its empty name) and returns it.
  template <typename T, typename... Args>
  T& Add(Args&&... args) {
    auto item = std::unique_ptr<T>(new T(std::forward<Args>(args)...));
    T& ref = *item;
    Adopt(std::move(item));
    return ref;
  }
  // Appends an item made elsewhere.
  THashCollectionItem& Adopt(std::unique_ptr<THashCollectionItem> item);

  int Count() const { return static_cast<int>(items_.size()); }
  THashCollectionItem* ItemAt(int index) const;
  template <typename T>
  T* At(int index) const { return static_cast<T*>(ItemAt(index)); }

  // Position of the item named `name` (case-insensitive); the item named last wins; -1 when none.
  int IndexOf(std::string_view name) const;
  THashCollectionItem* Find(std::string_view name) const;
  // Head (newest item) of the bucket chain that `name` hashes to.
  THashCollectionItem* ChainHead(std::string_view name) const { return heads_[BucketOf(name)]; }

  // Destroys the item at `index`; the items after it move down by one.
  void Delete(int index);
  // Removes the item without destroying it and hands it to the caller.
  std::unique_ptr<THashCollectionItem> Extract(int index);
  // Moves an item to another position; every item between keeps a correct position.
  void Move(int from, int to);
  void Clear();

 private:
  friend class THashCollectionItem;
  void Link(THashCollectionItem* item);
  void Unlink(THashCollectionItem* item);
  void Renumber(int from, int to);

  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  std::array<THashCollectionItem*, kBucketCount> heads_{};
};

}  // namespace kuzo
