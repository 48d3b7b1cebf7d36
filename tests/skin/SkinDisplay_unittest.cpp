// The built-in skin on a real X server (Xvfb, no window manager): the pixels the server shows,
// the art at a scale factor of 2, a moved and resized frameless window.
//
// Environment: ZVP_SOURCE_DIR (the reference picture), ZVP_SKIN_OUTPUT (where grabs and
// difference pictures go), ZVP_UPDATE_REFERENCE=1 (rewrite the reference from the grab).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSvgRenderer>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <string>

#include "app/Logger.h"
#include "skin/SkinExport.h"
#include "skin/SkinWindowFixture.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::PumpUntil;

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

QString ReferencePath() {
    return QString::fromStdString(Env("ZVP_SOURCE_DIR", ".") +
                                  "/tests/skin/data/builtin-640x360.png");
}

QString OutputPath(const char* name) {
    const std::string folder = Env("ZVP_SKIN_OUTPUT", ".");
    std::filesystem::create_directories(folder);
    return QString::fromStdString(folder + "/" + name);
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// How many pixels differ by more than `tolerance` in a channel; the differing pixels are
// painted red on a faded copy of `actual` into `diff`. Pictures of different sizes differ
// everywhere.
int CountDifferences(const QImage& actual, const QImage& expected, int tolerance,
                     QImage* diff = nullptr) {
    if (actual.size() != expected.size()) return std::max(1, actual.width() * actual.height());
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage e = expected.convertToFormat(QImage::Format_RGB32);
    QImage marks(a.size(), QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y);
            const bool differs = ChannelDistance(pa, e.pixel(x, y)) > tolerance;
            count += differs;
            marks.setPixel(
                x, y,
                differs ? qRgb(255, 0, 0) : qRgb(qGray(pa) / 3, qGray(pa) / 3, qGray(pa) / 3));
        }
    }
    if (diff) *diff = marks;
    return count;
}

// What the X server shows of `widget`.
QImage ServerPixels(QWidget& widget, QRect area = {}) {
    if (area.isNull()) area = widget.rect();
    return widget.screen()
        ->grabWindow(widget.winId(), area.x(), area.y(), area.width(), area.height())
        .toImage();
}

// The window's geometry as the X server has it (xdotool): x, y, width, height.
QRect ServerGeometry(QWidget& widget) {
    QProcess xdotool;
    xdotool.start("xdotool", {"getwindowgeometry", "--shell", QString::number(widget.winId())});
    if (!xdotool.waitForFinished(10000)) return {};
    QRect r;
    for (const QByteArray& line : xdotool.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> kv = line.split('=');
        if (kv.size() != 2) continue;
        const int v = kv[1].toInt();
        if (kv[0] == "X") r.moveLeft(v);
        if (kv[0] == "Y") r.moveTop(v);
        if (kv[0] == "WIDTH") r.setWidth(v);
        if (kv[0] == "HEIGHT") r.setHeight(v);
    }
    return r;
}

// Shows `window` at `rect`, active, and paints it now: a grab sees a finished frame.
bool ShowActive(QWidget& window, QRect rect) {
    window.setGeometry(rect);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.repaint();
    return true;
}

class SkinDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Logger::Instance().SetFileOutput(false);
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    }
    bool AtScale(qreal ratio) const {
        return qFuzzyCompare(QGuiApplication::primaryScreen()->devicePixelRatio(), ratio);
    }
};

// 0.2 % of the pixels may differ by more than 16 in a channel (font-free, but antialiased
// edges may round differently between Qt builds).
constexpr double kShareAllowed = 0.002;
constexpr int kTolerance = 16;

TEST_F(SkinDisplayTest, BuiltinLookMatchesTheReferencePicture) {
    if (!AtScale(1)) GTEST_SKIP() << "the reference is at a scale factor of 1";
    test::MainLikeWindow window;
    window.resize(640, 360);
    ApplyDefaultSkin(window, window.Slots());
    window.SetReferenceState();
    ASSERT_TRUE(ShowActive(window, QRect(100, 100, 640, 360)));
    const QImage shot = ServerPixels(window);
    ASSERT_EQ(shot.size(), QSize(640, 360));
    shot.save(OutputPath("builtin-640x360-grab.png"), "PNG");

    if (Env("ZVP_UPDATE_REFERENCE", "") == "1") {
        ASSERT_TRUE(shot.save(ReferencePath(), "PNG"));
        GTEST_SKIP() << "reference rewritten: " << ReferencePath().toStdString();
    }
    const QImage reference(ReferencePath());
    ASSERT_FALSE(reference.isNull()) << "no reference " << ReferencePath().toStdString()
                                     << " (ZVP_UPDATE_REFERENCE=1 writes it)";
    QImage diff;
    const int differing = CountDifferences(shot, reference, kTolerance, &diff);
    diff.save(OutputPath("builtin-640x360-diff.png"), "PNG");
    EXPECT_LE(differing, kShareAllowed * 640 * 360)
        << "see " << OutputPath("builtin-640x360-diff.png").toStdString();
}

TEST_F(SkinDisplayTest, ExportedSkinLoadedAsAFileLooksAsTheBuiltinOne) {
    if (!AtScale(1)) GTEST_SKIP() << "files load at a ratio of 1";
    test::TempDir folder;
    ASSERT_TRUE(ExportBuiltinSkin(folder.path().string()));
    test::MainLikeWindow window;
    window.resize(640, 360);
    ApplyDefaultSkin(window, window.Slots());
    window.SetReferenceState();
    ASSERT_TRUE(ShowActive(window, QRect(100, 100, 640, 360)));
    const QImage builtin = ServerPixels(window);

    ASSERT_TRUE(LoadSkinFile(window, window.Slots(), folder.file(kExportedSkinFile)));
    window.SetReferenceState();
    // Every control with a strip draws a file now, none the built-in art.
    for (const SkinCtrlSlot& slot : window.Slots()) {
        const BuiltinCtrl& builtin = *FindBuiltinCtrl(slot.section);
        EXPECT_EQ(slot.ctrl->GetImageSource().file.empty(), builtin.imageId == 0) << slot.section;
        EXPECT_EQ(slot.ctrl->GetImageSource().resourceId, 0) << slot.section;
    }
    EXPECT_FALSE(window.Frame().source.file.empty());
    window.repaint();
    const QImage file = ServerPixels(window);
    QImage diff;
    const int differing = CountDifferences(file, builtin, kTolerance, &diff);
    if (differing > 0) diff.save(OutputPath("exported-640x360-diff.png"), "PNG");
    EXPECT_LE(differing, kShareAllowed * 640 * 360);
}

TEST_F(SkinDisplayTest, StopButtonAtScaleTwoIsItsArtRenderedAtFortyPixels) {
    if (!AtScale(2)) GTEST_SKIP() << "run with QT_SCALE_FACTOR=2";
    test::MainLikeWindow window;
    window.resize(640, 360);
    ApplyDefaultSkin(window, window.Slots());
    window.SetReferenceState();
    // At the top left: the whole window lies on the 640 × 512 logical screen.
    ASSERT_TRUE(ShowActive(window, QRect(0, 0, 640, 360)));
    const QImage shot = ServerPixels(window, window.stop.geometry());
    ASSERT_EQ(shot.size(), QSize(40, 40));

    // Piece 0 of the 80 × 20 strip, rendered at twice its size over the control bar.
    QSvgRenderer svg(QStringLiteral(":/skin/20012-stop.svg"));
    ASSERT_TRUE(svg.isValid());
    QImage strip(160, 40, QImage::Format_ARGB32_Premultiplied);
    strip.fill(qRgb(65, 65, 65));
    {
        QPainter painter(&strip);
        svg.render(&painter, QRectF(0, 0, 160, 40));
    }
    const QImage expected = strip.copy(0, 0, 40, 40);
    QImage diff;
    const int differing = CountDifferences(shot, expected, 8, &diff);
    if (differing > 0) {
        shot.save(OutputPath("stop@2x-grab.png"), "PNG");
        diff.save(OutputPath("stop@2x-diff.png"), "PNG");
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(SkinDisplayTest, WithoutAWindowManagerDragMovesAndTheRightEdgeResizes) {
    if (!AtScale(1)) GTEST_SKIP() << "positions are in pixels of a scale factor of 1";
    test::MainLikeWindow window;
    ApplyDefaultSkin(window, window.Slots());
    ASSERT_TRUE(window.CreateSkinWnd(QRect(100, 100, 400, 300)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(PumpUntil([&] { return ServerGeometry(window) == QRect(100, 100, 400, 300); }));
    QWindow* handle = window.windowHandle();

    // The title bar: past the drag distance the window follows the pointer.
    const QPoint grip(40, 12);  // between the menu button and the title line
    ASSERT_EQ(window.HitTest(window.mapToGlobal(grip)), CSkinWnd::Hit::kCaption);
    QTest::mouseMove(handle, grip);
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(60, 40));
    EXPECT_TRUE(PumpUntil([&] { return ServerGeometry(window) == QRect(160, 140, 400, 300); }))
        << "server geometry " << ServerGeometry(window).x() << "," << ServerGeometry(window).y();
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip);
    EXPECT_EQ(window.geometry(), QRect(160, 140, 400, 300));

    // The right edge: wider, then never narrower than the minimum.
    const QPoint edge(398, 150);
    ASSERT_EQ(window.HitTest(window.mapToGlobal(edge)), CSkinWnd::Hit::kRight);
    QTest::mouseMove(handle, edge);
    QTest::mousePress(handle, Qt::LeftButton, {}, edge);
    QTest::mouseMove(handle, edge + QPoint(80, 0));
    EXPECT_TRUE(PumpUntil([&] { return ServerGeometry(window) == QRect(160, 140, 480, 300); }));
    QTest::mouseMove(handle, QPoint(-300, 150));
    const QRect narrowest(160, 140, window.GetMinSize().width(), 300);
    EXPECT_TRUE(PumpUntil([&] { return ServerGeometry(window) == narrowest; }));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(-300, 150));
    EXPECT_EQ(window.width(), window.GetMinSize().width());
    EXPECT_EQ(window.pos(), QPoint(160, 140));
}

}  // namespace
}  // namespace zvp
