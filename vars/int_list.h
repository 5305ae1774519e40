// Small integer containers used beside the variable table: TIntList grows on demand when an index
// is written; TIntArray only appends.
#pragma once

#include <cstdint>
#include <vector>

#include "core/errors.h"

namespace kuzo {

class TIntList {
 public:
  // Most entries Put may create; a larger index is refused instead of allocated.
  static constexpr int32_t kMaxCount = int32_t{1} << 24;

  void Add(int32_t v) { items_.push_back(v); }
  int32_t Get(int32_t i) const {
    if (i < 0 || i >= Count()) throw KuzoError("配列の添字が不正です");
    return items_[static_cast<size_t>(i)];
  }
  // Appends zeros until index i exists, then stores v there.
  void Put(int32_t i, int32_t v) {
    if (i < 0 || i >= kMaxCount) throw KuzoError("配列の添字が不正です");
    if (i >= Count()) items_.resize(static_cast<size_t>(i) + 1, 0);
    items_[static_cast<size_t>(i)] = v;
  }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

 private:
  std::vector<int32_t> items_;
};

class TIntArray {
 public:
  void Add(int32_t v) { items_.push_back(v); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Get(int32_t i) const {
    if (i < 0 || i >= Count()) throw KuzoError("配列の添字が不正です");
    return items_[static_cast<size_t>(i)];
  }

 private:
  std::vector<int32_t> items_;
};

}  // namespace kuzo
