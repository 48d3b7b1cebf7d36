#pragma once

// Four vertical stripes of known colours as a YV12 picture in a chosen matrix and range, and
// the check that a grabbed image shows them. The colours are chosen so that decoding with any
// other of the six matrix and range pairs moves some channel by 10 or more (clipping
// included), well beyond the tolerance of 4.

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "graph/CBaseVideoRenderer.h"
#include "graph/FFmpegPtr.h"
#include "graph/VideoPattern.h"

namespace zvp::test {

inline constexpr Rgb kStripes[4] = {{220, 20, 30}, {20, 210, 40}, {40, 40, 220}, {230, 200, 40}};

inline const char* ColourName(VideoColour c) {
    static const char* names[4][3] = {{"unknown", "unknown limited", "unknown full"},
                                      {"BT.601", "BT.601 limited", "BT.601 full"},
                                      {"BT.709", "BT.709 limited", "BT.709 full"},
                                      {"BT.2020", "BT.2020 limited", "BT.2020 full"}};
    return names[int(c.matrix)][int(c.range)];
}

// Y', Cb, Cr bytes of `c` in `colour` (resolved), from the matrix's defining equations.
inline void StripeYuv(Rgb c, VideoColour colour, uint8_t out[3]) {
    double kr = 0.299, kb = 0.114;
    if (colour.matrix == ColourMatrix::BT709) {
        kr = 0.2126;
        kb = 0.0722;
    } else if (colour.matrix == ColourMatrix::BT2020NC) {
        kr = 0.2627;
        kb = 0.0593;
    }
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double pb = (b - y) / (2 * (1 - kb)), pr = (r - y) / (2 * (1 - kr));
    const bool full = colour.range == ColourRange::Full;
    const double v[3] = {full ? 255 * y : 16 + 219 * y, 128 + (full ? 255 : 224) * pb,
                         128 + (full ? 255 : 224) * pr};
    for (int i = 0; i < 3; ++i) out[i] = uint8_t(std::clamp(std::lround(v[i]), 0L, 255L));
}

// `width` x `height` (even) YV12 bytes: stripe i covers columns [i * width / 4, (i+1) * width / 4).
inline std::vector<uint8_t> StripesYv12(int width, int height, VideoColour colour) {
    std::vector<uint8_t> out(CMediaType::ImageSize(SubType::YV12, width, height));
    uint8_t* Y = out.data();
    uint8_t* V = Y + width * height;
    uint8_t* U = V + (width / 2) * (height / 2);
    for (int x = 0; x < width; ++x) {
        uint8_t yuv[3];
        StripeYuv(kStripes[x * 4 / width], colour, yuv);
        for (int y = 0; y < height; ++y) Y[y * width + x] = yuv[0];
        if (x % 2 != 0) continue;
        for (int y = 0; y < height / 2; ++y) {
            U[y * (width / 2) + x / 2] = yuv[1];
            V[y * (width / 2) + x / 2] = yuv[2];
        }
    }
    return out;
}

// The same picture as a decoder would lend it: an 8-bit 4:2:0 frame whose rows are longer
// than the picture, the extra bytes 255 (a reader that ignores the row length shows them).
inline AVFramePtr StripesFrame(int width, int height, VideoColour colour) {
    const std::vector<uint8_t> packed = StripesYv12(width, height, colour);
    AVFramePtr frame(av_frame_alloc());
    if (!frame) return frame;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width + 40;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    frame->width = width;
    const uint8_t* Y = packed.data();
    const uint8_t* V = Y + width * height;
    const uint8_t* U = V + (width / 2) * (height / 2);
    const uint8_t* from[3] = {Y, U, V};
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? width / 2 : width, h = plane ? height / 2 : height;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = frame->data[plane] + ptrdiff_t(y) * frame->linesize[plane];
            std::fill(row, row + frame->linesize[plane], uint8_t(255));
            std::copy(from[plane] + y * w, from[plane] + (y + 1) * w, row);
        }
    }
    return frame;
}

// Sets luma rows [top, bottom) (even ends) of a lent frame, and the chroma rows below them, to 0:
// a picture whose true rows there must come from elsewhere (a band drawn on).
inline void SpoilRows(AVFrame& frame, int top, int bottom) {
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane ? 1 : 0;
        for (int y = top >> shift; y < bottom >> shift; ++y)
            std::fill_n(frame.data[plane] + ptrdiff_t(y) * frame.linesize[plane],
                        frame.width >> shift, uint8_t(0));
    }
}

inline VideoFormat StripesFormat(int width, int height, VideoColour colour) {
    return VideoFormat{SubType::YV12, width, height,
                       CMediaType::ImageSize(SubType::YV12, width, height), colour};
}

// Empty when every stripe's centre in `img` (any size) is within `tolerance` of its colour in
// each channel; otherwise what is wrong.
inline std::string StripesDiffer(const QImage& img, int tolerance = 4) {
    if (img.isNull()) return "null image";
    std::string why;
    for (int i = 0; i < 4; ++i) {
        const int x = (2 * i + 1) * img.width() / 8, y = img.height() / 2;
        const QColor c = img.pixelColor(x, y);
        const Rgb want = kStripes[i];
        if (std::abs(c.red() - want.r) > tolerance || std::abs(c.green() - want.g) > tolerance ||
            std::abs(c.blue() - want.b) > tolerance) {
            why += "stripe " + std::to_string(i) + " is " + std::to_string(c.red()) + "," +
                   std::to_string(c.green()) + "," + std::to_string(c.blue()) + " for " +
                   std::to_string(want.r) + "," + std::to_string(want.g) + "," +
                   std::to_string(want.b) + "; ";
        }
    }
    return why;
}

}  // namespace zvp::test
