#pragma once

#include <cstdint>

namespace zvp {

// A size in pixels. A side of 0 or less counts as "no picture" wherever a size is a source.
struct VideoSize {
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const VideoSize&, const VideoSize&) = default;
};

// A rectangle in the video area's client coordinates, in pixels. `right` and `bottom` are
// exclusive: the width is right − left. QRect's right() and bottom() are inclusive (one less),
// so a conversion must go through the size, never the corners:
//     QRect(r.left, r.top, r.right - r.left, r.bottom - r.top)
struct VideoRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }

    friend bool operator==(const VideoRect&, const VideoRect&) = default;
};

// The size a picture of coded size (width, height) is shown at when its pixels have the
// sample aspect ratio sarNum:sarDen. Widens the picture when the ratio is above 1:1 and
// heightens it when below, so neither side shrinks; the stretched side is rounded to the
// nearest pixel and saturates at INT32_MAX. Gives the coded size unchanged when the ratio is
// 1:1 or unknown (either part 0 or less) or when a side is 0 or less.
// Example: 720 × 576 at 64:45 → 1024 × 576; 720 × 480 at 10:11 → 720 × 528.
VideoSize DisplaySize(int32_t width, int32_t height, int32_t sarNum, int32_t sarDen);

}  // namespace zvp
