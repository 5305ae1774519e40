// TNkRandom: the small deterministic generator whose sequence scrambles archive directories (and
// drives the permutation draws of image decoding and the dither transition). Its sequence, seed
// and draw order are part of the archive format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kuzo {

// The seed every archive reader and writer creates its generators with.
constexpr uint32_t kArchiveSeed = 0x5A3C9E17u;  // 1513922071

class TNkRandom {
 public:
  explicit TNkRandom(uint32_t seed) : seed_(seed) {}

  // state = state * 5 + seed (mod 2^32); the first value is the seed itself.
  uint32_t Next() {
    state_ = state_ * 5u + seed_;
    return state_;
  }

  // Clears the pool and fills it with 0 .. n-1.
  void FillPool(int32_t n);
  // Removes and returns the pool element at (next value mod pool count). The pool must not be
  // empty; callers draw at most as many times as they filled. An empty pool yields 0.
  uint32_t DrawFromPool();

  int32_t PoolSize() const { return poolSize_; }
  size_t PoolCount() const { return pool_.size(); }
  uint32_t Seed() const { return seed_; }

 private:
  uint32_t seed_;
  uint32_t state_ = 0;
  std::vector<uint32_t> pool_;
  int32_t poolSize_ = 0;
};

}  // namespace kuzo
