#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <set>

#include "app/CAppIni.h"
#include "skin/BuiltinSkin.h"
#include "skin/CSkinImageCache.h"
#include "skin/SkinFile.h"
#include "skin/SkinTestUtil.h"

namespace zvp {
namespace {

constexpr qreal kRatios[] = {1.0, 2.0};

QColor Rgb(uint32_t color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

// Piece `index` of a strip, in device pixels.
QImage Piece(const QImage& strip, const BuiltinArt& art, int index, qreal ratio) {
    const int w = static_cast<int>(art.width / art.pieces * ratio);
    return strip.copy(index * w, 0, w, static_cast<int>(art.height * ratio));
}

std::set<QRgb> Colors(const QImage& image) {
    std::set<QRgb> colors;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colors.insert(image.pixel(x, y));
    }
    return colors;
}

bool Holds(const QImage& image, const QColor& color) {
    return Colors(image).count(color.rgb()) > 0;
}

// Whether `c` lies (within rounding) on the line between two palette colours.
bool IsPaletteBlend(const QColor& c, const std::vector<QColor>& palette) {
    for (const QColor& a : palette) {
        for (const QColor& b : palette) {
            const double d[3] = {double(b.red() - a.red()), double(b.green() - a.green()),
                                 double(b.blue() - a.blue())};
            const double p[3] = {double(c.red() - a.red()), double(c.green() - a.green()),
                                 double(c.blue() - a.blue())};
            const double len = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            const double t =
                len == 0 ? 0
                         : std::clamp((p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / len, 0.0, 1.0);
            bool near = true;
            for (int i = 0; i < 3; ++i) near = near && std::abs(p[i] - t * d[i]) <= 3.0;
            if (near) return true;
        }
    }
    return false;
}

TEST(BuiltinArtTest, EachArtRendersAtItsListedSizeAtOneAndTwo) {
    for (const BuiltinArt& art : kBuiltinArt) {
        SCOPED_TRACE(art.path);
        QSvgRenderer svg;
        ASSERT_TRUE(svg.load(QString(art.path)));
        EXPECT_EQ(svg.viewBox(), QRect(0, 0, art.width, art.height));
        EXPECT_EQ(art.width % art.pieces, 0);
        for (const qreal ratio : kRatios) {
            const CSkinImageCache::Image image = CSkinImageCache::RenderArt(art.id, ratio);
            ASSERT_FALSE(image->IsEmpty());
            EXPECT_EQ(image->Size(), QSize(art.width, art.height));
            EXPECT_EQ(image->pixmap().size(), QSize(art.width, art.height) * ratio);
            EXPECT_EQ(image->DevicePixelRatio(), ratio);
        }
    }
}

TEST(BuiltinArtTest, LooksDifferAndUseTheirColours) {
    const QColor glyph(222, 222, 222), hover(255, 255, 255), accent(75, 160, 20);
    for (const BuiltinArt& art : kBuiltinArt) {
        SCOPED_TRACE(art.path);
        for (const qreal ratio : kRatios) {
            const QImage strip = test::DevicePixels(*CSkinImageCache::RenderArt(art.id, ratio));
            for (int i = 0; i < art.pieces; ++i) {
                EXPECT_GE(Colors(Piece(strip, art, i, ratio)).size(), 2u) << "blank piece " << i;
            }
            if (art.pieces < 3) continue;
            // Normal, hover and pressed (and their checked or left-arrow counterparts).
            for (int first : {0, art.check ? 4 : (art.pieces == 6 ? 3 : -1)}) {
                if (first < 0) continue;
                const QImage normal = Piece(strip, art, first, ratio);
                const QImage over = Piece(strip, art, first + 1, ratio);
                const QImage pressed = Piece(strip, art, first + 2, ratio);
                EXPECT_NE(normal, over) << first;
                EXPECT_NE(normal, pressed) << first;
                EXPECT_NE(over, pressed) << first;
                EXPECT_TRUE(Holds(over, hover)) << first;
                EXPECT_TRUE(Holds(pressed, accent)) << first;
            }
            EXPECT_TRUE(Holds(Piece(strip, art, 0, ratio), glyph));
            if (art.check) {
                EXPECT_TRUE(Holds(Piece(strip, art, 4, ratio), accent));
                for (int i = 0; i < 4; ++i) {
                    EXPECT_NE(Piece(strip, art, i, ratio), Piece(strip, art, i + 4, ratio)) << i;
                }
            }
        }
    }
}

TEST(BuiltinArtTest, OpaqueAndOnlyPaletteColoursOrBlendsOfTwo) {
    const std::vector<QColor> palette = test::Palette();
    ASSERT_EQ(palette.size(), 8u);
    for (const BuiltinArt& art : kBuiltinArt) {
        SCOPED_TRACE(art.path);
        for (const qreal ratio : kRatios) {
            for (const QRgb rgb :
                 Colors(test::DevicePixels(*CSkinImageCache::RenderArt(art.id, ratio)))) {
                ASSERT_EQ(qAlpha(rgb), 255) << ratio;
                ASSERT_TRUE(IsPaletteBlend(QColor(rgb), palette))
                    << ratio << " " << QColor(rgb).name().toStdString();
            }
        }
    }
}

TEST(BuiltinArtTest, BarsAreFlatWhereTheTextLinesSit) {
    const QColor bar = Rgb(kStringBackgroundColor);
    const std::vector<QColor> palette = test::Palette();
    EXPECT_NE(std::find(palette.begin(), palette.end(), bar), palette.end());
    EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb(kSizerBackgroundColor)), palette.end());
    EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb(kStringTextColor)), palette.end());
    EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb(kListHighlightColor)), palette.end());

    const QImage frame = test::DevicePixels(*CSkinImageCache::RenderArt(kBuiltinFrameArt, 1.0));
    // The title string spans rows 3 to 21 of the title bar, the time string rows 6 to 24 of the
    // 30-row control bar; the pieces they can sit on are flat there, across their width less
    // the outline column. (The bottom-right corner holds the resize grip.)
    const auto flat = [&](const SkinRect& piece, int firstRow, int lastRow) {
        for (int y = piece.y + firstRow; y <= piece.y + lastRow; ++y) {
            for (int x = piece.x + 1; x < piece.x + piece.width - 1; ++x) {
                if (frame.pixelColor(x, y) != bar) return false;
            }
        }
        return true;
    };
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(flat(kBuiltinFramePieces[i], 3, 21)) << i;
    for (int i = 8; i < 10; ++i) EXPECT_TRUE(flat(kBuiltinFramePieces[i], 6, 24)) << i;
    EXPECT_TRUE(flat(kBuiltinFramePieces[13], 0, 9));
    // Active and inactive title bars differ (the top line).
    EXPECT_NE(frame.copy(0, 0, 58, 25), frame.copy(0, 26, 58, 25));
}

}  // namespace
}  // namespace zvp
