#pragma once

#include <cstddef>
#include <cstdint>

namespace zvp {

// Writes `width` x `height` 8-bit samples of a plane whose samples are `depth` bits (9..14)
// in native-endian 16-bit words, rounding with an 8x8 ordered dither so that smooth gradients
// keep no bands. Bits above `depth` (only corrupt streams set them) are ignored. Strides are
// in bytes. Pure: any thread, no state.
void ReducePlaneTo8Bits(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                        int width, int height, int depth);

}  // namespace zvp
