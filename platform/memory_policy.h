// How the process's allocator treats large blocks. The player builds many large buffers in turn
// (inflated archive entries, decoded pictures, surfaces); on some systems every freshly mapped page
// costs tens of microseconds, so freed blocks are better kept in the heap and reused.
#pragma once

#include <cstddef>

namespace kuzo::platform {

// Free memory the heap keeps at its top instead of handing it back to the system.
constexpr size_t kRetainedHeapBytes = size_t{256} << 20;

// Makes every allocation come from the heap (no separate mapping per large block) and keeps up to
// kRetainedHeapBytes of free memory at its top, so a block freed now is reused without new page
// faults. Call once at start-up. False when the C library offers no such control (the defaults
// then stay; only speed differs).
bool KeepFreedMemoryForReuse();

}  // namespace kuzo::platform
