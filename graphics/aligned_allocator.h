// An allocator whose blocks start on a cache-line boundary. Pixel storage uses it so that rows of
// widths that are multiples of 16 pixels begin where the widest vector loads and stores do not
// straddle two cache lines.
#pragma once

#include <cstddef>
#include <new>

namespace kuzo {

inline constexpr std::size_t kStorageAlignment = 64;

template <class T>
struct AlignedAllocator {
  using value_type = T;

  AlignedAllocator() = default;
  template <class U>
  AlignedAllocator(const AlignedAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kStorageAlignment}));
  }
  void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, std::align_val_t{kStorageAlignment}); }

  template <class U>
  bool operator==(const AlignedAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace kuzo
