// The decoder's picture conversion: ranges are converted (or kept) as the output type says,
// whether the picture tells its range by pixel format or by its tag, and RGB output uses the
// picture's matrix.
#include "media/CVideoScaler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace zvp {
namespace {

constexpr int kW = 32, kH = 16;

// A flat picture of one Y', Cb, Cr value.
AVFramePtr FlatFrame(AVPixelFormat format, AVColorRange range, AVColorSpace space, uint8_t y,
                     uint8_t cb, uint8_t cr) {
    AVFramePtr f = MakeFrame();
    f->format = format;
    f->width = kW;
    f->height = kH;
    f->color_range = range;
    f->colorspace = space;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    for (int row = 0; row < kH; ++row) std::memset(f->data[0] + row * f->linesize[0], y, kW);
    for (int row = 0; row < kH / 2; ++row) {
        std::memset(f->data[1] + row * f->linesize[1], cb, kW / 2);
        std::memset(f->data[2] + row * f->linesize[2], cr, kW / 2);
    }
    return f;
}

// The first Y' and Cb of `frame` converted to 4:2:0 in `colour`.
std::pair<int, int> ToYuv(CVideoScaler& scaler, const AVFrame& frame, VideoColour colour) {
    std::vector<uint8_t> out(kW * kH * 3 / 2);
    uint8_t* dst[4] = {out.data(), out.data() + kW * kH, out.data() + kW * kH * 5 / 4, nullptr};
    const int dstStride[4] = {kW, kW / 2, kW / 2, 0};
    SwsContext* c = scaler.Get(frame, kW, kH, AV_PIX_FMT_YUV420P, colour);
    if (!c) return {-1, -1};
    sws_scale(c, frame.data, frame.linesize, 0, kH, dst, dstStride);
    return {out[0], out[kW * kH]};
}

// Within 1 of the ideal value (libswscale converts ranges in fixed point).
void ExpectYuv(CVideoScaler& scaler, const AVFrame& frame, VideoColour colour, int y, int cb) {
    const auto [gotY, gotCb] = ToYuv(scaler, frame, colour);
    EXPECT_NEAR(gotY, y, 1);
    EXPECT_NEAR(gotCb, cb, 1);
}

TEST(CVideoScalerTest, RangeFollowsThePictureAndTheOutputType) {
    CVideoScaler scaler;
    const VideoColour full{ColourMatrix::BT601, ColourRange::Full};
    const VideoColour limited{ColourMatrix::BT601, ColourRange::Limited};
    // Full range by pixel format: white and the lowest Cb stay as they are for a full-range
    // output, and are squeezed into 16..235 (Cb 16..240) for a limited one.
    AVFramePtr jpeg =
        FlatFrame(AV_PIX_FMT_YUVJ420P, AVCOL_RANGE_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED, 255, 0, 128);
    EXPECT_EQ(CVideoScaler::FrameColour(*jpeg).range, ColourRange::Full);
    ExpectYuv(scaler, *jpeg, full, 255, 0);
    ExpectYuv(scaler, *jpeg, limited, 235, 16);
    // Full range by tag on a plain 4:2:0 picture: the same.
    AVFramePtr tagged =
        FlatFrame(AV_PIX_FMT_YUV420P, AVCOL_RANGE_JPEG, AVCOL_SPC_BT470BG, 0, 255, 128);
    ExpectYuv(scaler, *tagged, limited, 16, 240);
    ExpectYuv(scaler, *tagged, full, 0, 255);
    // An untagged picture takes the output type's range: nothing to convert either way.
    AVFramePtr untagged =
        FlatFrame(AV_PIX_FMT_YUV420P, AVCOL_RANGE_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED, 20, 30, 128);
    ExpectYuv(scaler, *untagged, limited, 20, 30);
    ExpectYuv(scaler, *untagged, full, 20, 30);
}

TEST(CVideoScalerTest, RgbOutputUsesThePictureMatrix) {
    // Red 200, green 30, blue 40 in BT.709 limited range.
    const double kr = 0.2126, kb = 0.0722, r = 200 / 255.0, g = 30 / 255.0, b = 40 / 255.0;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const auto byte = [](double v) { return uint8_t(std::lround(v)); };
    AVFramePtr f = FlatFrame(AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG, AVCOL_SPC_BT709,
                             byte(16 + 219 * y), byte(128 + 224 * (b - y) / (2 * (1 - kb))),
                             byte(128 + 224 * (r - y) / (2 * (1 - kr))));
    CVideoScaler scaler;
    std::vector<uint8_t> rgb(kW * kH * 3);
    uint8_t* dst[4] = {rgb.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {kW * 3, 0, 0, 0};
    // The output type's colour (BT.601) does not apply to RGB output.
    SwsContext* c = scaler.Get(*f, kW, kH, AV_PIX_FMT_RGB24, VideoColour{ColourMatrix::BT601});
    ASSERT_NE(c, nullptr);
    sws_scale(c, f->data, f->linesize, 0, kH, dst, dstStride);
    const int centre = (kH / 2 * kW + kW / 2) * 3;
    EXPECT_NEAR(rgb[centre], 200, 3);
    EXPECT_NEAR(rgb[centre + 1], 30, 3);
    EXPECT_NEAR(rgb[centre + 2], 40, 3);
}

}  // namespace
}  // namespace zvp
