// The overlay preparation and painting are written for the vectoriser; these tests hold them
// to straightforward per-pixel definitions on random input of even and odd sizes.
#include "subtitle/SubtitleBlend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "subtitle/ISubtitleCanvas.h"

namespace zvp {
namespace {

int CrOf(const uint8_t* o) {
    return ((112 * o[2] - 94 * o[1] - 18 * o[0] + 128) >> 8) + 128;
}
int CbOf(const uint8_t* o) {
    return ((-38 * o[2] - 74 * o[1] + 112 * o[0] + 128) >> 8) + 128;
}

std::vector<uint8_t> RandomBgra(int width, int height, std::mt19937& rng) {
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    for (auto& b : bgra) b = uint8_t(rng() % 4 == 0 ? 0 : rng());
    return bgra;
}

// The BGRA overlay of `box` that painting `images` one pixel at a time gives.
std::vector<uint8_t> PaintedByDefinition(const ASS_Image* images, const OverlayRect& box) {
    std::vector<uint8_t> expected(static_cast<size_t>(box.width) * box.height * 4, 0);
    for (const ASS_Image* img = images; img; img = img->next) {
        const int k = 255 - int(img->color & 0xFF);
        const int rgb[3] = {int(img->color >> 8) & 0xFF, int(img->color >> 16) & 0xFF,
                            int(img->color >> 24) & 0xFF};  // B, G, R
        for (int y = 0; y < img->h; ++y) {
            for (int x = 0; x < img->w; ++x) {
                const int ox = img->dst_x + x - box.left, oy = img->dst_y + y - box.top;
                if (ox < 0 || oy < 0 || ox >= box.width || oy >= box.height) continue;
                const int al = img->bitmap[y * img->stride + x] * k / 255;
                uint8_t* p = &expected[(static_cast<size_t>(oy) * box.width + ox) * 4];
                for (int c = 0; c < 3; ++c) p[c] = uint8_t((rgb[c] * al + (255 - al) * p[c]) / 255);
                p[3] = uint8_t((k * al + (255 - al) * p[3]) / 255);
            }
        }
    }
    return expected;
}

// Luma, Cr and Cb are held to the definition wherever blending weighs them (alpha above 0),
// also beside clear stretches, and with an overlay that held other pixels before.
TEST(SubtitleBlendTest, YuvOverlayMatchesPerPixelDefinition) {
    std::mt19937 rng(7);
    YuvOverlay out;
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 5}, {16, 9}, {33, 17}, {64, 2}, {301, 6}}) {
        auto bgra = RandomBgra(w, h, rng);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool clear = (x >= 7 + y && x < 150) || (x >= 190 && x < 260 - y);
                if (clear) bgra[(static_cast<size_t>(y) * w + x) * 4 + 3] = 0;
            }
        }
        PrepareYuvOverlay(RandomBgra(w, h, rng).data(), w, h, out);
        PrepareYuvOverlay(bgra.data(), w, h, out);
        for (int i = 0; i < w * h; ++i) {
            const uint8_t* o = &bgra[i * 4];
            ASSERT_EQ(out.alpha[i], o[3]);
            if (o[3] == 0) continue;
            ASSERT_EQ(out.luma[i], uint8_t(((66 * o[2] + 129 * o[1] + 25 * o[0] + 128) >> 8) + 16))
                << w << "x" << h << " pixel " << i;
        }
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        for (int by = 0; by < ch; ++by) {
            for (int bx = 0; bx < cw; ++bx) {
                int alpha = 0, cr = 0, cb = 0, count = 0;
                for (int y = by * 2; y < std::min(h, by * 2 + 2); ++y) {
                    for (int x = bx * 2; x < std::min(w, bx * 2 + 2); ++x) {
                        const uint8_t* o = &bgra[(static_cast<size_t>(y) * w + x) * 4];
                        alpha += o[3];
                        cr += CrOf(o);
                        cb += CbOf(o);
                        ++count;
                    }
                }
                const size_t i = static_cast<size_t>(by) * cw + bx;
                ASSERT_EQ(out.block_alpha[i], alpha / 4)
                    << w << "x" << h << " block " << bx << "," << by;
                if (alpha / 4 == 0) continue;
                ASSERT_EQ(out.cr[i], cr / count) << w << "x" << h << " block " << bx << "," << by;
                ASSERT_EQ(out.cb[i], cb / count) << w << "x" << h << " block " << bx << "," << by;
            }
        }
    }
}

TEST(SubtitleBlendTest, PaintingMatchesPerPixelDefinitionAndClipsToTheBox) {
    std::mt19937 rng(11);
    // Two overlapping images, one reaching outside the box on every side.
    std::vector<uint8_t> bitmapA(20 * 10), bitmapB(40 * 30);
    for (auto& b : bitmapA) b = uint8_t(rng() % 3 == 0 ? 0 : rng());
    for (auto& b : bitmapB) b = uint8_t(rng() % 3 == 0 ? 0 : rng());
    ASS_Image b{};
    b.w = 40, b.h = 30, b.stride = 40, b.bitmap = bitmapB.data(), b.color = 0x10E0F040;
    b.dst_x = -5, b.dst_y = -4;
    ASS_Image a{};
    a.w = 20, a.h = 10, a.stride = 20, a.bitmap = bitmapA.data(), a.color = 0xC0208000;
    a.dst_x = 3, a.dst_y = 6, a.next = &b;
    const OverlayRect box{0, 0, 25, 18};
    std::vector<uint8_t> painted(static_cast<size_t>(box.width) * box.height * 4, 0);
    PaintAssImages(&a, box, painted.data());

    EXPECT_EQ(painted, PaintedByDefinition(&a, box));
}

TEST(SubtitleBlendTest, BoundingBoxCountsOnlyCoveredPixels) {
    std::vector<uint8_t> bitmap(10 * 6, 0);
    bitmap[2 * 10 + 3] = 9;  // (3, 2)
    bitmap[4 * 10 + 7] = 1;  // (7, 4)
    ASS_Image img{};
    img.w = 10, img.h = 6, img.stride = 10, img.bitmap = bitmap.data(), img.dst_x = 100,
    img.dst_y = 50;
    const OverlayRect box = ImagesBoundingBox(&img, 640, 480);
    EXPECT_EQ(box.left, 103);
    EXPECT_EQ(box.top, 52);
    EXPECT_EQ(box.width, 5);
    EXPECT_EQ(box.height, 3);
    img.color = 0xFF;  // fully transparent colour: nothing visible
    EXPECT_TRUE(ImagesBoundingBox(&img, 640, 480).empty());

    // Wide clear margins on both sides of each row.
    std::vector<uint8_t> wide(40 * 3, 0);
    wide[1 * 40 + 20] = 7;
    wide[2 * 40 + 31] = 3;
    ASS_Image margins{};
    margins.w = 40, margins.h = 3, margins.stride = 40, margins.bitmap = wide.data();
    const OverlayRect inner = ImagesBoundingBox(&margins, 640, 480);
    EXPECT_EQ(inner.left, 20);
    EXPECT_EQ(inner.top, 1);
    EXPECT_EQ(inner.width, 12);
    EXPECT_EQ(inner.height, 2);
}

// Two lines far apart and a third overlapping one of them, at odd and even places, with clear
// margins as libass leaves them: clearing, converting and blending only the rows' spans gives
// the picture that the whole box gives, in both formats.
TEST(SubtitleBlendTest, SpansBlendAsTheWholeBoxDoes) {
    std::mt19937 rng(5);
    for (int round = 0; round < 6; ++round) {
        std::vector<std::vector<uint8_t>> bitmaps;
        std::vector<ASS_Image> images(3);
        const int places[3][2] = {{7 + round, 3}, {90 - round, 40 + round}, {12, 6 + round % 2}};
        for (int i = 0; i < 3; ++i) {
            ASS_Image& img = images[i];
            img.w = 20 + int(rng() % 21), img.h = 9 + int(rng() % 8), img.stride = img.w + 3;
            bitmaps.emplace_back(static_cast<size_t>(img.stride) * img.h, 0);
            for (int y = 1; y < img.h - 1; ++y)
                for (int x = 2; x < img.w - 2; ++x)
                    bitmaps.back()[y * img.stride + x] = uint8_t(rng() % 3 ? rng() : 0);
            img.bitmap = bitmaps.back().data();
            img.color = (uint32_t(rng()) & 0xFFFFFF00u) | (i == 2 ? 0x40 : 0);
            img.dst_x = places[i][0], img.dst_y = places[i][1];
            if (i > 0) images[i - 1].next = &img;
        }
        const int width = 160, height = 90;
        const OverlayRect box = ImagesBoundingBox(images.data(), width, height);
        ASSERT_FALSE(box.empty());
        const size_t bytes = static_cast<size_t>(box.width) * box.height * 4;
        std::vector<uint8_t> whole(bytes, 0), spanned(bytes, 0xA5);  // stale bytes outside
        OverlaySpans spans;
        ImagesRowSpans(images.data(), box, spans);
        ClearOverlaySpans(spanned.data(), box.width, spans);
        PaintAssImages(images.data(), box, whole.data());
        PaintAssImages(images.data(), box, spanned.data());

        for (bool rgb24 : {false, true}) {
            const int stride = rgb24 ? (width * 3 + 3) / 4 * 4 : width;
            const size_t size = rgb24 ? size_t(stride) * height : size_t(width) * height * 3 / 2;
            std::vector<uint8_t> base(size);
            for (auto& b : base) b = uint8_t(rng());
            std::vector<uint8_t> a = base, b = base;
            SubtitleFrame fa{a.data(), width, height, stride, rgb24, 0};
            SubtitleFrame fb{b.data(), width, height, stride, rgb24, 0};
            const OverlayRect at{box.left & ~1, box.top & ~1, box.width, box.height};
            if (rgb24) {
                Rgb24Overlay oa, ob;
                PrepareRgb24Overlay(whole.data(), box.width, box.height, oa);
                PrepareRgb24Overlay(spanned.data(), box.width, box.height, ob, &spans);
                BlendRgb24Overlay(fa, oa, at);
                BlendRgb24Overlay(fb, ob, at);
            } else {
                YuvOverlay oa, ob;
                PrepareYuvOverlay(whole.data(), box.width, box.height, oa);
                PrepareYuvOverlay(spanned.data(), box.width, box.height, ob, &spans);
                BlendYuvOverlay(fa, oa, at);
                BlendYuvOverlay(fb, ob, at);
                // Through a canvas: the same pixels, and every changed row prepared first.
                struct Rows : ISubtitleCanvas {
                    int top = 1 << 30, bottom = -1;
                    void PrepareRows(int t, int b) override {
                        top = std::min(top, t);
                        bottom = std::max(bottom, b);
                    }
                } rows;
                std::vector<uint8_t> c = base;
                SubtitleFrame fc{c.data(), width, height, stride, rgb24, 0, &rows};
                BlendYuvOverlay(fc, oa, at);
                EXPECT_TRUE(c == a);
                for (size_t i = 0; i < c.size(); ++i) {
                    if (c[i] == base[i]) continue;
                    const size_t luma = size_t(width) * height;
                    const int row =
                        i < luma ? int(i / width) : 2 * int((i - luma) % (luma / 4) / (width / 2));
                    ASSERT_GE(row, rows.top) << "byte " << i;
                    ASSERT_LT(row, rows.bottom) << "byte " << i;
                }
            }
            EXPECT_NE(a, base);
            EXPECT_TRUE(a == b) << "round " << round << (rgb24 ? " RGB24" : " YV12");
        }
    }
}

// Rows with wide clear stretches between covered ones, as between words and around turned
// lines, where painting and blending (YV12 and RGB24) pass over whole clear blocks: every
// pixel still comes out as the per-pixel definitions give it, also where a stretch ends at an
// odd place or the row.
TEST(SubtitleBlendTest, ClearStretchesInsideRowsPaintAndBlendAsDefined) {
    std::mt19937 rng(13);
    const int w = 211, h = 6;
    std::vector<uint8_t> bitmap(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool clear = (x >= 5 && x < 70) || (x >= 101 + y && x < 140 + y) || x >= 190;
            bitmap[y * w + x] = clear ? 0 : uint8_t(rng() | 1);
        }
    }
    ASS_Image img{};
    img.w = w, img.h = h, img.stride = w, img.bitmap = bitmap.data(), img.color = 0xF0804000;
    const OverlayRect box{0, 0, w, h};
    std::vector<uint8_t> painted(static_cast<size_t>(w) * h * 4, 0);
    PaintAssImages(&img, box, painted.data());
    ASSERT_EQ(painted, PaintedByDefinition(&img, box));

    YuvOverlay overlay;
    PrepareYuvOverlay(painted.data(), w, h, overlay);
    const int width = 256, height = 8;
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3 / 2);
    for (auto& b : picture) b = uint8_t(rng());
    std::vector<uint8_t> expected = picture;
    SubtitleFrame frame{picture.data(), width, height, width, false, 0};
    BlendYuvOverlay(frame, overlay, box);
    const auto mix = [](int over, int under, int a) {
        return (over * a + under * (255 - a)) / 255;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            expected[y * width + x] = uint8_t(
                mix(overlay.luma[y * w + x], expected[y * width + x], overlay.alpha[y * w + x]));
    const size_t luma = size_t(width) * height, chroma = luma / 4;
    const int cw = (w + 1) / 2;
    for (int by = 0; by < h / 2; ++by) {
        for (int bx = 0; bx < cw; ++bx) {
            const int a = overlay.block_alpha[by * cw + bx];
            uint8_t& v = expected[luma + by * (width / 2) + bx];
            uint8_t& u = expected[luma + chroma + by * (width / 2) + bx];
            v = uint8_t(mix(overlay.cr[by * cw + bx], v, a));
            u = uint8_t(mix(overlay.cb[by * cw + bx], u, a));
        }
    }
    EXPECT_TRUE(picture == expected);

    // The same overlay on a bottom-up RGB24 picture.
    Rgb24Overlay rgb;
    PrepareRgb24Overlay(painted.data(), w, h, rgb);
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> rgbPicture(static_cast<size_t>(stride) * height);
    for (auto& b : rgbPicture) b = uint8_t(rng());
    std::vector<uint8_t> rgbExpected = rgbPicture;
    SubtitleFrame rgbFrame{rgbPicture.data(), width, height, stride, true, 0};
    BlendRgb24Overlay(rgbFrame, rgb, box);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < w * 3; ++i) {
            uint8_t& b = rgbExpected[size_t(height - 1 - y) * stride + i];
            b = uint8_t(mix(rgb.bgr[y * w * 3 + i], b, rgb.alpha3[y * w * 3 + i]));
        }
    }
    EXPECT_TRUE(rgbPicture == rgbExpected);
}

}  // namespace
}  // namespace zvp
