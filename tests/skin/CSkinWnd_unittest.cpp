#include "skin/CSkinWnd.h"

#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include "skin/CSkinButton.h"
#include "skin/SkinWindowFixture.h"

namespace zvp {
namespace {

using Hit = CSkinWnd::Hit;

// Counts what reaches the window itself.
class CountingWindow : public CSkinWnd {
  public:
    int doubleClicks = 0;
    int rightReleases = 0;
    int wheels = 0;

  protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { ++doubleClicks; }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) ++rightReleases;
        CSkinWnd::mouseReleaseEvent(event);
    }
    void wheelEvent(QWheelEvent*) override { ++wheels; }
};

// A frame image whose columns 0-9 are red, 10-19 green, 20-29 blue, 30-39 yellow, 10 high.
std::shared_ptr<const CMemDC2> FourColours() {
    QImage image(40, 10, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int x = 0; x < 40; ++x) {
        for (int y = 0; y < 10; ++y) image.setPixel(x, y, colours[x / 10]);
    }
    return std::make_shared<const CMemDC2>(QPixmap::fromImage(image), image.size());
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);

TEST(CSkinWndPlaceTest, AnchorsCountFromTheFarEdgesAndNegativeSidesBecomeZero) {
    const QSize client(400, 300);
    EXPECT_EQ(CSkinWnd::PlaceRect({-30, 10, 20, 20}, client), QRect(370, 10, 20, 20));
    EXPECT_EQ(CSkinWnd::PlaceRect({5, 0, -5, 10}, client), QRect(5, 0, 390, 10));
    EXPECT_EQ(CSkinWnd::PlaceRect({43, -24, 20, 20}, client), QRect(43, 276, 20, 20));
    EXPECT_EQ(CSkinWnd::PlaceRect({5, 25, -165, -40}, client), QRect(5, 25, 230, 235));
    EXPECT_EQ(CSkinWnd::PlaceRect({-160, 45, -155, -40}, client), QRect(240, 45, 5, 215));
    // Stretching past the far edge: nothing left.
    EXPECT_EQ(CSkinWnd::PlaceRect({300, 0, -200, 10}, client), QRect(300, 0, 0, 10));
    EXPECT_EQ(CSkinWnd::PlaceRect({-10, -5, -20, -30}, client), QRect(390, 295, 0, 0));
    // A client smaller than the anchors.
    EXPECT_EQ(CSkinWnd::PlaceRect({5, 25, -165, -40}, QSize(100, 50)), QRect(5, 25, 0, 0));
}

TEST(CSkinWndPlaceTest, PlacementMovesCreatedControlsOnEveryResize) {
    CSkinWnd window;
    window.resize(400, 300);
    ASSERT_TRUE(test::ShowExposed(window));
    auto* close = new CSkinButton;  // owned by the window once created
    ASSERT_TRUE(close->CreateButton(&window, -17, 7, 10, 9, nullptr, 0, 1, 2, 3));
    CSkinButton uncreated;
    window.AddCtrl(close);
    window.AddCtrl(&uncreated);
    window.RepositionControls();
    EXPECT_EQ(close->geometry(), QRect(383, 7, 10, 9));
    window.resize(500, 300);
    EXPECT_EQ(close->geometry(), QRect(483, 7, 10, 9));
    EXPECT_FALSE(uncreated.IsCreated());
    delete close;  // the list forgets it
    EXPECT_EQ(window.Ctrls(), std::vector<CSkinCtrl*>{&uncreated});
    window.resize(600, 300);
}

TEST(CSkinWndHitTest, EdgesCornersGripAndCaption) {
    CSkinWnd window;
    ASSERT_TRUE(window.CreateSkinWnd(QRect(100, 100, 300, 200)));
    const QPoint o = window.mapToGlobal(QPoint(0, 0));
    const struct {
        QPoint local;
        Hit hit;
    } cases[] = {
        {{3, 3}, Hit::kTopLeft},         {{299, 199}, Hit::kBottomRight},
        {{292, 192}, Hit::kBottomRight},  // the 8 x 8 grip
        {{291, 192}, Hit::kCaption},     {{150, 100}, Hit::kCaption},
        {{0, 100}, Hit::kLeft},          {{4, 100}, Hit::kLeft},
        {{5, 100}, Hit::kCaption},       {{295, 100}, Hit::kRight},
        {{150, 0}, Hit::kTop},           {{150, 196}, Hit::kBottom},
        {{296, 2}, Hit::kTopRight},      {{2, 196}, Hit::kBottomLeft},
        {{-1, 100}, Hit::kNowhere},      {{300, 100}, Hit::kNowhere},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(window.HitTest(o + c.local), c.hit) << c.local.x() << "," << c.local.y();
    }
}

TEST(CSkinWndPaintTest, TitleCentreSitsInTheMiddleAndBlackFillsTheRest) {
    CSkinWnd window;
    window.resize(300, 200);
    window.Frame().image = FourColours();
    window.Frame().pieces[1] = {0, 0, 10, 10};  // active centre: red
    window.Frame().pieces[5] = {0, 0, 10, 10};  // inactive centre: red
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(At(shot, 145, 0), kRed);
    EXPECT_EQ(At(shot, 154, 9), kRed);
    EXPECT_EQ(At(shot, 144, 0), kBlack);
    EXPECT_EQ(At(shot, 155, 0), kBlack);
    EXPECT_EQ(At(shot, 150, 100), kBlack);
}

TEST(CSkinWndPaintTest, EarlierPiecesAreNotPaintedOver) {
    CSkinWnd window;
    window.resize(300, 200);
    window.Frame().image = FourColours();
    for (int a : {0, 4}) {
        window.Frame().pieces[a] = {0, 0, 10, 10};       // left: red
        window.Frame().pieces[a + 3] = {10, 0, 10, 10};  // right: green
        window.Frame().pieces[a + 2] = {20, 0, 5, 10};   // fill: blue, tiled
    }
    window.Frame().pieces[13] = {30, 0, 10, 10};  // background: yellow, tiled
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(At(shot, 0, 0), kRed);
    EXPECT_EQ(At(shot, 9, 9), kRed);
    EXPECT_EQ(At(shot, 290, 5), kGreen);
    EXPECT_EQ(At(shot, 299, 5), kGreen);
    EXPECT_EQ(At(shot, 10, 5), kBlue);
    EXPECT_EQ(At(shot, 289, 5), kBlue);
    EXPECT_EQ(At(shot, 150, 10), kYellow);
    EXPECT_EQ(At(shot, 299, 199), kYellow);
}

TEST(CSkinWndPaintTest, PiecesWithoutSidesOrImageDrawNothingAndDoNotHang) {
    CSkinWnd window;
    window.resize(300, 200);
    const CMemDC2* image = reinterpret_cast<const CMemDC2*>(0x1);
    QRect source(1, 2, 3, 4);
    EXPECT_FALSE(window.GetPiece(0, image, source));  // no frame image
    EXPECT_EQ(source, QRect(1, 2, 3, 4));
    EXPECT_EQ(At(window.grab().toImage(), 10, 10), kBlack);

    window.Frame().image = FourColours();
    window.Frame().pieces[2] = {20, 0, 0, 10};    // fill without width
    window.Frame().pieces[9] = {20, 0, 10, -3};   // bar fill without height
    window.Frame().pieces[11] = {100, 0, 5, 10};  // outside the image
    window.Frame().pieces[13] = {35, 5, 20, 20};  // partly outside: clipped to 5 x 5
    EXPECT_FALSE(window.GetPiece(2, image, source));
    EXPECT_FALSE(window.GetPiece(11, image, source));
    EXPECT_FALSE(window.GetPiece(14, image, source));
    EXPECT_FALSE(window.GetPiece(-1, image, source));
    ASSERT_TRUE(window.GetPiece(13, image, source));
    EXPECT_EQ(image, window.Frame().image.get());
    EXPECT_EQ(source, QRect(35, 5, 5, 5));
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(At(shot, 0, 0), kYellow);
    EXPECT_EQ(At(shot, 299, 199), kYellow);
}

class CSkinWndMouseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.CreateSkinWnd(QRect(50, 50, 300, 200));
        ASSERT_TRUE(test::ShowExposed(window_));
        handle_ = window_.windowHandle();
    }

    CountingWindow window_;
    QWindow* handle_ = nullptr;
};

TEST_F(CSkinWndMouseTest, DragOnTheSurfaceMovesOnlyPastTheDragDistance) {
    const QPoint start = window_.pos();
    const int distance = QApplication::startDragDistance();
    QTest::mouseMove(handle_, QPoint(150, 100));
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(150, 100));
    QTest::mouseMove(handle_, QPoint(150 + distance - 1, 100));
    EXPECT_EQ(window_.pos(), start);
    QTest::mouseMove(handle_, QPoint(190, 100));
    EXPECT_EQ(window_.pos(), start + QPoint(40, 0));
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(150, 100));
}

TEST_F(CSkinWndMouseTest, ClicksDoubleClicksAndRightReleasesStillReachTheWindow) {
    const QPoint start = window_.pos();
    QTest::mouseMove(handle_, QPoint(150, 100));
    QTest::mouseDClick(handle_, Qt::LeftButton, {}, QPoint(150, 100));
    QTest::mouseClick(handle_, Qt::RightButton, {}, QPoint(150, 100));
    EXPECT_EQ(window_.doubleClicks, 1);
    EXPECT_EQ(window_.rightReleases, 1);
    EXPECT_EQ(window_.pos(), start);
}

TEST_F(CSkinWndMouseTest, EdgePressResizesNoSmallerThanTheMinimum) {
    QTest::mouseMove(handle_, QPoint(298, 100));
    EXPECT_EQ(window_.cursor().shape(), Qt::SizeHorCursor);
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(298, 100));
    QTest::mouseMove(handle_, QPoint(338, 100));
    EXPECT_EQ(window_.size(), QSize(340, 200));
    QTest::mouseMove(handle_, QPoint(10, 100));
    EXPECT_EQ(window_.size(), QSize(200, 200));
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(10, 100));

    QTest::mouseMove(handle_, QPoint(100, 100));
    EXPECT_EQ(window_.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(handle_, QPoint(1, 1));
    EXPECT_EQ(window_.cursor().shape(), Qt::SizeFDiagCursor);
}

TEST_F(CSkinWndMouseTest, WheelOverAControlGoesToTheWindow) {
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 30, 20, 20, nullptr, 0, 1, 2, 3));
    QTest::mouseMove(handle_, QPoint(15, 35));
    QWheelEvent wheel(QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);  // as the platform delivers it
    QApplication::sendEvent(&button, &wheel);
    EXPECT_EQ(window_.wheels, 1);
}

}  // namespace
}  // namespace zvp
