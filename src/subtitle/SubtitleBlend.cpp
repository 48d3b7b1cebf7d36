#include "subtitle/SubtitleBlend.h"

#include <algorithm>
#include <cstddef>

namespace zvp {

namespace {

inline uint8_t Clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

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
            int first = -1, last = -1;
            for (int x = 0; x < img->w; ++x) {
                if (row[x] == 0) continue;
                if (first < 0) first = x;
                last = x;
            }
            if (first < 0) continue;
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
        const int r = int(img->color >> 24) & 0xFF;
        const int g = int(img->color >> 16) & 0xFF;
        const int b = int(img->color >> 8) & 0xFF;
        for (int y = 0; y < img->h; ++y) {
            const int oy = img->dst_y + y - box.top;
            if (oy < 0 || oy >= box.height) continue;
            const uint8_t* src = img->bitmap + static_cast<ptrdiff_t>(y) * img->stride;
            for (int x = 0; x < img->w; ++x) {
                const int ox = img->dst_x + x - box.left;
                if (ox < 0 || ox >= box.width) continue;
                const int a = src[x] * k / 255;
                if (a == 0) continue;
                uint8_t* p = bgra + (static_cast<size_t>(oy) * box.width + ox) * 4;
                p[0] = uint8_t((b * a + (255 - a) * p[0]) / 255);
                p[1] = uint8_t((g * a + (255 - a) * p[1]) / 255);
                p[2] = uint8_t((r * a + (255 - a) * p[2]) / 255);
                p[3] = uint8_t((k * a + (255 - a) * p[3]) / 255);
            }
        }
    }
}

void BlendRgb24(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rect) {
    if (!frame.data || rect.empty()) return;
    const int stride = FrameStride(frame);
    for (int y = 0; y < rect.height; ++y) {
        const int py = rect.top + y;
        if (py < 0 || py >= frame.height) continue;
        uint8_t* row = frame.data + static_cast<size_t>(frame.height - 1 - py) * stride;
        const uint8_t* src = bgra + static_cast<size_t>(y) * rect.width * 4;
        for (int x = 0; x < rect.width; ++x) {
            const int px = rect.left + x;
            const uint8_t* o = src + x * 4;
            const int a = o[3];
            if (a == 0 || px < 0 || px >= frame.width) continue;
            uint8_t* p = row + px * 3;
            for (int c = 0; c < 3; ++c) p[c] = uint8_t((a * o[c] + (255 - a) * p[c]) / 255);
        }
    }
}

void BlendYv12(const SubtitleFrame& frame, const uint8_t* bgra, const OverlayRect& rectIn) {
    if (!frame.data || rectIn.empty()) return;
    OverlayRect rect = rectIn;
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

    for (int y = 0; y < rect.height; ++y) {
        const int py = top + y;
        if (py < 0 || py >= frame.height) continue;
        const uint8_t* src = bgra + static_cast<size_t>(y) * rect.width * 4;
        uint8_t* dst = yPlane + static_cast<size_t>(py) * ys;
        for (int x = 0; x < rect.width; ++x) {
            const int px = left + x;
            const uint8_t* o = src + x * 4;
            const int a = o[3];
            if (a == 0 || px < 0 || px >= frame.width) continue;
            const int yy = ((66 * o[2] + 129 * o[1] + 25 * o[0] + 128) >> 8) + 16;
            dst[px] = Clamp8(((yy - 16) * a + (dst[px] - 16) * (255 - a)) / 255 + 16);
        }
    }
    for (int by = 0; by < rect.height; by += 2) {
        const int cy = (top + by) / 2;
        if (cy < 0 || cy >= ch) continue;
        for (int bx = 0; bx < rect.width; bx += 2) {
            const int cx = (left + bx) / 2;
            if (cx < 0 || cx >= cw) continue;
            int alpha = 0, cr = 0, cb = 0, n = 0;
            for (int dy = 0; dy < 2 && by + dy < rect.height; ++dy) {
                for (int dx = 0; dx < 2 && bx + dx < rect.width; ++dx) {
                    const uint8_t* o = bgra + (static_cast<size_t>(by + dy) * rect.width + bx + dx) * 4;
                    alpha += o[3];
                    cr += ((112 * o[2] - 94 * o[1] - 18 * o[0] + 128) >> 8) + 128;
                    cb += ((-38 * o[2] - 74 * o[1] + 112 * o[0] + 128) >> 8) + 128;
                    ++n;
                }
            }
            const int a = alpha / 4;
            if (a == 0) continue;
            cr /= n;
            cb /= n;
            uint8_t& v = vPlane[static_cast<size_t>(cy) * cs + cx];
            uint8_t& u = uPlane[static_cast<size_t>(cy) * cs + cx];
            v = Clamp8(((cr - 128) * a + (v - 128) * (255 - a)) / 255 + 128);
            u = Clamp8(((cb - 128) * a + (u - 128) * (255 - a)) / 255 + 128);
        }
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
