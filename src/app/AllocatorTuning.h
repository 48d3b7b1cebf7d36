#pragma once

#include <cstddef>

namespace zvp {

// Fixes the C library's thresholds for the rest of the process: blocks of kLargeBlockBytes
// and more get mappings of their own, and freed memory at the top of a heap beyond 128 KiB
// goes back to the system. glibc's default starts lower and raises both to the largest block
// freed so far (the heap then keeps up to twice that, in every heap): after a few files a
// session that opens file after file grows by about a megabyte a file. Buffers that would be
// taken and given back for every picture are reused instead (the video frame store, the
// software renderer). Call once, early in main, before other threads start. Does nothing with
// other C libraries.
inline constexpr size_t kLargeBlockBytes = size_t{32} << 20;
void SetAllocatorThresholds();

}  // namespace zvp
