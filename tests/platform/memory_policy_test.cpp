// The allocator policy: after it, a large block is served from the heap (not a mapping of its own)
// and a freed large block is handed out again, so its pages need not be faulted in anew.
#include "platform/memory_policy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kuzo::platform {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizedAllocator = true;
#else
constexpr bool kSanitizedAllocator = false;
#endif
#else
constexpr bool kSanitizedAllocator = false;
#endif

TEST(MemoryPolicyTest, LargeBlocksComeFromTheHeapAndAreReused) {
#if !defined(__GLIBC__)
  GTEST_SKIP() << "the policy is a glibc setting";
#else
  if (kSanitizedAllocator) GTEST_SKIP() << "the sanitizer's allocator ignores the C library's settings";
  ASSERT_TRUE(KeepFreedMemoryForReuse());
  constexpr size_t kBlock = size_t{48} << 20;  // above the largest mapping threshold
  const size_t mappedBefore = mallinfo2().hblkhd;
  void* first = nullptr;
  {
    auto block = std::make_unique<char[]>(kBlock);
    std::memset(block.get(), 1, kBlock);
    EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "a 48 MiB block got a mapping of its own";
    first = block.get();
  }
  // Freed, the block stays in the heap as free memory instead of going back to the system.
  EXPECT_GE(mallinfo2().fordblks, kBlock) << "the freed block was handed back to the system";
  auto again = std::make_unique<char[]>(kBlock);
  EXPECT_EQ(static_cast<void*>(again.get()), first) << "the freed block was not reused";
#endif
}

}  // namespace
}  // namespace kuzo::platform
