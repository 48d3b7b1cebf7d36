#include "media/PlaneDepth.h"

#include <algorithm>
#include <cstring>

namespace zvp {

namespace {

// Bayer's 8x8 threshold matrix, 0..63.
constexpr uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

constexpr int kRowChunk = 64;  // a multiple of 8: the dither pattern repeats within it

// One row. Written as plain loops over fixed-size chunks so that the compiler keeps the
// arithmetic in 16-bit vector lanes; on x86-64 builds for AVX-512 and AVX2 widen the lanes
// and the widest the processor has is chosen at load time.
// (Not under ThreadSanitizer: the clones' resolver runs while the dynamic linker relocates,
// before its runtime is up.)
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
void ReduceRow(const uint16_t* src, uint8_t* dst, int width, int shift, uint16_t mask,
               const uint16_t* dither) {
    int x = 0;
    for (; x + kRowChunk <= width; x += kRowChunk) {
        for (int i = 0; i < kRowChunk; ++i) {
            const uint16_t v = static_cast<uint16_t>((src[x + i] & mask) + dither[i]) >> shift;
            dst[x + i] = static_cast<uint8_t>(std::min<uint16_t>(v, 255));
        }
    }
    for (int i = 0; x < width; ++x, ++i) {
        const uint16_t v = static_cast<uint16_t>((src[x] & mask) + dither[i]) >> shift;
        dst[x] = static_cast<uint8_t>(std::min<uint16_t>(v, 255));
    }
}

}  // namespace

void ReducePlaneTo8Bits(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                        int width, int height, int depth) {
    if (!src || !dst || width <= 0 || height <= 0 || depth < 9 || depth > 14) return;
    const int shift = depth - 8;
    const auto mask = static_cast<uint16_t>((1u << depth) - 1);
    // Thresholds scaled to the bits dropped: 0 .. 2^shift - 1.
    uint16_t dither[8][kRowChunk];
    for (int r = 0; r < 8; ++r) {
        for (int i = 0; i < kRowChunk; ++i) {
            dither[r][i] = static_cast<uint16_t>(kBayer8[r][i & 7] >> (6 - shift));
        }
    }
    // Rows of 16-bit samples need not be aligned in the caller's buffer: each is read through
    // an aligned copy only when it is not.
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = src + srcStride * y;
        uint8_t* out = dst + dstStride * y;
        if (reinterpret_cast<uintptr_t>(row) % alignof(uint16_t) == 0) {
            ReduceRow(reinterpret_cast<const uint16_t*>(row), out, width, shift, mask,
                      dither[y & 7]);
        } else {
            uint16_t chunk[kRowChunk];
            for (int x = 0; x < width; x += kRowChunk) {
                const int n = std::min(kRowChunk, width - x);
                std::memcpy(chunk, row + ptrdiff_t{2} * x, size_t(n) * 2);
                ReduceRow(chunk, out + x, n, shift, mask, dither[y & 7]);
            }
        }
    }
}

}  // namespace zvp
