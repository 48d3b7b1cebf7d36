#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "engine/PictureRatio.h"
#include "playlist/CPlaylistModel.h"
#include "skin/SkinWindowFixture.h"

namespace zvp {
namespace {

using Event = test::EventLog::Event;

std::shared_ptr<const CMemDC2> Solid(QSize size, QColor colour) {
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return std::make_shared<const CMemDC2>(pixmap, size);
}

class SkinControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.CreateSkinWnd(QRect(50, 50, 800, 400));
        ASSERT_TRUE(test::ShowExposed(window_));
        handle_ = window_.windowHandle();
        QTest::mouseMove(handle_, QPoint(790, 390));
    }

    CSkinWnd window_;
    QWindow* handle_ = nullptr;
    test::EventLog log_;
};

// --- slider ---------------------------------------------------------------------------------

TEST_F(SkinControlsTest, SliderStepsAreTwoPixelsAndTheThumbSnapsDown) {
    CSkinSlider slider;
    ASSERT_TRUE(slider.CreateSlider(&window_, true, 100, 50, 212, 12, Solid({12, 12}, Qt::gray), 12,
                                    12, Solid({12, 12}, Qt::white)));
    slider.SetRange(0, 100);
    EXPECT_DOUBLE_EQ(slider.PixelsPerUnit(), 2.0);
    slider.SetValue(50);
    EXPECT_EQ(slider.GetThumbPos(), QPoint(100, 0));
    log_.Watch(slider, {"SliderPosChanged", "SliderPosHovered"});

    QTest::mouseMove(handle_, QPoint(106, 55));
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(106, 55));  // 6 right of the left edge
    EXPECT_EQ(slider.GetThumbPos(), QPoint(0, 0));
    QTest::mouseMove(handle_, QPoint(207, 55));  // offset 101
    EXPECT_EQ(slider.GetThumbPos(), QPoint(100, 0));
    EXPECT_EQ(slider.GetValue(), 50);
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(207, 55));
    std::vector<Event> changed;
    for (const Event& e : log_.events) {
        if (e.name == "SliderPosChanged") changed.push_back(e);
    }
    EXPECT_EQ(changed,
              (std::vector<Event>{{"SliderPosChanged", 0, 200}, {"SliderPosChanged", 50, 200}}));
    // Hovering reads the value under the pointer with half the thumb as grab offset.
    log_.events.clear();
    QTest::mouseMove(handle_, QPoint(156, 55));
    EXPECT_EQ(log_.events, (std::vector<Event>{{"SliderPosHovered", 25, 200}}));
}

TEST_F(SkinControlsTest, SliderWithoutTravelOrRangeNeverMovesItsThumb) {
    CSkinSlider slider;
    ASSERT_TRUE(slider.CreateSlider(&window_, true, 100, 50, 12, 12, nullptr, 12, 12,
                                    Solid({12, 12}, Qt::white)));
    slider.SetRange(0, 100);
    EXPECT_EQ(slider.PixelsPerUnit(), 0.0);
    slider.SetValue(70);
    EXPECT_EQ(slider.GetThumbPos(), QPoint(0, 0));
    log_.Watch(slider, {"SliderPosChanged", "SliderPosHovered"});
    QTest::mouseMove(handle_, QPoint(111, 55));
    QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(111, 55));
    QTest::mouseMove(handle_, QPoint(300, 55));
    QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(300, 55));
    for (const Event& e : log_.events) {
        EXPECT_EQ(e.name, "SliderPosHovered");
        EXPECT_EQ(e.a, 0);
        EXPECT_EQ(e.b, 0);
    }
    EXPECT_EQ(slider.GetThumbPos(), QPoint(0, 0));

    CSkinSlider empty;  // maximum == minimum
    ASSERT_TRUE(empty.CreateSlider(&window_, true, 100, 80, 212, 12, nullptr, 12, 12, nullptr));
    empty.SetRange(5, 5);
    empty.SetValue(5);
    EXPECT_EQ(empty.PixelsPerUnit(), 0.0);
    EXPECT_EQ(empty.GetThumbPos(), QPoint(0, 0));
    (void)window_.grab();  // draws with an empty range
}

TEST_F(SkinControlsTest, ResizedSliderPlacesItsThumbFromTheValue) {
    CSkinSlider slider;
    ASSERT_TRUE(slider.CreateSlider(&window_, true, 100, 50, 212, 12, nullptr, 12, 12,
                                    Solid({12, 12}, Qt::white)));
    slider.SetRange(0, 100);
    slider.SetValue(50);
    slider.resize(112, 12);  // k = 1
    EXPECT_EQ(slider.GetThumbPos(), QPoint(50, 0));
    EXPECT_EQ(slider.GetValue(), 50);

    CSkinSlider vertical;
    ASSERT_TRUE(vertical.CreateSlider(&window_, false, 10, 50, 12, 112, nullptr, 12, 12,
                                      Solid({12, 12}, Qt::white)));
    vertical.SetRange(0, 100);
    vertical.SetValue(30);
    EXPECT_EQ(vertical.GetThumbPos(), QPoint(0, 30));
}

// --- sizer ----------------------------------------------------------------------------------

class SizerTest : public SkinControlsTest {
  protected:
    void SetUp() override {
        SkinControlsTest::SetUp();
        ASSERT_TRUE(sizer_.CreateSizer(&window_, 500, 45, 5, 300, Solid({60, 50}, Qt::red), 6));
        sizer_.SetMinPos(300);
        log_.Watch(sizer_, {"SkinSizerPosChanged", "SkinSizerBoxChecked"});
    }
    void Drag(int fromX, int toX) {
        QTest::mouseMove(handle_, QPoint(fromX, 100));
        QTest::mousePress(handle_, Qt::LeftButton, {}, QPoint(fromX, 100));
        QTest::mouseMove(handle_, QPoint(toX, 100));
        line_ = sizer_.TrackingLine() ? sizer_.TrackingLine()->geometry() : QRect();
        QTest::mouseRelease(handle_, Qt::LeftButton, {}, QPoint(toX, 100));
    }

    CSkinSizer sizer_;
    QRect line_;
};

TEST_F(SizerTest, BoxIsCentredAndFlipsOnClick) {
    EXPECT_EQ(sizer_.Box().geometry(), QRect(0, 125, 10, 50));
    QTest::mouseMove(handle_, QPoint(502, 190));
    QTest::mouseClick(handle_, Qt::LeftButton, {}, QPoint(502, 190));
    QTest::mouseClick(handle_, Qt::LeftButton, {}, QPoint(502, 190));
    EXPECT_EQ(log_.events,
              (std::vector<Event>{{"SkinSizerBoxChecked", 1, 0}, {"SkinSizerBoxChecked", 0, 0}}));
    sizer_.resize(5, 100);
    EXPECT_EQ(sizer_.Box().geometry(), QRect(0, 25, 10, 50));
}

TEST_F(SizerTest, DragFollowsThePointerAndStopsAtTheLimits) {
    Drag(502, 400);
    EXPECT_EQ(line_, QRect(395, 45, 10, 300));
    EXPECT_EQ(sizer_.TrackingLine(), nullptr);
    Drag(502, 100);  // left of the minimum
    Drag(502, 795);  // past the window's width - 2 x the sizer's width
    EXPECT_EQ(log_.events, (std::vector<Event>{{"SkinSizerPosChanged", 400, 2},
                                               {"SkinSizerPosChanged", 300, 0},
                                               {"SkinSizerPosChanged", 798, 0}}));
}

// --- string ---------------------------------------------------------------------------------

TEST_F(SkinControlsTest, StringFontFollowsTheHeightWithinLimits) {
    CSkinString text;
    ASSERT_TRUE(text.CreateCtrl(&window_, 10, 10, 120, 19, nullptr, {-1, -1}, {-1, -1}, {-1, -1}));
    EXPECT_EQ(text.TextFont().pixelSize(), QApplication::font().pixelSize());  // unset
    EXPECT_EQ(text.TextFont().weight(), QFont::Weight(600));
    text.SetFontSize(12, 12);
    EXPECT_EQ(text.TextFont().pixelSize(), 12);
    text.SetFontSize(12, -1000);
    EXPECT_EQ(text.TextFont().pixelSize(), 200);
    text.SetFontSize(12, 2);
    EXPECT_EQ(text.TextFont().pixelSize(), 4);
    text.SetText("A rather long title that cannot fit in the control at all");
    text.SetBackgroundColor(MakeColor(1, 2, 3));
    const QImage shot = text.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0) | 0xFF000000u, qRgb(1, 2, 3));
}

// --- screen ---------------------------------------------------------------------------------

class ScreenWindow : public CSkinWnd {
  public:
    std::vector<QEvent::Type> received;

  protected:
    void mousePressEvent(QMouseEvent* e) override { received.push_back(e->type()); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { received.push_back(e->type()); }
    void mouseReleaseEvent(QMouseEvent* e) override { received.push_back(e->type()); }
};

TEST(CSkinScreenTest, DisplayRectMovesTheVideoWindowAndIsPublishedByAddress) {
    SetCurrentAspectRatio(&AspectRatioByName("default"));
    CSkinWnd window;
    window.resize(500, 400);
    ASSERT_TRUE(test::ShowExposed(window));
    CSkinScreen screen;
    ASSERT_TRUE(screen.CreateCtrl(&window, 0, 0, 400, 300, nullptr, {-1, -1}, {-1, -1}, {-1, -1}));
    auto* video = new QWidget(&screen);
    screen.SetVideoWindow(video);
    std::vector<VideoRect> published;
    struct Watcher : IObserver {
        std::vector<VideoRect>* out;
        const VideoRect* address;
        void OnNotify(ISubject*, std::string, HandlerKey, EventArg a, EventArg b) override {
            EXPECT_EQ(reinterpret_cast<const VideoRect*>(a), address);
            EXPECT_EQ(b, 0u);
            out->push_back(*reinterpret_cast<const VideoRect*>(a));
        }
    } watcher;
    watcher.out = &published;
    watcher.address = &screen.GetDisplayRect();
    screen.Attach(&watcher, "DisplayRectChanged", kNoHandler);

    // No minimum area: the picture fits the client area.
    screen.SetSourceSize({800, 300});
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[0], (VideoRect{0, 75, 400, 225}));
    EXPECT_EQ(video->geometry(), QRect(0, 75, 400, 150));
    // A minimum area larger on one side only widens that side.
    screen.SetMinAreaSize({800, 100});
    screen.SetSourceSize({800, 300});
    EXPECT_EQ(screen.GetArea(), (VideoSize{800, 300}));
    EXPECT_EQ(screen.GetDisplayRect(), (VideoRect{0, 0, 800, 300}));
    screen.SetMinAreaSize({});
    screen.resize(200, 300);
    EXPECT_EQ(screen.GetDisplayRect(), (VideoRect{0, 112, 200, 187}));
    EXPECT_EQ(video->geometry(), CSkinScreen::ToQRect(screen.GetDisplayRect()));
    delete video;  // forgotten, not touched
    screen.resize(300, 300);
    EXPECT_EQ(screen.GetVideoWindow(), nullptr);
    screen.Detach(&watcher);
}

TEST(CSkinScreenTest, MouseGoesOnToTheWindowWithOneMoveEach) {
    ScreenWindow window;
    window.CreateSkinWnd(QRect(50, 50, 400, 300));
    ASSERT_TRUE(test::ShowExposed(window));
    CSkinScreen screen;
    ASSERT_TRUE(
        screen.CreateCtrl(&window, 10, 10, 300, 200, nullptr, {-1, -1}, {-1, -1}, {-1, -1}));
    test::EventLog log;
    log.Watch(screen, {"LButtonDown", "LButtonUp", "LButtonDblClk", "RButtonDown", "RButtonUp",
                       "MouseMove", "LeftDown", "LeftClicked"});
    QWindow* handle = window.windowHandle();
    QTest::mouseMove(handle, QPoint(50, 50));
    QTest::mouseDClick(handle, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(handle, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_EQ(log.Names(),
              (std::vector<std::string>{"MouseMove", "LButtonDown", "LButtonUp", "LButtonDblClk",
                                        "LButtonUp", "RButtonDown", "RButtonUp"}));
    EXPECT_EQ(log.events[0], (Event{"MouseMove", 40, 40}));
    EXPECT_EQ(window.received,
              (std::vector<QEvent::Type>{QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease,
                                         QEvent::MouseButtonPress, QEvent::MouseButtonRelease}));
}

// --- list -----------------------------------------------------------------------------------

class SkinListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.resize(400, 300);
        ASSERT_TRUE(list_.CreateList(&window_, 0, 0, 300, 200));
        for (const char* text : {"a", "b", "c", "d"}) model_.InsertItem(-1, text);
        list_.SetPlaylistModel(&model_);
        ASSERT_TRUE(test::ShowExposed(window_));
        log_.Watch(model_, {"ListItemActived"});
        log_.Watch(list_, {"ListItemRightClicked", "SelectedItemsDeleted"});
    }
    CListCtrlApp& View() { return list_.ListCtrl(); }
    void Select(std::initializer_list<int> rows) {
        QItemSelectionModel* selection = model_.GetSelectionModel();
        selection->clear();
        for (int row : rows) {
            selection->select(model_.index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QPoint RowCentre(int row) { return View().visualRect(model_.index(row, 0)).center(); }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (int i = 0; i < model_.GetCount(); ++i) texts.push_back(model_.GetItemText(i));
        return texts;
    }

    CPlaylistModel model_;
    CSkinWnd window_;
    CSkinList list_;
    test::EventLog log_;
};

TEST_F(SkinListTest, SharesTheModelsSelectionAndFitsTheColumns) {
    EXPECT_EQ(View().selectionModel(), model_.GetSelectionModel());
    EXPECT_EQ(View().header()->sectionSize(1), 40);
    EXPECT_EQ(View().header()->sectionSize(0), View().viewport()->width() - 40);
    window_.resize(500, 300);
    list_.resize(350, 200);
    EXPECT_EQ(View().header()->sectionSize(0), View().viewport()->width() - 40);
}

TEST_F(SkinListTest, ActivationNeedsARow) {
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(20, 190));  // below the rows
    QTest::keyClick(&View(), Qt::Key_Return);                                    // nothing selected
    EXPECT_TRUE(log_.events.empty());
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, RowCentre(1));
    Select({2});
    QTest::keyClick(&View(), Qt::Key_Enter);
    EXPECT_EQ(log_.events,
              (std::vector<Event>{{"ListItemActived", 1, 0}, {"ListItemActived", 2, 0}}));
}

TEST_F(SkinListTest, ControlArrowsMoveTheSelectionAndKeepTheCurrentRecord) {
    model_.SetCurrent(1);  // "b" plays
    Select({1});
    model_.GetSelectionModel()->setCurrentIndex(model_.index(1, 0), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&View(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "c", "b", "d"}));
    EXPECT_EQ(model_.GetCurrent(), 2);
    EXPECT_EQ(model_.GetSelectionModel()->currentIndex().row(), 2);
    EXPECT_TRUE(model_.IsSelected(2));
    QTest::keyClick(&View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_EQ(model_.GetCurrent(), 0);
    QTest::keyClick(&View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "c", "d", "b"}));
    EXPECT_EQ(model_.GetCurrent(), 3);
    QTest::keyClick(&View(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "c", "b", "d"}));
    EXPECT_EQ(model_.GetSelectionModel()->currentIndex().row(), 2);
}

TEST_F(SkinListTest, DeleteGoesThroughTheModelAndRightClickIsTranslated) {
    Select({0, 2});
    QTest::keyClick(&View(), Qt::Key_Delete);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"b", "d"}));
    QTest::mouseClick(View().viewport(), Qt::RightButton, {}, RowCentre(1));
    EXPECT_EQ(log_.events,
              (std::vector<Event>{{"SelectedItemsDeleted", 0, 0}, {"ListItemRightClicked", 1, 0}}));
}

TEST_F(SkinListTest, PlayingAndSelectedRowsTakeTheirColours) {
    model_.SetCurrent(0);
    Select({2});
    const QImage shot = View().viewport()->grab().toImage();
    const auto at = [&](int row) {
        return shot.pixel(View().visualRect(model_.index(row, 0)).topLeft() + QPoint(2, 1)) |
               0xFF000000u;
    };
    EXPECT_EQ(at(0), qRgb(172, 255, 172));
    EXPECT_EQ(at(1), qRgb(225, 225, 255));
    EXPECT_EQ(at(2), qRgb(75, 160, 20));
}

}  // namespace
}  // namespace zvp
