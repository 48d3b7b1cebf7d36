#include "subtitle/SubtitleBlend.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zvp {

namespace {

// (over x a + under x (255 - a)) / 255, exact: the sum is at most 65025, and
// (t + 1 + (t >> 8)) >> 8 == t / 255 for t < 65535. 16-bit arithmetic lets the compiler
// vectorise the loops below.
inline uint8_t Div255(uint16_t t) {
    return uint8_t((t + 1 + (t >> 8)) >> 8);
}

inline uint8_t Mix(uint8_t over, uint8_t under, uint8_t a) {
    return Div255(uint16_t(over * a + under * (255 - a)));
}

// Blends `count` bytes of `over` with weights `alpha` onto `dst`.
inline void MixRun(uint8_t* __restrict dst, const uint8_t* __restrict over,
                   const uint8_t* __restrict alpha, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Mix(over[i], dst[i], alpha[i]);
}

// [first, last) of the entries of `alpha` (stride `step`) above 0.
inline void Span(const uint8_t* alpha, int count, int step, int& first, int& last) {
    first = 0;
    while (first < count && alpha[first * step] == 0) ++first;
    last = count;
    while (last > first && alpha[(last - 1) * step] == 0) --last;
}

}  // namespace

int FrameStride(const SubtitleFrame& frame) {
    if (frame.stride > 0) return frame.stride;
    return frame.rgb24 ? (frame.width * 3 + 3) / 4 * 4 : frame.width;
}

OverlayRect ImagesBoundingBox(const ASS_Image* images, int width, int height) {
    int x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (const ASS_Image* img = images; img; img = img->next) {
        if (img->w <= 0 || img->h <= 0 || (img->color & 0xFF) == 0xFF) continue;
        // Only rows and columns with coverage count: libass pads its bitmaps.
        for (int y = 0; y < img->h; ++y) {
            const int py = img->dst_y + y;
            if (py < 0 || py >= height) continue;
            const uint8_t* row = img->bitmap + static_cast<ptrdiff_t>(y) * img->stride;
            int first = 0;
            while (first < img->w && row[first] == 0) ++first;
            if (first == img->w) continue;
            int last = img->w - 1;
            while (row[last] == 0) --last;
            const int px0 = std::max(img->dst_x + first, 0);
            const int px1 = std::min(img->dst_x + last + 1, width);
            if (px1 <= px0) continue;
            x0 = std::min(x0, px0);
            x1 = std::max(x1, px1);
            y0 = std::min(y0, py);
            y1 = std::max(y1, py + 1);
        }
    }
    if (x1 <= x0 || y1 <= y0) return OverlayRect{};
    return OverlayRect{x0, y0, x1 - x0, y1 - y0};
}

void PaintAssImages(const ASS_Image* images, const OverlayRect& box, uint8_t* bgra) {
    for (const ASS_Image* img = images; img; img = img->next) {
        const int k = 255 - int(img->color & 0xFF);
        if (k == 0 || img->w <= 0 || img->h <= 0) continue;
        const uint8_t r = uint8_t(img->color >> 24);
        const uint8_t g = uint8_t(img->color >> 16);
        const uint8_t b = uint8_t(img->color >> 8);
        // The part of the image inside the box, in image coordinates.
        const int x0 = std::max(0, box.left - img->dst_x);
        const int x1 = std::min(img->w, box.left + box.width - img->dst_x);
        const int y0 = std::max(0, box.top - img->dst_y);
        const int y1 = std::min(img->h, box.top + box.height - img->dst_y);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* src = img->bitmap + static_cast<ptrdiff_t>(y) * img->stride;
            uint8_t* p = bgra + (static_cast<size_t>(img->dst_y + y - box.top) * box.width +
                                 (img->dst_x + x0 - box.left)) *
                                    4;
            // Branch-free so that it vectorises: a weight of 0 leaves a byte exactly as it was.
            const int n = x1 - x0;
            src += x0;
            for (int x = 0; x < n; ++x) {
                const uint8_t a = Div255(uint16_t(src[x] * k));
                p[4 * x + 0] = Mix(b, p[4 * x + 0], a);
                p[4 * x + 1] = Mix(g, p[4 * x + 1], a);
                p[4 * x + 2] = Mix(r, p[4 * x + 2], a);
                p[4 * x + 3] = Mix(uint8_t(k), p[4 * x + 3], a);
            }
        }
    }
}

void PrepareRgb24Overlay(const uint8_t* bgra, int width, int height, Rgb24Overlay& out) {
    out.width = width;
    out.height = height;
    const size_t n = static_cast<size_t>(width) * height;
    out.bgr.resize(n * 3);
    out.alpha3.resize(n * 3);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* o = bgra + i * 4;
        for (int c = 0; c < 3; ++c) {
            out.bgr[i * 3 + c] = o[c];
            out.alpha3[i * 3 + c] = o[3];
        }
    }
    out.row_first.resize(height);
    out.row_last.resize(height);
    for (int y = 0; y < height; ++y)
        Span(bgra + static_cast<size_t>(y) * width * 4 + 3, width, 4, out.row_first[y],
             out.row_last[y]);
}

void BlendRgb24Overlay(const SubtitleFrame& frame, const Rgb24Overlay& overlay,
                       const OverlayRect& rect) {
    if (!frame.data || rect.empty() || rect.width != overlay.width || rect.height != overlay.height)
        return;
    const int stride = FrameStride(frame);
    const int x0 = std::max(0, -rect.left), x1 = std::min(rect.width, frame.width - rect.left);
    for (int y = 0; y < rect.height; ++y) {
        const int py = rect.top + y;
        if (py < 0 || py >= frame.height) continue;
        const int first = std::max(x0, overlay.row_first[y]);
        const int last = std::min(x1, overlay.row_last[y]);
        if (first >= last) continue;
        const size_t src = (static_cast<size_t>(y) * rect.width + first) * 3;
        uint8_t* dst = frame.data + static_cast<size_t>(frame.height - 1 - py) * stride +
                       (static_cast<size_t>(rect.left) + first) * 3;
        MixRun(dst, overlay.bgr.data() + src, overlay.alpha3.data() + src, (last - first) * 3);
    }
}

void BlendRgb24(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect) {
    if (!frame.data || rect.empty()) return;
    Rgb24Overlay overlay;
    PrepareRgb24Overlay(bgra, rect.width, rect.height, overlay);
    BlendRgb24Overlay(frame, overlay, rect);
}

void PrepareYuvOverlay(const uint8_t* bgra, int width, int height, YuvOverlay& out) {
    out.width = width;
    out.height = height;
    const size_t n = static_cast<size_t>(width) * height;
    out.luma.resize(n);
    out.alpha.resize(n);
    // Raw restrict pointers: stores through the vectors' operator[] would make the compiler
    // reload their data pointers on every pixel and keep the loop from vectorising.
    uint8_t* __restrict alphaOut = out.alpha.data();
    uint8_t* __restrict luma = out.luma.data();
    const uint8_t* __restrict in = bgra;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* o = in + i * 4;
        alphaOut[i] = o[3];
        luma[i] = uint8_t(((66 * o[2] + 129 * o[1] + 25 * o[0] + 128) >> 8) + 16);
    }
    out.row_first.resize(height);
    out.row_last.resize(height);
    for (int y = 0; y < height; ++y)
        Span(out.alpha.data() + static_cast<size_t>(y) * width, width, 1, out.row_first[y],
             out.row_last[y]);
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    const size_t blocks = static_cast<size_t>(cw) * ch;
    out.cr.resize(blocks);
    out.cb.resize(blocks);
    out.block_alpha.resize(blocks);
    // Blocks of four pixels; the last column and row of an odd size have fewer.
    const auto crOf = [](const uint8_t* o) {
        return ((112 * o[2] - 94 * o[1] - 18 * o[0] + 128) >> 8) + 128;
    };
    const auto cbOf = [](const uint8_t* o) {
        return ((-38 * o[2] - 74 * o[1] + 112 * o[0] + 128) >> 8) + 128;
    };
    const size_t row = static_cast<size_t>(width) * 4;
    uint8_t* __restrict blockAlpha = out.block_alpha.data();
    uint8_t* __restrict crs = out.cr.data();
    uint8_t* __restrict cbs = out.cb.data();
    // Chroma of every pixel of a pair of rows (which lie back to back in `bgra`), computed in
    // one vectorisable pass and then averaged over whole blocks.
    std::vector<int16_t> pairCr(static_cast<size_t>(width) * 2), pairCb(pairCr.size());
    for (int by = 0; by < ch; ++by) {
        const uint8_t* __restrict top = bgra + static_cast<size_t>(by * 2) * row;
        int bx = 0;
        if (by * 2 + 1 < height) {
            int16_t* __restrict pcr = pairCr.data();
            int16_t* __restrict pcb = pairCb.data();
            for (int x = 0; x < width * 2; ++x) {
                pcr[x] = int16_t(crOf(top + 4 * x));
                pcb[x] = int16_t(cbOf(top + 4 * x));
            }
            const uint8_t* __restrict bottom = top + row;
            uint8_t* __restrict blockAlphaRow = blockAlpha + static_cast<size_t>(by) * cw;
            uint8_t* __restrict crRow = crs + static_cast<size_t>(by) * cw;
            uint8_t* __restrict cbRow = cbs + static_cast<size_t>(by) * cw;
            const int whole = width / 2;
            for (; bx < whole; ++bx) {
                blockAlphaRow[bx] = uint8_t(
                    (top[8 * bx + 3] + top[8 * bx + 7] + bottom[8 * bx + 3] + bottom[8 * bx + 7]) /
                    4);
                crRow[bx] = uint8_t((pcr[2 * bx] + pcr[2 * bx + 1] + pcr[width + 2 * bx] +
                                     pcr[width + 2 * bx + 1]) >>
                                    2);
                cbRow[bx] = uint8_t((pcb[2 * bx] + pcb[2 * bx + 1] + pcb[width + 2 * bx] +
                                     pcb[width + 2 * bx + 1]) >>
                                    2);
            }
        }
        // The last column and row of an odd size: blocks of fewer pixels.
        for (; bx < cw; ++bx) {
            const size_t i = static_cast<size_t>(by) * cw + bx;
            const uint8_t* o = top + static_cast<size_t>(bx) * 8;
            int alpha = 0, cr = 0, cb = 0, count = 0;
            for (int dy = 0; dy < 2 && by * 2 + dy < height; ++dy) {
                for (int dx = 0; dx < 2 && bx * 2 + dx < width; ++dx) {
                    const uint8_t* q = o + dy * row + dx * 4;
                    alpha += q[3];
                    cr += crOf(q);
                    cb += cbOf(q);
                    ++count;
                }
            }
            blockAlpha[i] = uint8_t(alpha / 4);
            crs[i] = uint8_t(cr / count);
            cbs[i] = uint8_t(cb / count);
        }
    }
    out.block_first.resize(ch);
    out.block_last.resize(ch);
    for (int by = 0; by < ch; ++by)
        Span(out.block_alpha.data() + static_cast<size_t>(by) * cw, cw, 1, out.block_first[by],
             out.block_last[by]);
}

void BlendYuvOverlay(const SubtitleFrame& frame, const YuvOverlay& overlay,
                     const OverlayRect& rect) {
    if (!frame.data || rect.empty() || rect.width != overlay.width || rect.height != overlay.height)
        return;
    // Rounded down to even; the overlay keeps its own coordinates.
    const int left = rect.left & ~1;
    const int top = rect.top & ~1;
    const int ys = FrameStride(frame);
    const int cs = ys / 2;
    const int cw = frame.width / 2;
    const int ch = frame.height / 2;
    uint8_t* yPlane = frame.data;
    uint8_t* vPlane = yPlane + static_cast<size_t>(ys) * frame.height;
    uint8_t* uPlane = vPlane + static_cast<size_t>(cs) * ch;

    const int x0 = std::max(0, -left), x1 = std::min(rect.width, frame.width - left);
    for (int y = 0; y < rect.height; ++y) {
        const int py = top + y;
        if (py < 0 || py >= frame.height) continue;
        const uint8_t* ov = overlay.luma.data() + static_cast<size_t>(y) * rect.width;
        const uint8_t* oa = overlay.alpha.data() + static_cast<size_t>(y) * rect.width;
        uint8_t* dst = yPlane + static_cast<size_t>(py) * ys + left;
        const int first = std::max(x0, overlay.row_first[y]);
        const int last = std::min(x1, overlay.row_last[y]);
        if (first < last) MixRun(dst + first, ov + first, oa + first, last - first);
    }
    const int ow = (rect.width + 1) / 2, oh = (rect.height + 1) / 2;
    const int cl = left / 2, ct = top / 2;
    const int bx0 = std::max(0, -cl), bx1 = std::min(ow, cw - cl);
    for (int by = 0; by < oh; ++by) {
        const int cy = ct + by;
        if (cy < 0 || cy >= ch) continue;
        const size_t row = static_cast<size_t>(by) * ow;
        uint8_t* v = vPlane + static_cast<size_t>(cy) * cs + cl;
        uint8_t* u = uPlane + static_cast<size_t>(cy) * cs + cl;
        const uint8_t* ba = overlay.block_alpha.data() + row;
        const uint8_t* cr = overlay.cr.data() + row;
        const uint8_t* cb = overlay.cb.data() + row;
        const int first = std::max(bx0, overlay.block_first[by]);
        const int last = std::min(bx1, overlay.block_last[by]);
        for (int bx = first; bx < last; ++bx) {
            v[bx] = Mix(cr[bx], v[bx], ba[bx]);
            u[bx] = Mix(cb[bx], u[bx], ba[bx]);
        }
    }
}

void BlendYv12(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect) {
    if (!frame.data || rect.empty()) return;
    YuvOverlay overlay;
    PrepareYuvOverlay(bgra, rect.width, rect.height, overlay);
    BlendYuvOverlay(frame, overlay, rect);
}

void ImagesIdentity(const ASS_Image* images, std::vector<uint64_t>& out) {
    out.clear();
    for (const ASS_Image* img = images; img; img = img->next) {
        out.push_back(reinterpret_cast<uintptr_t>(img->bitmap));
        out.push_back((uint64_t(uint32_t(img->w)) << 32) | uint32_t(img->h));
        out.push_back((uint64_t(uint32_t(img->dst_x)) << 32) | uint32_t(img->dst_y));
        out.push_back((uint64_t(uint32_t(img->stride)) << 32) | img->color);
        uint64_t sample = 1469598103934665603ull;
        if (img->w > 0 && img->h > 0) {
            for (int i = 0; i < 16; ++i) {
                const int y = img->h * i / 16, x = img->w * ((i * 7) % 16) / 16;
                sample = (sample ^ img->bitmap[static_cast<size_t>(y) * img->stride + x]) *
                         1099511628211ull;
            }
        }
        out.push_back(sample);
    }
}

void BlendOverlay(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect) {
    if (frame.rgb24) {
        BlendRgb24(frame, bgra, rect);
    } else {
        BlendYv12(frame, bgra, rect);
    }
}

}  // namespace zvp
