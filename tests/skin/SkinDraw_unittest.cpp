#include "skin/SkinDraw.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "skin/CMemDC2.h"

namespace zvp {
namespace {

// A 4 x 2 logical image at `ratio` whose logical pixel (x, y) has red 10 * x + 1, green y.
CMemDC2 Grid(qreal ratio) {
    QImage image(QSize(4, 2) * ratio, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(10 * int(x / ratio) + 1, int(y / ratio), 0));
        }
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return CMemDC2(pixmap, QSize(4, 2));
}

class SkinDrawTest : public ::testing::TestWithParam<qreal> {
  protected:
    // A 6 x 4 logical canvas at the image's ratio, cleared to blue.
    SkinDrawTest() : canvas_(QSize(6, 4) * GetParam(), QImage::Format_ARGB32) {
        canvas_.setDevicePixelRatio(GetParam());
        canvas_.fill(Qt::blue);
    }
    // The colour at logical (x, y), sampled at the device pixel's centre.
    QRgb At(int x, int y) const {
        const qreal r = GetParam();
        return canvas_.pixel(int(x * r + r / 2), int(y * r + r / 2));
    }
    int Untouched() const {
        int n = 0;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) n += At(x, y) == qRgb(0, 0, 255);
        }
        return n;
    }

    QImage canvas_;
};

TEST_P(SkinDrawTest, SourceIsClippedToTheImageAndReadInLogicalPixels) {
    const CMemDC2 image = Grid(GetParam());
    {
        QPainter painter(&canvas_);
        // From (-1, 1), 3 x 2: only (0..1, 1) is inside, drawn one column right of the target.
        DrawSkinImage(painter, QPoint(2, 0), image, QRect(-1, 1, 3, 2));
    }
    EXPECT_EQ(At(3, 0), qRgb(1, 1, 0));
    EXPECT_EQ(At(4, 0), qRgb(11, 1, 0));
    EXPECT_EQ(Untouched(), 22);

    {
        QPainter painter(&canvas_);
        DrawSkinImage(painter, QPoint(0, 2), image, QRect(2, 0, 2, 2));
    }
    EXPECT_EQ(At(0, 2), qRgb(21, 0, 0));
    EXPECT_EQ(At(1, 3), qRgb(31, 1, 0));
    EXPECT_EQ(Untouched(), 18);
}

TEST_P(SkinDrawTest, EmptySidesDrawNothing) {
    const CMemDC2 image = Grid(GetParam());
    {
        QPainter painter(&canvas_);
        // Qt would draw the whole pixmap for a zero-sized source.
        DrawSkinImage(painter, QPoint(0, 0), image, QRect(0, 0, 0, 2));
        DrawSkinImage(painter, QPoint(0, 0), image, QRect(0, 0, 2, -1));
        DrawSkinImage(painter, QPoint(0, 0), image, QRect(4, 0, 2, 2));  // right of the image
        DrawSkinImage(painter, QPoint(0, 0), CMemDC2(), QRect(0, 0, 2, 2));
        DrawSkinTiles(painter, QRect(0, 0, 6, 4), image, QRect(0, 0, 0, 1));
        DrawSkinTiles(painter, QRect(0, 0, 6, 0), image, QRect(0, 0, 1, 1));
        DrawSkinTiles(painter, QRect(0, 0, -6, 4), image, QRect(0, 0, 1, 1));
    }
    EXPECT_EQ(Untouched(), 24);
}

TEST_P(SkinDrawTest, TilesRepeatThePieceFromTheTargetCorner) {
    const CMemDC2 image = Grid(GetParam());
    {
        QPainter painter(&canvas_);
        DrawSkinTiles(painter, QRect(1, 1, 5, 3), image, QRect(1, 0, 2, 1));
    }
    EXPECT_EQ(Untouched(), 24 - 15);
    for (int y = 1; y < 4; ++y) {
        EXPECT_EQ(At(1, y), qRgb(11, 0, 0));
        EXPECT_EQ(At(2, y), qRgb(21, 0, 0));
        EXPECT_EQ(At(3, y), qRgb(11, 0, 0));
        EXPECT_EQ(At(5, y), qRgb(11, 0, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Ratios, SkinDrawTest, ::testing::Values(1.0, 2.0));

}  // namespace
}  // namespace zvp
