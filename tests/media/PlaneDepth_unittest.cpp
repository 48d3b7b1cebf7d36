// Reducing 9- to 14-bit planes to 8 bits: exact values stay exact, the dither keeps the mean,
// corrupt high bits cannot wrap, unaligned rows and odd widths are whole, and the result
// agrees with libswscale's within one step. The scaler offers the direct reduction only when
// nothing but the depth differs.
#include "media/PlaneDepth.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/CVideoScaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace zvp {
namespace {

// A plane of 16-bit samples, `value(x, y)` each, starting `offset` bytes into its buffer.
struct Plane16 {
    std::vector<uint8_t> bytes;
    uint8_t* data = nullptr;
    ptrdiff_t stride = 0;

    template <typename F>
    Plane16(int width, int height, int offset, F value)
        : bytes(size_t(width * 2 + 6) * height + 8), stride(width * 2 + 6) {
        data = bytes.data() + offset;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint16_t v = value(x, y);
                std::memcpy(data + y * stride + x * 2, &v, 2);
            }
        }
    }
};

std::vector<uint8_t> Reduce(const Plane16& plane, int width, int height, int depth) {
    // One guard byte after each row shows writes past the width.
    std::vector<uint8_t> out(size_t(width + 1) * height, 0xA5);
    ReducePlaneTo8Bits(plane.data, plane.stride, out.data(), width + 1, width, height, depth);
    for (int y = 0; y < height; ++y) EXPECT_EQ(out[size_t(y) * (width + 1) + width], 0xA5);
    return out;
}

TEST(PlaneDepthTest, ExactValuesStayExactAtEveryDepthWidthAndAlignment) {
    for (int depth : {9, 10, 12, 14}) {
        for (int width : {1, 7, 64, 67, 130}) {
            for (int offset : {0, 1}) {
                SCOPED_TRACE(testing::Message()
                             << depth << " bits, " << width << " wide, offset " << offset);
                const int height = 9;
                const Plane16 plane(width, height, offset, [&](int x, int y) {
                    return uint16_t(((x * 7 + y * 13) & 255) << (depth - 8));
                });
                const std::vector<uint8_t> out = Reduce(plane, width, height, depth);
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        ASSERT_EQ(out[size_t(y) * (width + 1) + x], (x * 7 + y * 13) & 255)
                            << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(PlaneDepthTest, TopClampsAndBitsAboveTheDepthAreIgnored) {
    const Plane16 top(16, 8, 0, [](int, int) { return uint16_t(1023); });
    const std::vector<uint8_t> white = Reduce(top, 16, 8, 10);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_EQ(white[size_t(y) * 17 + x], 255);
    }
    // 0xFC00 on top of 512: what a corrupt stream might hold.
    const Plane16 high(16, 8, 0, [](int, int) { return uint16_t(0xFC00 | 512); });
    const std::vector<uint8_t> out = Reduce(high, 16, 8, 10);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_EQ(out[size_t(y) * 17 + x], 128);
    }
}

TEST(PlaneDepthTest, DitherKeepsTheMeanBetweenSteps) {
    for (int k = 0; k < 4; ++k) {
        const Plane16 plane(64, 64, 0, [&](int, int) { return uint16_t(400 + k); });
        const std::vector<uint8_t> out = Reduce(plane, 64, 64, 10);
        double sum = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) sum += out[size_t(y) * 65 + x];
        }
        EXPECT_NEAR(sum / (64 * 64), 100 + k / 4.0, 0.02) << k;
    }
}

TEST(PlaneDepthTest, AgreesWithLibswscaleWithinOneStep) {
    constexpr int kW = 96, kH = 32;
    AVFramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P10LE;
    frame->width = kW;
    frame->height = kH;
    ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? kW / 2 : kW, h = plane ? kH / 2 : kH;
        for (int y = 0; y < h; ++y) {
            auto* row =
                reinterpret_cast<uint16_t*>(frame->data[plane] + y * frame->linesize[plane]);
            for (int x = 0; x < w; ++x) row[x] = uint16_t(64 + (x * 911 + y * 37 + plane) % 877);
        }
    }
    std::vector<uint8_t> theirs(kW * kH * 3 / 2);
    uint8_t* dst[4] = {theirs.data(), theirs.data() + kW * kH, theirs.data() + kW * kH * 5 / 4,
                       nullptr};
    const int dstStride[4] = {kW, kW / 2, kW / 2, 0};
    SwsContextPtr sws(sws_getContext(kW, kH, AV_PIX_FMT_YUV420P10LE, kW, kH, AV_PIX_FMT_YUV420P,
                                     SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
    ASSERT_TRUE(sws);
    ASSERT_GT(sws_scale(sws.get(), frame->data, frame->linesize, 0, kH, dst, dstStride), 0);

    std::vector<uint8_t> ours(theirs.size());
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? kW / 2 : kW, h = plane ? kH / 2 : kH;
        ReducePlaneTo8Bits(frame->data[plane], frame->linesize[plane],
                           ours.data() + (dst[plane] - theirs.data()), w, w, h, 10);
    }
    for (size_t i = 0; i < ours.size(); ++i) ASSERT_LE(std::abs(ours[i] - theirs[i]), 1) << i;
}

TEST(PlaneDepthTest, ScalerReducesDirectlyOnlyWhenOnlyTheDepthDiffers) {
    AVFramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P10LE;
    frame->width = 64;
    frame->height = 32;
    frame->color_range = AVCOL_RANGE_MPEG;
    frame->colorspace = AVCOL_SPC_BT709;
    const VideoColour hd{ColourMatrix::BT709, ColourRange::Limited};
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P, hd), 10);
    // Other range, matrix, size, output format or chroma layout: libswscale's work.
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P,
                                                {ColourMatrix::BT709, ColourRange::Full}),
              0);
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P,
                                                {ColourMatrix::BT601, ColourRange::Limited}),
              0);
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 32, 16, AV_PIX_FMT_YUV420P, hd), 0);
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_RGB24, hd), 0);
    frame->format = AV_PIX_FMT_YUV422P10LE;
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P, hd), 0);
    frame->format = AV_PIX_FMT_YUV420P;
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P, hd), 0);
    // A picture that says nothing takes the output's colour.
    frame->format = AV_PIX_FMT_YUV420P12LE;
    frame->color_range = AVCOL_RANGE_UNSPECIFIED;
    frame->colorspace = AVCOL_SPC_UNSPECIFIED;
    EXPECT_EQ(CVideoScaler::PlainDepthReduction(*frame, 64, 32, AV_PIX_FMT_YUV420P, hd), 12);
}

}  // namespace
}  // namespace zvp
