// Allocator tuning through glibc's mallopt; a no-op elsewhere.
#include "platform/memory_policy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kuzo::platform {

bool KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Blocks above the mapping threshold (at most 32 MiB) would otherwise get a mapping of their own,
  // returned to the system when freed and faulted in again page by page on the next allocation.
  const bool noMappings = mallopt(M_MMAP_MAX, 0) == 1;
  const bool keepTop = mallopt(M_TRIM_THRESHOLD, static_cast<int>(kRetainedHeapBytes)) == 1;
  return noMappings && keepTop;
#else
  return false;
#endif
}

}  // namespace kuzo::platform
