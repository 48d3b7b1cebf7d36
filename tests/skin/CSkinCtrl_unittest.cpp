#include "skin/CSkinCtrl.h"

#include <gtest/gtest.h>

#include <QTest>

#include "skin/CSkinButton.h"
#include "skin/CSkinButtonPlay.h"
#include "skin/CSkinCheck.h"
#include "skin/SkinWindowFixture.h"

namespace zvp {
namespace {

using Names = std::vector<std::string>;

// A strip of `pieces` pieces of `width` x 20, piece i filled with Colour(i); `clearPiece`
// (if any) fully transparent.
std::shared_ptr<const CMemDC2> Strip(int width, int pieces, int clearPiece = -1) {
    QImage image(width * pieces, 20, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x) {
        const int piece = x / width;
        const QRgb colour = piece == clearPiece ? qRgba(0, 0, 0, 0) : qRgb(20 * piece + 10, 0, 99);
        for (int y = 0; y < 20; ++y) image.setPixel(x, y, colour);
    }
    return std::make_shared<const CMemDC2>(QPixmap::fromImage(image), image.size());
}

// The piece a control shows: its colour's red / 20, or -1 for anything else.
int ShownPiece(QWidget& ctrl) {
    const QRgb c = ctrl.grab().toImage().pixel(ctrl.width() / 2, ctrl.height() / 2);
    if (qBlue(c) != 99 || qAlpha(c) != 255) return -1;
    return (qRed(c) - 10) / 20;
}

class CSkinCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.CreateSkinWnd(QRect(50, 50, 300, 200));
        ASSERT_TRUE(test::ShowExposed(window_));
        handle_ = window_.windowHandle();
    }
    // Moves the pointer onto the window's surface, away from every control.
    void Park() { QTest::mouseMove(handle_, QPoint(150, 150)); }

    CSkinWnd window_;
    QWindow* handle_ = nullptr;
    test::EventLog log_;
};

TEST_F(CSkinCtrlTest, PressDragOutAndReleaseGivesNoClickAndEndsNormal) {
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, Strip(20, 4), 0, 1, 2, 3));
    log_.Watch(button, {"LeftDown", "LeftUp", "LeftClicked", "LeftDoubleClicked", "MouseDragging",
                        "MouseMove", "MouseLeave"});
    QTest::mouseMove(handle_, QPoint(15, 15));
    log_.events.clear();
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(button.GetVisualState(), CSkinCtrl::kPressed);
    QTest::mouseMove(handle_, QPoint(20, 15));
    QTest::mouseMove(handle_, QPoint(100, 100));
    EXPECT_EQ(button.GetVisualState(), CSkinCtrl::kNormal);
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(100, 100));
    Names names = log_.Names();
    if (!names.empty() && names.back() == "MouseLeave") names.pop_back();
    EXPECT_EQ(names, (Names{"LeftDown", "MouseDragging", "MouseMove", "MouseDragging", "MouseMove",
                            "LeftUp"}));
    EXPECT_EQ(log_.events[3], (test::EventLog::Event{"MouseDragging", 90, 90}));
    EXPECT_EQ(button.GetVisualState(), CSkinCtrl::kNormal);
    EXPECT_EQ(button.GetCaptureMode(), CSkinCtrl::kNoCapture);
}

TEST_F(CSkinCtrlTest, DoubleClickGivesTwoClicksAroundTheDoubleClick) {
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, Strip(20, 4), 0, 1, 2, 3));
    log_.Watch(button, {"LeftDown", "LeftUp", "LeftClicked", "LeftDoubleClicked"});
    QTest::mouseMove(handle_, QPoint(15, 15));
    QTest::mouseDClick(handle_, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(log_.Names(), (Names{"LeftDown", "LeftUp", "LeftClicked", "LeftDoubleClicked",
                                   "LeftUp", "LeftClicked"}));
    EXPECT_EQ(log_.events[3], (test::EventLog::Event{"LeftDoubleClicked", 5, 5}));
    EXPECT_EQ(button.GetVisualState(), CSkinCtrl::kHover);
}

TEST_F(CSkinCtrlTest, ButtonDrawsNormalHoverAndPressedPiecesButNeverTheFourth) {
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, Strip(20, 4), 0, 1, 2, 3));
    Park();
    EXPECT_EQ(ShownPiece(button), 0);
    QTest::mouseMove(handle_, QPoint(15, 15));
    EXPECT_EQ(ShownPiece(button), 1);
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(ShownPiece(button), 2);
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(ShownPiece(button), 1);
    Park();
    EXPECT_EQ(ShownPiece(button), 0);
    EXPECT_EQ(button.SourcePoint(), QPoint(0, 0));
}

TEST_F(CSkinCtrlTest, PressedAndCheckedPiecesReplaceTheNormalOne) {
    // A transparent pressed piece shows the window's black, not the normal piece beneath.
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, Strip(20, 4, 2), 0, 1, 2, 3));
    QTest::mouseMove(handle_, QPoint(15, 15));
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(15, 15));
    const QImage pressed = window_.grab(QRect(10, 10, 20, 20)).toImage();
    EXPECT_EQ(pressed.pixel(10, 10) | 0xFF000000u, qRgb(0, 0, 0));
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(15, 15));

    CSkinCheck check;
    ASSERT_TRUE(check.CreateCheck(&window_, 40, 10, 36, 20, Strip(36, 8), 0, 1, 2, 3, 4, 5, 6, 7));
    check.SetChecked(true);
    Park();
    EXPECT_EQ(ShownPiece(check), 4);
    QTest::mouseMove(handle_, QPoint(50, 15));
    EXPECT_EQ(check.SourcePoint(), QPoint(180, 0));
    EXPECT_EQ(ShownPiece(check), 5);
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_EQ(ShownPiece(check), 6);
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_TRUE(check.IsChecked());  // the owner toggles it, not a click
    check.SetChecked(false);
    EXPECT_EQ(ShownPiece(check), 1);
}

TEST_F(CSkinCtrlTest, PlayStateChecksOnlyWhilePlayingAndOnlyOnceCreated) {
    CSkinButtonPlay play;
    play.SetPlayState(CSkinButtonPlay::kPlaying);
    EXPECT_FALSE(play.IsChecked());
    EXPECT_EQ(play.GetPlayState(), CSkinButtonPlay::kStopped);
    ASSERT_TRUE(play.CreateCheck(&window_, 10, 10, 36, 20, Strip(36, 8), 0, 1, 2, 3, 4, 5, 6, 7));
    play.SetPlayState(CSkinButtonPlay::kPlaying);
    EXPECT_TRUE(play.IsChecked());
    play.SetPlayState(CSkinButtonPlay::kPaused);
    EXPECT_FALSE(play.IsChecked());
    EXPECT_EQ(play.GetPlayState(), CSkinButtonPlay::kPaused);
    EXPECT_STREQ(play.GetTypeName(), "Check");
}

TEST_F(CSkinCtrlTest, CreationNeedsAParentOnceAndImagelessControlsDrawNothing) {
    CSkinButton button;
    EXPECT_FALSE(button.IsCreated());
    EXPECT_FALSE(button.CreateButton(nullptr, 0, 0, 20, 20, Strip(20, 4), 0, 1, 2, 3));
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, nullptr, 0, 1, 2, 3));
    EXPECT_FALSE(button.CreateButton(&window_, 10, 10, 20, 20, nullptr, 0, 1, 2, 3));
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window_.grab(QRect(10, 10, 20, 20)).toImage().pixel(5, 5) | 0xFF000000u,
              qRgb(0, 0, 0));
    button.SetTooltipText("Stop");
    EXPECT_EQ(button.toolTip(), "Stop");
    EXPECT_EQ(button.GetTooltipText(), "Stop");
}

TEST_F(CSkinCtrlTest, OtherButtonsPassToTheWindowWithoutEvents) {
    CSkinButton button;
    ASSERT_TRUE(button.CreateButton(&window_, 10, 10, 20, 20, Strip(20, 4), 0, 1, 2, 3));
    log_.Watch(button, {"LeftDown", "LeftUp", "LeftClicked"});
    QTest::mouseMove(handle_, QPoint(15, 15));
    QTest::mouseClick(handle_, Qt::RightButton, {}, QPoint(15, 15));
    EXPECT_TRUE(log_.events.empty());
    EXPECT_EQ(button.GetCaptureMode(), CSkinCtrl::kNoCapture);
}

}  // namespace
}  // namespace zvp
