#include "subtitle/SubtitleBlend.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "subtitle/ISubtitleCanvas.h"

namespace zvp {

namespace {

// The row loops below run once more, compiled for AVX2, on processors that have it (chosen once
// at load time); the arithmetic is the same, so are the results.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define ZVP_ROW_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define ZVP_ROW_LOOP
#endif

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
ZVP_ROW_LOOP void MixRun(uint8_t* __restrict dst, const uint8_t* __restrict over,
                         const uint8_t* __restrict alpha, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Mix(over[i], dst[i], alpha[i]);
}

// Weights are taken in blocks of 32: a block of zero weights leaves its bytes as they were,
// and text leaves wide clear gaps between letters and around turned lines. From `at`, the next
// stretch [returned, end) of weights[0, count) that is not such a block; count when none is
// left.
constexpr int kWeightBlock = 32;
inline bool ClearBlock(const uint8_t* weights) {
    uint64_t w[kWeightBlock / 8];
    std::memcpy(w, weights, sizeof w);
    return (w[0] | w[1] | w[2] | w[3]) == 0;
}
inline int NextCoveredRun(const uint8_t* weights, int count, int at, int& end) {
    while (at + kWeightBlock <= count && ClearBlock(weights + at)) at += kWeightBlock;
    end = at;
    while (end + kWeightBlock <= count && !ClearBlock(weights + end)) end += kWeightBlock;
    if (end + kWeightBlock > count) end = count;
    return at;
}

// MixRun over the stretches of `count` bytes that NextCoveredRun finds.
inline void MixCoveredRuns(uint8_t* dst, const uint8_t* over, const uint8_t* alpha, int count) {
    for (int a = 0, z = 0; (a = NextCoveredRun(alpha, count, a, z)) < count; a = z)
        MixRun(dst + a, over + a, alpha + a, z - a);
}

// Narrows [from, to) of `row` to its first and last non-zero bytes, eight at a time where it
// can; from == to when all are zero.
inline void TrimZeros(const uint8_t* row, int& from, int& to) {
    uint64_t word;
    while (to - from >= 8 && (std::memcpy(&word, row + from, 8), word == 0)) from += 8;
    while (from < to && row[from] == 0) ++from;
    while (to - from >= 8 && (std::memcpy(&word, row + to - 8, 8), word == 0)) to -= 8;
    while (to > from && row[to - 1] == 0) --to;
}

// BT.601 studio-range chroma of one BGRA pixel.
inline int CrOf(const uint8_t* o) {
    return ((112 * o[2] - 94 * o[1] - 18 * o[0] + 128) >> 8) + 128;
}
inline int CbOf(const uint8_t* o) {
    return ((-38 * o[2] - 74 * o[1] + 112 * o[0] + 128) >> 8) + 128;
}

// Per column x in [x0, x1) of two BGRA rows, the sums of both pixels' Cr, Cb and alpha.
ZVP_ROW_LOOP void PairSums(const uint8_t* __restrict top, const uint8_t* __restrict bottom,
                           int16_t* __restrict cr, int16_t* __restrict cb,
                           int16_t* __restrict alpha, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        cr[x] = int16_t(CrOf(top + 4 * x) + CrOf(bottom + 4 * x));
        cb[x] = int16_t(CbOf(top + 4 * x) + CbOf(bottom + 4 * x));
        alpha[x] = int16_t(top[4 * x + 3] + bottom[4 * x + 3]);
    }
}

// Per block b in [b0, b1), the mean of the four pixels whose column sums `sums` holds.
ZVP_ROW_LOOP void BlockMeans(const int16_t* __restrict sums, uint8_t* __restrict out, int b0,
                             int b1) {
    for (int b = b0; b < b1; ++b) out[b] = uint8_t((sums[2 * b] + sums[2 * b + 1]) >> 2);
}

// The weight of each of `count` pixels of coverage `src` under opacity k, repeated for the
// pixel's four BGRA bytes, so that a row paints as one MixRun over its bytes.
ZVP_ROW_LOOP void PixelWeights(const uint8_t* __restrict src, int count, uint8_t k,
                               uint32_t* __restrict weights) {
    for (int x = 0; x < count; ++x) weights[x] = Div255(uint16_t(src[x] * k)) * 0x01010101u;
}

// Alpha and BT.601 studio-range luma of the BGRA pixels [x0, x1) of a row.
ZVP_ROW_LOOP void LumaRow(const uint8_t* __restrict in, uint8_t* __restrict alpha,
                          uint8_t* __restrict luma, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        const uint8_t* o = in + x * 4;
        alpha[x] = o[3];
        luma[x] = uint8_t(((66 * o[2] + 129 * o[1] + 25 * o[0] + 128) >> 8) + 16);
    }
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
            int first = 0, end = img->w;
            TrimZeros(row, first, end);
            if (first == end) continue;
            const int last = end - 1;
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

void ImagesRowSpans(const ASS_Image* images, const OverlayRect& box, OverlaySpans& out) {
    const int rows = std::max(box.height, 0);
    out.first.assign(rows, box.width);
    out.last.assign(rows, 0);
    for (const ASS_Image* img = images; img; img = img->next) {
        // The images PaintAssImages paints, clipped as it clips them.
        if ((img->color & 0xFF) == 0xFF || img->w <= 0 || img->h <= 0) continue;
        const int x0 = std::max(0, img->dst_x - box.left);
        const int x1 = std::min(box.width, img->dst_x + img->w - box.left);
        const int y0 = std::max(0, img->dst_y - box.top);
        const int y1 = std::min(rows, img->dst_y + img->h - box.top);
        if (x1 <= x0) continue;
        for (int y = y0; y < y1; ++y) {
            out.first[y] = std::min(out.first[y], x0);
            out.last[y] = std::max(out.last[y], x1);
        }
    }
    for (int y = 0; y < rows; y += 2) {
        const int next = std::min(y + 1, rows - 1);
        int first = std::min(out.first[y], out.first[next]) & ~1;
        int last = std::max(out.last[y], out.last[next]);
        last = std::min((last + 1) & ~1, box.width);
        if (last <= first) first = last = 0;
        out.first[y] = out.first[next] = first;
        out.last[y] = out.last[next] = last;
    }
}

void ClearOverlaySpans(uint8_t* bgra, int width, const OverlaySpans& spans) {
    for (size_t y = 0; y < spans.first.size(); ++y) {
        if (spans.last[y] > spans.first[y])
            std::memset(bgra + (y * width + spans.first[y]) * 4, 0,
                        static_cast<size_t>(spans.last[y] - spans.first[y]) * 4);
    }
}

OverlayRect PaintOverlay(const ASS_Image* images, int width, int height, std::vector<uint8_t>& bgra,
                         OverlaySpans& spans) {
    const OverlayRect box = ImagesBoundingBox(images, width, height);
    if (box.empty()) return box;
    const size_t bytes = static_cast<size_t>(box.width) * box.height * 4;
    if (bgra.size() < bytes) bgra.resize(bytes);
    ImagesRowSpans(images, box, spans);
    ClearOverlaySpans(bgra.data(), box.width, spans);
    PaintAssImages(images, box, bgra.data());
    return box;
}

void PaintAssImages(const ASS_Image* images, const OverlayRect& box, uint8_t* bgra) {
    // Scratch rows, kept per thread so that painting allocates only when a row is wider than
    // any before.
    thread_local std::vector<uint32_t> colour;
    thread_local std::vector<uint32_t> weights;
    for (const ASS_Image* img = images; img; img = img->next) {
        const int k = 255 - int(img->color & 0xFF);
        if (k == 0 || img->w <= 0 || img->h <= 0) continue;
        // The part of the image inside the box, in image coordinates.
        const int x0 = std::max(0, box.left - img->dst_x);
        const int x1 = std::min(img->w, box.left + box.width - img->dst_x);
        if (x1 <= x0) continue;
        // The image's B, G, R and opacity repeated over its row, and room for weights.
        const uint8_t bgrk[4] = {uint8_t(img->color >> 8), uint8_t(img->color >> 16),
                                 uint8_t(img->color >> 24), uint8_t(k)};
        uint32_t word;
        std::memcpy(&word, bgrk, 4);
        if (colour.size() < static_cast<size_t>(x1 - x0) || colour.front() != word) {
            colour.assign(std::max(colour.size(), static_cast<size_t>(x1 - x0)), word);
        }
        weights.resize(static_cast<size_t>(x1 - x0));
        const int y0 = std::max(0, box.top - img->dst_y);
        const int y1 = std::min(img->h, box.top + box.height - img->dst_y);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* src = img->bitmap + static_cast<ptrdiff_t>(y) * img->stride;
            // A weight of 0 leaves a byte exactly as it was: the row's clear ends (libass pads
            // its bitmaps) and its clear blocks are skipped, the runs between are branch-free
            // so that they vectorise.
            int from = x0, to = x1;
            TrimZeros(src, from, to);
            if (from == to) continue;
            uint8_t* p = bgra + (static_cast<size_t>(img->dst_y + y - box.top) * box.width +
                                 (img->dst_x + from - box.left)) *
                                    4;
            src += from;
            const int n = to - from;
            for (int a = 0, z = 0; (a = NextCoveredRun(src, n, a, z)) < n; a = z) {
                PixelWeights(src + a, z - a, uint8_t(k), weights.data());
                MixRun(p + 4 * static_cast<size_t>(a),
                       reinterpret_cast<const uint8_t*>(colour.data()),
                       reinterpret_cast<const uint8_t*>(weights.data()), 4 * (z - a));
            }
        }
    }
}

void PrepareRgb24Overlay(const uint8_t* bgra, int width, int height, Rgb24Overlay& out,
                         const OverlaySpans* spans) {
    out.width = width;
    out.height = height;
    const size_t n = static_cast<size_t>(width) * height;
    out.bgr.resize(n * 3);
    out.alpha3.resize(n * 3);
    out.row_first.resize(height);
    out.row_last.resize(height);
    for (int y = 0; y < height; ++y) {
        const int from = spans ? spans->first[y] : 0;
        const int to = spans ? spans->last[y] : width;
        const size_t row = static_cast<size_t>(y) * width;
        uint8_t* __restrict bgr = out.bgr.data() + row * 3;
        uint8_t* __restrict alpha3 = out.alpha3.data() + row * 3;
        const uint8_t* __restrict in = bgra + row * 4;
        for (int x = from; x < to; ++x) {
            for (int c = 0; c < 3; ++c) {
                bgr[x * 3 + c] = in[x * 4 + c];
                alpha3[x * 3 + c] = in[x * 4 + 3];
            }
        }
        int first = 0, last = 0;
        Span(in + static_cast<size_t>(from) * 4 + 3, to - from, 4, first, last);
        out.row_first[y] = from + first;
        out.row_last[y] = from + last;
    }
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
        MixCoveredRuns(dst, overlay.bgr.data() + src, overlay.alpha3.data() + src,
                       (last - first) * 3);
    }
}

void BlendRgb24(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect) {
    if (!frame.data || rect.empty()) return;
    Rgb24Overlay overlay;
    PrepareRgb24Overlay(bgra, rect.width, rect.height, overlay);
    BlendRgb24Overlay(frame, overlay, rect);
}

void PrepareYuvOverlay(const uint8_t* bgra, int width, int height, YuvOverlay& out,
                       const OverlaySpans* spans) {
    out.width = width;
    out.height = height;
    const size_t n = static_cast<size_t>(width) * height;
    out.luma.resize(n);
    out.alpha.resize(n);
    out.row_first.resize(height);
    out.row_last.resize(height);
    const auto from = [&](int y) { return spans ? spans->first[y] : 0; };
    const auto to = [&](int y) { return spans ? spans->last[y] : width; };
    for (int y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y) * width;
        uint8_t* alphaOut = out.alpha.data() + row;
        const int x0 = from(y), x1 = to(y);
        LumaRow(bgra + row * 4, alphaOut, out.luma.data() + row, x0, x1);
        int first = 0, last = 0;
        Span(alphaOut + x0, x1 - x0, 1, first, last);
        out.row_first[y] = x0 + first;
        out.row_last[y] = x0 + last;
    }
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    const size_t blocks = static_cast<size_t>(cw) * ch;
    out.cr.resize(blocks);
    out.cb.resize(blocks);
    out.block_alpha.resize(blocks);
    out.block_first.resize(ch);
    out.block_last.resize(ch);
    // Blocks of four pixels; the last column and row of an odd size have fewer.
    const size_t row = static_cast<size_t>(width) * 4;
    uint8_t* blockAlpha = out.block_alpha.data();
    uint8_t* crs = out.cr.data();
    uint8_t* cbs = out.cb.data();
    // Per column of a pair of rows, the sums of both rows' chroma and alpha, in one
    // vectorisable pass; then each block adds its two columns.
    out.pair_cr.resize(static_cast<size_t>(width));
    out.pair_cb.resize(out.pair_cr.size());
    out.pair_alpha.resize(out.pair_cr.size());
    const int whole = width / 2;
    for (int by = 0; by < ch; ++by) {
        // Both rows of a pair share one span that starts on an even column.
        const int x0 = from(by * 2), x1 = to(by * 2);
        const int bx0 = x0 / 2, bx1 = (x1 + 1) / 2;
        const uint8_t* top = bgra + static_cast<size_t>(by * 2) * row;
        int bx = bx0;
        if (by * 2 + 1 < height) {
            PairSums(top, top + row, out.pair_cr.data(), out.pair_cb.data(), out.pair_alpha.data(),
                     x0, x1);
            const size_t blockRow = static_cast<size_t>(by) * cw;
            const int end = std::min(whole, bx1);
            if (bx < end) {
                BlockMeans(out.pair_alpha.data(), blockAlpha + blockRow, bx, end);
                BlockMeans(out.pair_cr.data(), crs + blockRow, bx, end);
                BlockMeans(out.pair_cb.data(), cbs + blockRow, bx, end);
                bx = end;
            }
        }
        // The last column and row of an odd size: blocks of fewer pixels.
        for (; bx < bx1; ++bx) {
            const size_t i = static_cast<size_t>(by) * cw + bx;
            const uint8_t* o = top + static_cast<size_t>(bx) * 8;
            int alpha = 0, cr = 0, cb = 0, count = 0;
            for (int dy = 0; dy < 2 && by * 2 + dy < height; ++dy) {
                for (int dx = 0; dx < 2 && bx * 2 + dx < width; ++dx) {
                    const uint8_t* q = o + dy * row + dx * 4;
                    alpha += q[3];
                    cr += CrOf(q);
                    cb += CbOf(q);
                    ++count;
                }
            }
            blockAlpha[i] = uint8_t(alpha / 4);
            crs[i] = uint8_t(cr / count);
            cbs[i] = uint8_t(cb / count);
        }
        int first = 0, last = 0;
        Span(out.block_alpha.data() + static_cast<size_t>(by) * cw + bx0, bx1 - bx0, 1, first,
             last);
        out.block_first[by] = bx0 + first;
        out.block_last[by] = bx0 + last;
    }
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
    // Rows [top, top + 2 x block rows): every luma row and every chroma row below written.
    if (frame.canvas) {
        const int rows = 2 * ((rect.height + 1) / 2);
        frame.canvas->PrepareRows(std::max(0, top), std::min(frame.height, top + rows));
    }
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
        if (first < last) MixCoveredRuns(dst + first, ov + first, oa + first, last - first);
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
        if (first < last) {
            const int n = last - first;
            for (int a = 0, z = 0; (a = NextCoveredRun(ba + first, n, a, z)) < n; a = z) {
                MixRun(v + first + a, cr + first + a, ba + first + a, z - a);
                MixRun(u + first + a, cb + first + a, ba + first + a, z - a);
            }
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
