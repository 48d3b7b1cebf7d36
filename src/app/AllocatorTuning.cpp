#include "app/AllocatorTuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zvp {

void SetAllocatorThresholds() {
#if defined(__GLIBC__)
    // Setting the threshold also turns off its rise and that of the trim threshold, which
    // stays at its default (128 KiB).
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlockBytes));
#endif
}

}  // namespace zvp
