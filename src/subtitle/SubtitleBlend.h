#pragma once

#include <ass/ass.h>

#include <cstdint>
#include <vector>

namespace zvp {

class ISubtitleCanvas;

// One picture handed to the subtitle renderers. Owned by the caller; valid for one call.
//  - YV12: top-down planes Y (stride bytes per row, `height` rows), then V, then U (each
//    stride / 2 bytes per row, height / 2 rows), contiguous.
//  - RGB24: bottom-up rows of B, G, R bytes, `stride` bytes apart (the padded row length).
// With a `canvas` (YV12 only), only the rows it prepared hold the picture.
struct SubtitleFrame {
    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row of the first plane; 0: width (YV12), padded width x 3
    bool rgb24 = false;
    int64_t time_ms = 0;
    ISubtitleCanvas* canvas = nullptr;  // not owned
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

// Per overlay row, the columns [first, last) that the images of a list may cover. Both rows of
// each pair (0-1, 2-3, ...) get the union of their spans, widened to even columns, so that
// every 2 x 2 chroma block is either inside or outside a span as a whole. Pixels outside a
// row's span count as clear: they are neither cleared, painted, converted nor blended.
struct OverlaySpans {
    std::vector<int> first, last;
};
void ImagesRowSpans(const ASS_Image* images, const OverlayRect& box, OverlaySpans& out);
// Clears the spans of a BGRA overlay `width` pixels wide.
void ClearOverlaySpans(uint8_t* bgra, int width, const OverlaySpans& spans);

// The overlay of `images` in a width x height picture: their bounding box (returned), its row
// spans in `spans`, and the spans cleared and painted in `bgra`, which grows to the box's
// size when smaller and is never shrunk. Nothing is painted when the box is empty.
OverlayRect PaintOverlay(const ASS_Image* images, int width, int height, std::vector<uint8_t>& bgra,
                         OverlaySpans& spans);

// A BGRA overlay converted once for YV12 blending: luma and alpha per pixel, and per 2 x 2
// block the mean alpha and the mean Cr and Cb.
struct YuvOverlay {
    int width = 0;
    int height = 0;
    // Per overlay row (luma) and per block row (chroma): the covered columns [first, last);
    // first == last for an empty row.
    std::vector<int> row_first, row_last, block_first, block_last;
    std::vector<uint8_t> luma, alpha;                   // width x height
    std::vector<uint8_t> cr, cb, block_alpha;           // ceil(width / 2) x ceil(height / 2)
    std::vector<int16_t> pair_cr, pair_cb, pair_alpha;  // scratch, kept for reuse
};
// Converts the whole overlay, or only `spans` (as made by ImagesRowSpans for this size);
// values outside the spans are left as they were and are never read by the blending.
void PrepareYuvOverlay(const uint8_t* bgra, int width, int height, YuvOverlay& out,
                       const OverlaySpans* spans = nullptr);
// Blends a prepared overlay at `rect` (its size must match) as BlendYv12 does.
void BlendYuvOverlay(const SubtitleFrame& frame, const YuvOverlay& overlay,
                     const OverlayRect& rect);

// A cheap identity of an image list: geometry, colour and bitmap address of every image and a
// sample of its bitmap bytes. Equal identities mean the same picture with overwhelming
// likelihood.
void ImagesIdentity(const ASS_Image* images, std::vector<uint64_t>& out);

// A BGRA overlay converted once for RGB24 blending: B, G, R bytes and the alpha repeated for
// each of them, so that a row blends as one run of bytes.
struct Rgb24Overlay {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr, alpha3;      // width x 3 bytes per row
    std::vector<int> row_first, row_last;  // covered columns [first, last) per row
};
// As PrepareYuvOverlay.
void PrepareRgb24Overlay(const uint8_t* bgra, int width, int height, Rgb24Overlay& out,
                         const OverlaySpans* spans = nullptr);
// Blends a prepared overlay at `rect` (its size must match) as BlendRgb24 does.
void BlendRgb24Overlay(const SubtitleFrame& frame, const Rgb24Overlay& overlay,
                       const OverlayRect& rect);

// Blends a BGRA overlay of rect.width x rect.height pixels at `rect` onto the picture,
// clipped to the picture. Pixels with alpha 0 leave the picture as it was.
void BlendRgb24(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);
// Blending rounds with integer division by 255 of the unsigned weighted sum
// (overlay x a + picture x (255 - a)); for YV12 this equals the studio-range formulas
// ((Y' - 16) a + (Y - 16)(255 - a)) / 255 + 16 (and likewise for chroma around 128), except
// below black where it may differ by one.
// YV12: the rectangle's top and left are rounded down to even so that 2 x 2 overlay blocks
// meet the chroma samples.
void BlendYv12(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);
// By frame.rgb24.
void BlendOverlay(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect);

}  // namespace zvp
