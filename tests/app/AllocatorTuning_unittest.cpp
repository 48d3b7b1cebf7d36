#include "app/AllocatorTuning.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace zvp {
namespace {

// Resident bytes of this process, read without touching the heap (a stdio stream's buffer
// would sit above the blocks below and keep the heap from shrinking).
[[maybe_unused]] long ResidentBytes() {
    char text[128] = {};
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const ssize_t n = ::read(fd, text, sizeof(text) - 1);
    ::close(fd);
    const char* space = n > 0 ? std::strchr(text, ' ') : nullptr;
    return space ? std::strtol(space + 1, nullptr, 10) * ::sysconf(_SC_PAGESIZE) : -1;
}

// Blocks of a megabyte freed after a larger block had been freed go back to the system (by
// default the C library would from then on keep up to twice that larger block's size).
TEST(AllocatorTuningTest, FreedBlocksGoBackAfterALargerOneWasFreed) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator takes the place of the C library's";
#else
    SetAllocatorThresholds();
    constexpr size_t kMiB = size_t{1} << 20;
    void* volatile larger = std::malloc(16 * kMiB);
    ASSERT_NE(larger, nullptr);
    std::free(larger);
    std::vector<void*> blocks;
    blocks.reserve(24);
    for (int i = 0; i < 24; ++i) {
        void* block = std::malloc(kMiB);
        ASSERT_NE(block, nullptr);
        std::memset(block, 1, kMiB);
        blocks.push_back(block);
    }
    const long full = ResidentBytes();
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) std::free(*it);
    const long freed = ResidentBytes();
    ASSERT_GT(full, 0);
    EXPECT_LT(freed, full - long(16 * kMiB));
#endif
}

}  // namespace
}  // namespace zvp
