// The archive generator's permutation pool.
#include "data/random.h"

namespace kuzo {

void TNkRandom::FillPool(int32_t n) {
  pool_.clear();
  poolSize_ = n;
  if (n <= 0) return;
  pool_.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) pool_.push_back(static_cast<uint32_t>(i));
}

uint32_t TNkRandom::DrawFromPool() {
  const uint32_t value = Next();
  if (pool_.empty()) return 0;
  const size_t index = value % static_cast<uint32_t>(pool_.size());
  const uint32_t out = pool_[index];
  pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(index));
  return out;
}

}  // namespace kuzo
