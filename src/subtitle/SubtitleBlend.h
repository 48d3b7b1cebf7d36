#pragma once

#include <cstdint>

#include <ass/ass.h>

namespace zvp {

// One picture handed to the subtitle renderers. Owned by the caller; valid for one call.
//  - YV12: top-down planes Y (stride bytes per row, `height` rows), then V, then U (each
//    stride / 2 bytes per row, height / 2 rows), contiguous.
//  - RGB24: bottom-up rows of B, G, R bytes, `stride` bytes apart (the padded row length).
struct SubtitleFrame {
    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row of the first plane; 0: width (YV12), padded width x 3
    bool rgb24 = false;
    int64_t time_ms = 0;
};

// A rectangle in picture coordinates (top-down).
struct OverlayRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// The first-plane stride of `frame` with the default applied.
int FrameStride(const SubtitleFrame& frame);

// The bounding box of the covered pixels of `images`, clipped to width x height; empty
// when none is visible.
OverlayRect ImagesBoundingBox(const ASS_Image* images, int width, int height);

// Paints every image of `images` (positions in frame coordinates) into the BGRA overlay of
// `box` (box.width x box.height x 4 bytes, cleared by the caller). Parts outside the box are
// dropped.
void PaintAssImages(const ASS_Image* images, const OverlayRect& box, uint8_t* bgra);

// Blends a BGRA overlay of rect.width x rect.height pixels at `rect` onto the picture,
// clipped to the picture. Pixels with alpha 0 leave the picture as it was.
void BlendRgb24(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);
// YV12: the rectangle's top and left are rounded down to even so that 2 x 2 overlay blocks
// meet the chroma samples.
void BlendYv12(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);
// By frame.rgb24.
void BlendOverlay(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);

}  // namespace zvp
