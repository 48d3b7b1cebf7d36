#include "subtitle/CSubtitleBitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
}

#include "graph/FFmpegPtr.h"
#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

using test::Picture;

// Makes a DVD subtitle the way a disc carries it: the picture (palette indices into
// {transparent, red, green, blue}) is encoded with libavcodec's DVD subtitle encoder and
// decoded again by its decoder, so the palette arrives in the decoder's own byte order.
class DvdSubtitleMaker {
  public:
    DvdSubtitleMaker() {
        const AVCodec* enc = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
        const AVCodec* dec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
        if (!enc || !dec) return;
        encoder_.reset(avcodec_alloc_context3(enc));
        encoder_->width = 640;
        encoder_->height = 480;
        encoder_->time_base = AVRational{1, 1000};
        av_opt_set(encoder_->priv_data, "palette",
                   "000000,ff0000,00ff00,0000ff,ffffff,808080,404040,c0c0c0,"
                   "000000,000000,000000,000000,000000,000000,000000,000000",
                   0);
        if (avcodec_open2(encoder_.get(), enc, nullptr) < 0) {
            encoder_.reset();
            return;
        }
        decoder_.reset(avcodec_alloc_context3(dec));
        if (encoder_->extradata_size > 0) {
            decoder_->extradata = static_cast<uint8_t*>(
                av_mallocz(encoder_->extradata_size + AV_INPUT_BUFFER_PADDING_SIZE));
            std::memcpy(decoder_->extradata, encoder_->extradata, encoder_->extradata_size);
            decoder_->extradata_size = encoder_->extradata_size;
        }
        if (avcodec_open2(decoder_.get(), dec, nullptr) < 0) {
            decoder_.reset();
            return;
        }
    }
    bool ok() const { return encoder_ && decoder_; }

    // A w x h bitmap at (x, y): the top third red, the middle green, the bottom blue, with a
    // transparent column on the left.
    AVSubtitlePtr Make(int x, int y, int w, int h) {
        std::vector<uint8_t> indices(size_t(w) * h);
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) indices[size_t(r) * w + c] = c == 0 ? 0 : 1 + r * 3 / h;
        }
        uint32_t palette[4] = {0x00000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
        AVSubtitleRect rect{};
        rect.type = SUBTITLE_BITMAP;
        rect.x = x;
        rect.y = y;
        rect.w = w;
        rect.h = h;
        rect.nb_colors = 4;
        rect.data[0] = indices.data();
        rect.linesize[0] = w;
        rect.data[1] = reinterpret_cast<uint8_t*>(palette);
        AVSubtitleRect* rects[1] = {&rect};
        AVSubtitle in{};
        in.num_rects = 1;
        in.rects = rects;
        in.end_display_time = 2000;
        std::vector<uint8_t> buffer(1 << 20);
        const int size =
            avcodec_encode_subtitle(encoder_.get(), buffer.data(), int(buffer.size()), &in);
        if (size <= 0) return nullptr;
        AVPacketPtr packet = MakePacket();
        av_new_packet(packet.get(), size);
        std::memcpy(packet->data, buffer.data(), size);
        AVSubtitlePtr out = MakeSubtitle();
        int got = 0;
        if (avcodec_decode_subtitle2(decoder_.get(), out.get(), &got, packet.get()) < 0 || !got)
            return nullptr;
        return out;
    }

  private:
    AVCodecContextPtr encoder_;
    AVCodecContextPtr decoder_;
};

class CSubtitleBitmapTest : public test::SubtitleTest {
  protected:
    void SetUp() override {
        test::SubtitleTest::SetUp();
        if (!maker_.ok()) GTEST_SKIP() << "no DVD subtitle codec";
    }
    bool OpenBitmap(int x, int y, int w, int h) {
        SubtitleData data;
        data.subtitle = maker_.Make(x, y, w, h);
        if (!data.subtitle || data.subtitle->num_rects == 0) return false;
        rect_ = *data.subtitle->rects[0];
        return OpenSubtitle(kSubtitleBitmap, 0, std::move(data));
    }
    DvdSubtitleMaker maker_;
    AVSubtitleRect rect_{};  // position and size of the decoded rectangle (no pointers used)
};

TEST_F(CSubtitleBitmapTest, DecodedPaletteIsAarrggbb) {
    AVSubtitlePtr s = maker_.Make(100, 300, 60, 30);
    ASSERT_TRUE(s && s->num_rects == 1);
    const AVSubtitleRect* r = s->rects[0];
    const auto* palette = reinterpret_cast<const uint32_t*>(r->data[1]);
    // The pixel in the middle of the top third is red: 0xAARRGGBB with RR = FF.
    const uint32_t top = palette[r->data[0][(r->h / 6) * r->linesize[0] + r->w / 2]];
    EXPECT_EQ(top & 0x00FFFFFF, 0x00FF0000u);
    EXPECT_EQ(top >> 24, 0xFFu);
}

TEST_F(CSubtitleBitmapTest, ColoursAreRightOnRgb24AndYv12) {
    ASSERT_TRUE(OpenBitmap(100, 300, 60, 30));
    const int cx = rect_.x + rect_.w / 2;
    const int third = rect_.h / 3;
    const int yRed = rect_.y + third / 2, yGreen = rect_.y + third + third / 2,
              yBlue = rect_.y + 2 * third + third / 2;

    Picture rgb = Render(Picture::Rgb24(kWidth, kHeight, 50), 0);
    auto bgr = [&](int x, int y) {
        const uint8_t* p = rgb.Pixel(x, y);
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(bgr(cx, yRed), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(bgr(cx, yGreen), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(bgr(cx, yBlue), (std::vector<int>{255, 0, 0}));
    // Transparent palette entries leave the picture alone.
    EXPECT_EQ(bgr(rect_.x - 1, yRed), (std::vector<int>{50, 50, 50}));
    EXPECT_EQ(bgr(10, 10), (std::vector<int>{50, 50, 50}));

    Picture yuv = Render(Picture::Yv12(kWidth, kHeight, 16), 0);
    // BT.601 studio range: red Y 82 Cb 90 Cr 240; green 145 54 34; blue 41 240 110.
    EXPECT_NEAR(yuv.Luma(cx, yRed), 82, 2);
    EXPECT_NEAR(yuv.U(cx, yRed), 90, 2);
    EXPECT_NEAR(yuv.V(cx, yRed), 240, 2);
    EXPECT_NEAR(yuv.Luma(cx, yGreen), 145, 2);
    EXPECT_NEAR(yuv.V(cx, yGreen), 34, 2);
    EXPECT_NEAR(yuv.Luma(cx, yBlue), 41, 2);
    EXPECT_NEAR(yuv.U(cx, yBlue), 240, 2);
    EXPECT_EQ(yuv.Luma(10, 10), 16);
}

TEST_F(CSubtitleBitmapTest, ShownUntilReplacedClearedOrSeeked) {
    ASSERT_TRUE(OpenBitmap(100, 300, 60, 30));
    Picture base = Picture::Rgb24(kWidth, kHeight, 50);
    const auto first = Render(base, 0).ChangedRows(base);
    ASSERT_FALSE(first.empty());
    // Whatever the time, long after the subtitle's own end.
    EXPECT_EQ(Render(base, 3600000).ChangedRows(base), first);

    ASSERT_TRUE(OpenBitmap(200, 50, 40, 20));
    const auto second = Render(base, 0).ChangedRows(base);
    ASSERT_FALSE(second.empty());
    EXPECT_LT(second.back(), 100);

    SeekSubtitles(0);
    EXPECT_TRUE(Render(base, 0).ChangedRows(base).empty());
    ASSERT_TRUE(OpenBitmap(200, 50, 40, 20));
    ClearSubtitles(kSubtitleBitmap);
    EXPECT_TRUE(Render(base, 0).ChangedRows(base).empty());
}

TEST_F(CSubtitleBitmapTest, RectangleAtTheTopLandsOnTheTopRow) {
    ASSERT_TRUE(OpenBitmap(100, 0, 60, 30));
    ASSERT_EQ(rect_.y, 0);
    Picture base = Picture::Rgb24(kWidth, kHeight, 50);
    Picture drawn = Render(base, 0);
    const auto rows = drawn.ChangedRows(base);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    // The top row is the last row in memory of a bottom-up picture.
    EXPECT_EQ(drawn.Pixel(rect_.x + rect_.w / 2, 0)[2], 255);
}

TEST_F(CSubtitleBitmapTest, RectangleOutsideThePictureIsClipped) {
    ASSERT_TRUE(OpenBitmap(40, 30, 60, 30));
    // Partly and wholly outside small pictures: nothing is written out of bounds.
    Picture yuv = Picture::Yv12(64, 48, 16);
    EXPECT_TRUE(Render(yuv, 0).Differs(yuv));
    Picture rgb = Picture::Rgb24(30, 20);
    EXPECT_FALSE(Render(rgb, 0).Differs(rgb));
}

TEST_F(CSubtitleBitmapTest, TextSubtitlesAreIgnored) {
    SubtitleData data;
    data.subtitle = MakeSubtitle();
    EXPECT_FALSE(OpenSubtitle(kSubtitleBitmap, 0, std::move(data)));  // refused
    Picture base = Picture::Rgb24(kWidth, kHeight);
    EXPECT_FALSE(Render(base, 0).Differs(base));
}

}  // namespace
}  // namespace zvp
