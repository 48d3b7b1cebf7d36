// The main window on an X server (1920 x 1080) with the real control centre, engine and
// generated media: its geometry, what it shows for loaded media, keys and wheel, commands and
// the close sequence.
#include "ui/CMainWnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "app/AppFileTestUtil.h"
#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "app/TimerService.h"
#include "engine/CClipInfo.h"
#include "playlist/CControlCenter.h"
#include "playlist/CPlaylistFile.h"
#include "playlist/DiscTestUtil.h"
#include "skin/CMemDC2.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinButtonPlay.h"
#include "skin/CSkinning.h"
#include "support/ScopedXdgHome.h"
#include "support/TestUtil.h"
#include "ui/AppTexts.h"
#include "ui/CPellApp.h"
#include "ui/CommandLine.h"
#include "ui/MenuOpenGuard.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;
namespace fs = std::filesystem;

class MainWndTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { home_ = new test::ScopedXdgHome(); }
    static void TearDownTestSuite() {
        delete home_;
        home_ = nullptr;
    }

    void SetUp() override {
        fs::remove_all(home_->DataHome());
        center = std::make_unique<CControlCenter>();
        window = std::make_unique<CMainWnd>(*center);
        ASSERT_TRUE(window->CreateMainWindow());
    }
    void TearDown() override {
        QWidget& engine = center->GetController().GetEngine();
        engine.hide();
        engine.setParent(nullptr);
        window.reset();
        center.reset();
    }

    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &press);
    }
    void Wheel(int delta) {
        QWheelEvent event(QPointF(10, 10), window->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &event);
    }
    bool LoadAndWait(const std::string& path) {
        center->OpenFiles({path}, false);
        return PumpUntil([&] { return window->IsMediaLoaded(); });
    }

    static test::ScopedXdgHome* home_;
    std::unique_ptr<CControlCenter> center;
    std::unique_ptr<CMainWnd> window;
};

test::ScopedXdgHome* MainWndTest::home_ = nullptr;

TEST_F(MainWndTest, StartsCentredAtHalfTheScreenWithTheBuiltInLayout) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1920, 1080));
    EXPECT_EQ(window->geometry(), QRect(480, 270, 960, 540));
    EXPECT_EQ(window->minimumSize(), QSize(480, 270));
    window->resize(100, 100);
    EXPECT_GE(window->width(), 480);
    window->resize(960, 540);
    QApplication::processEvents();

    // The video area ends 168 pixels from the right edge, the splitter fills the 10 between.
    const QRect video = window->Screen().geometry();
    EXPECT_EQ(window->width() - (video.x() + video.width()), 168);
    EXPECT_EQ(window->Sizer().geometry().x(), video.x() + video.width());
    EXPECT_EQ(window->Sizer().geometry().width(), 10);
    EXPECT_EQ(window->Sizer().GetMinPos(), 300);
    EXPECT_EQ(window->VolumeBar().GetValue(), 80);
    EXPECT_FALSE(window->PositionBar().isEnabled());
    EXPECT_FALSE(window->ProgressLine().isVisible());
}

TEST_F(MainWndTest, LoadedMediaShowsItsLengthAndPosition) {
    ASSERT_TRUE(LoadAndWait(MediaPath("h264_aac.mp4")));
    EXPECT_EQ(window->PositionBar().GetMaximum(), 10);
    EXPECT_TRUE(window->PositionBar().isEnabled());
    EXPECT_TRUE(window->ProgressLine().isVisible());
    EXPECT_EQ(window->TitleLine().GetText(), "h264_aac.mp4");
    EXPECT_EQ(center->GetPlaylistModel().GetItemText(0), "h264_aac.mp4");
    EXPECT_EQ(center->GetPlaylistModel()
                  .data(center->GetPlaylistModel().index(0, 1), Qt::DisplayRole)
                  .toString(),
              QStringLiteral("1m"));
    EXPECT_EQ(CAppIni::Instance().GetInt("settings::current_play_item"), 0);
    ASSERT_TRUE(PumpUntil([&] { return window->PlayButton().GetPlayState() == 2; }));
    ASSERT_TRUE(PumpUntil([&] { return window->ProgressLine().GetText() == "00:01/00:10"; }));

    center->Stop();
    EXPECT_EQ(window->PlayButton().GetPlayState(), 0);
    EXPECT_FALSE(window->ProgressLine().isVisible());
}

TEST_F(MainWndTest, HoveredTimeStaysForThreeSecondsOverPositionUpdates) {
    CClipInfo clip;
    clip.path = "/nowhere/ten-minutes.mp4";
    clip.duration = 600;
    clip.width = 320;
    clip.height = 240;
    center->Notify("MediaLoaded", reinterpret_cast<EventArg>(&clip), 0);
    window->PositionBar().Notify("SliderPosHovered", 65, 0);
    EXPECT_EQ(window->ProgressLine().GetText(), "01:05/10:00");
    center->Notify("MediaPositionChanged", 12, 600);
    EXPECT_EQ(window->ProgressLine().GetText(), "01:05/10:00");
    EXPECT_EQ(window->PositionBar().GetValue(), 12);
    ASSERT_TRUE(PumpUntil([&] { return !window->IsHoverShown(); }, std::chrono::seconds(10)));
    center->Notify("MediaPositionChanged", 13, 600);
    EXPECT_EQ(window->ProgressLine().GetText(), "00:13/10:00");
}

TEST_F(MainWndTest, AnamorphicVideoFitsAtItsDisplaySize) {
    // 720 x 576 with 64:45 pixels is a 16:9 picture: it fills a 16:9 video area.
    CClipInfo clip;
    clip.path = "/nowhere/dvd.mpg";
    clip.duration = 60;
    clip.width = 720;
    clip.height = 576;
    clip.displayWidth = 1024;
    clip.displayHeight = 576;
    center->Notify("MediaLoaded", reinterpret_cast<EventArg>(&clip), 0);
    CSkinScreen& screen = window->Screen();
    EXPECT_EQ(screen.GetSourceSize(), (VideoSize{1024, 576}));
    const VideoRect& rect = screen.GetDisplayRect();
    EXPECT_NEAR(double(rect.Width()) / rect.Height(), 16.0 / 9.0, 0.01);
}

TEST_F(MainWndTest, KeysAndWheel) {
    CPlaybackController& controller = center->GetController();
    controller.SetVolume(3);
    Key(Qt::Key_Down);
    EXPECT_EQ(controller.GetVolume(), 0);
    Key(Qt::Key_Up);
    EXPECT_EQ(controller.GetVolume(), 5);
    EXPECT_EQ(window->VolumeBar().GetValue(), 5);

    controller.SetVolume(50);
    Wheel(120);
    EXPECT_EQ(controller.GetVolume(), 55);
    Wheel(-120);
    EXPECT_EQ(controller.GetVolume(), 50);
    // Small touchpad steps add up to one step.
    for (int i = 0; i < 4; ++i) Wheel(30);
    EXPECT_EQ(controller.GetVolume(), 55);

    // Enter twice comes back to the same place; Esc outside full screen changes nothing.
    const QRect before = window->geometry();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(window->IsFullScreen());
    Key(Qt::Key_Return);
    EXPECT_TRUE(window->IsFullScreen());
    EXPECT_TRUE(TimerService::Instance().IsRunning(CMainWnd::kFullScreenTimer));
    ASSERT_TRUE(PumpUntil([&] { return window->geometry().size() == QSize(1920, 1080); }));
    EXPECT_EQ(window->Screen().geometry(), window->rect());
    Key(Qt::Key_Return);
    EXPECT_FALSE(window->IsFullScreen());
    ASSERT_TRUE(PumpUntil([&] { return window->geometry() == before; }));
    EXPECT_FALSE(TimerService::Instance().IsRunning(CMainWnd::kFullScreenTimer));

    // Space starts the playlist's current row.
    center->AddFile(MediaPath("h264_aac.mp4"));
    Key(Qt::Key_Space);
    EXPECT_EQ(controller.GetStateName(), "Playing");
    Key(Qt::Key_Space);
    EXPECT_EQ(controller.GetStateName(), "Paused");
}

TEST_F(MainWndTest, NavigationKeysJumpAndStep) {
    const char* names[] = {"long.mp4", "video_only.mp4", "h264_aac.mp4"};
    for (const char* name : names) center->AddFile(MediaPath(name));
    const struct {
        int key;
        int row;
    } jumps[] = {{Qt::Key_End, 2}, {Qt::Key_Home, 0}, {Qt::Key_PageDown, 1}, {Qt::Key_PageUp, 0}};
    for (const auto& jump : jumps) {
        SCOPED_TRACE(jump.key);
        Key(jump.key);
        ASSERT_TRUE(PumpUntil([&] {
            return center->GetPlaylistModel().GetCurrent() == jump.row &&
                   window->TitleLine().GetText() == names[jump.row];
        }));
    }
    // Ten seconds on with Right, back with Left, in the 45-second clip now playing.
    CPlaybackController& controller = center->GetController();
    ASSERT_TRUE(PumpUntil([&] { return controller.GetStateName() == "Playing"; }));
    Key(Qt::Key_Right);
    ASSERT_TRUE(PumpUntil([&] { return controller.GetPosition() >= 10.0; }));
    Key(Qt::Key_Left);
    EXPECT_TRUE(PumpUntil([&] { return controller.GetPosition() < 5.0; }));
}

TEST_F(MainWndTest, CommandsAndMenus) {
    // Ids outside every range, and list indexes past their lists, do nothing.
    for (int id : {0, 14999, 15501, 16099, 16196, 16495, 16999, 57663, 15001, 16101, 16400}) {
        window->OnCommand(id);
    }
    EXPECT_TRUE(window->isVisible());

    window->OnCommand(15053);
    EXPECT_EQ(center->GetOperator().GetLoopModeName(), "playlist_shuffle");
    EXPECT_EQ(CAppIni::Instance().GetString("settings::loop_mode"), "playlist_shuffle");
    window->OnCommand(16602);
    EXPECT_EQ(CAppIni::Instance().GetString("settings::aspect_ratio"), "16:9");
    window->OnCommand(16502);
    EXPECT_TRUE(window->IsOnTop());

    // The saved playlists, without the default one, each opening its own file.
    const std::string folder = CAppFolder::GetPlaylists();
    ASSERT_TRUE(CPlaylistFile::Write(folder + "__default.mpl",
                                     std::vector<std::string>{MediaPath("video_only.mp4")}));
    ASSERT_TRUE(CPlaylistFile::Write(folder + "mine.mpl",
                                     std::vector<std::string>{MediaPath("h264_aac.mp4")}));
    std::unique_ptr<QMenu> menu = window->BuildResourceMenu(21027);
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    EXPECT_TRUE(texts.contains("mine"));
    EXPECT_FALSE(texts.contains("__default"));
    // Each listed file opens by its index, the last one too.
    const auto files = CMainWnd::ListPlaylistFiles();
    ASSERT_EQ(files.size(), 2u);
    for (size_t i = 0; i < files.size(); ++i) {
        window->OnCommand(15001 + static_cast<int>(i));
        EXPECT_EQ(center->GetPlaylistModel().GetItemText(0),
                  files[i] == folder + "mine.mpl" ? "h264_aac.mp4" : "video_only.mp4");
    }

    // A menu built while nothing is loaded greys what needs media.
    std::unique_ptr<QMenu> main = window->BuildMainMenu();
    bool sawExit = false;
    for (QAction* a : main->actions()) {
        if (a->data().toInt() == 57665) sawExit = true;
        if (a->text() == "&Dubbings") {
            EXPECT_FALSE(a->isEnabled());
        }
    }
    EXPECT_TRUE(sawExit);
}

TEST_F(MainWndTest, TwoDubbingsAreOfferedAndChosenByPosition) {
    ASSERT_TRUE(LoadAndWait(MediaPath("two_audio_ass.mkv")));
    CEngineDS& engine = center->GetController().GetEngine();
    auto dubbings = [&](std::unique_ptr<QMenu>& main) -> QMenu* {
        main = window->BuildMainMenu();
        for (QAction* a : main->actions()) {
            if (a->text() == "&Dubbings") return a->menu();
        }
        return nullptr;
    };
    std::unique_ptr<QMenu> main;
    QMenu* menu = dubbings(main);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Dubbing 1");
    EXPECT_EQ(menu->actions()[1]->data().toInt(), 16401);
    EXPECT_TRUE(menu->actions()[0]->isChecked());

    window->OnCommand(menu->actions()[1]->data().toInt());
    std::vector<int> streams;
    int current = -1;
    ASSERT_TRUE(PumpUntil([&] {
        engine.GetAudioStreams(streams, current);
        return streams.size() == 2 && current == streams[1];
    }));
    menu = dubbings(main);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions()[1]->isChecked());
    EXPECT_FALSE(menu->actions()[0]->isChecked());
}

// The desktop's opener (xdg-open, found on PATH) gets the feedback page's address.
TEST_F(MainWndTest, OnlineFeedbackOpensThroughTheDesktop) {
    test::TempDir bin;
    const std::string record = bin.file("opened.txt");
    const std::string opener = bin.file("xdg-open");
    {
        std::ofstream out(opener);
        out << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << ".part'\nmv '" << record
            << ".part' '" << record << "'\n";
    }
    fs::permissions(opener, fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    test::ScopedEnv onPath("PATH", bin.path().string() + ":" + (path ? path : "/usr/bin:/bin"));
    window->OnCommand(16810);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(record); }, std::chrono::seconds(10)));
    EXPECT_EQ(test::ReadBytes(record), std::string(kFeedbackUrl) + "\n");
}

TEST_F(MainWndTest, CloseSequenceSavesOnceAndSignals) {
    center->AddFile(MediaPath("h264_aac.mp4"));
    QSignalSpy closed(window.get(), &CMainWnd::Closed);
    window->close();
    window->CloseSequence();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    std::vector<std::string> rows;
    ASSERT_TRUE(CPlaylistFile::Read(CAppFolder::GetPlaylistFile("__default"), rows));
    EXPECT_EQ(rows, std::vector<std::string>{MediaPath("h264_aac.mp4")});
    EXPECT_TRUE(fs::exists(CAppIni::Instance().GetSettingsPath()));
}

TEST_F(MainWndTest, FullScreenToolbarComesWithAMoveAndGoesWithFullScreen) {
    CFullScreenToolbar& toolbar = window->Toolbar();
    const size_t centreRegistrations = center->RegistrationCount();
    const size_t engineRegistrations = center->GetController().GetEngine().RegistrationCount();
    // Outside full screen a move shows nothing.
    window->Screen().Notify("MouseMove", 10, 10);
    EXPECT_FALSE(toolbar.HasWindow());

    Key(Qt::Key_Return);
    ASSERT_TRUE(window->IsFullScreen());
    window->Screen().Notify("MouseMove", 10, 10);
    ASSERT_TRUE(toolbar.HasWindow());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(toolbar.Window()->geometry(), QRect(0, screen.height() - 40, screen.width(), 40));
    EXPECT_EQ(toolbar.PositionBar()->geometry(), QRect(1, 0, screen.width() - 2, 12));
    EXPECT_EQ(toolbar.VolumeBar()->geometry().topLeft(), QPoint(206, 20));
    ASSERT_NE(toolbar.Background(), nullptr);
    EXPECT_EQ(toolbar.Background()->Width(), 8);
    EXPECT_EQ(toolbar.Background()->Height(), 40);
    EXPECT_EQ(toolbar.PlayButton()->GetPlayState(), 0);
    EXPECT_FALSE(toolbar.PositionBar()->isEnabled());
    EXPECT_FALSE(toolbar.Window()->isActiveWindow());

    // It follows the media while it is shown.
    center->Notify("MediaPlaying", 0, 0);
    EXPECT_EQ(toolbar.PlayButton()->GetPlayState(), 2);
    EXPECT_EQ(toolbar.PlayButton()->GetTooltipText(), "Pause");
    center->GetController().SetVolume(35);
    EXPECT_EQ(toolbar.VolumeBar()->GetValue(), 35);
    toolbar.OnWheel(-120);
    EXPECT_EQ(center->GetController().GetVolume(), 30);
    toolbar.PositionBar()->Notify("SliderPosHovered", 5, 0);
    EXPECT_FALSE(toolbar.IsHoverShown());  // nothing plays

    // Leaving full screen takes it away with its subscriptions; later events make nothing.
    Key(Qt::Key_Escape);
    EXPECT_FALSE(toolbar.HasWindow());
    EXPECT_EQ(center->RegistrationCount(), centreRegistrations);
    EXPECT_EQ(center->GetController().GetEngine().RegistrationCount(), engineRegistrations);
    center->Notify("MediaPaused", 0, 0);
    center->Notify("MediaPositionChanged", 3, 10);
    EXPECT_FALSE(toolbar.HasWindow());

    // Made and destroyed many times over, it stays clean.
    Key(Qt::Key_Return);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(toolbar.CreateToolbar(window.get()));
        toolbar.DestroyToolbar();
    }
    Key(Qt::Key_Escape);
}

TEST_F(MainWndTest, ToolbarGoesWhenIdleUnlessThePointerRestsAtTheBottom) {
    CFullScreenToolbar& toolbar = window->Toolbar();
    Key(Qt::Key_Return);
    ASSERT_TRUE(window->IsFullScreen());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();

    // Idle at mid-screen: gone after the 3 s idle time, at the latest one 3 s tick later
    // (with room for a loaded machine's late tick), and the cursor with it. Timed from before
    // the move, which starts the idle time.
    QCursor::setPos(screen.center());
    QElapsedTimer idle;
    idle.start();
    window->Screen().Notify("MouseMove", 1, 1);
    ASSERT_TRUE(toolbar.HasWindow());
    ASSERT_TRUE(PumpUntil([&] { return !toolbar.HasWindow(); }, std::chrono::seconds(10)));
    EXPECT_GE(idle.elapsed(), 3000);
    EXPECT_LE(idle.elapsed(), 8000);
    EXPECT_EQ(window->cursor().shape(), Qt::BlankCursor);

    // Resting near the bottom keeps it, and the cursor.
    QCursor::setPos(screen.center().x(), screen.bottom() - 20);
    window->Screen().Notify("MouseMove", 2, 2);
    ASSERT_TRUE(toolbar.HasWindow());
    idle.restart();
    EXPECT_FALSE(PumpUntil([&] { return !toolbar.HasWindow(); }, std::chrono::milliseconds(7200)));
    EXPECT_NE(window->cursor().shape(), Qt::BlankCursor);

    // An open menu keeps it wherever the pointer is.
    QCursor::setPos(screen.center());
    window->Screen().Notify("MouseMove", 3, 3);
    SetMenuOpen(true);
    EXPECT_FALSE(PumpUntil([&] { return !toolbar.HasWindow(); }, std::chrono::milliseconds(6600)));
    SetMenuOpen(false);

    // Keys still go to the main window, which takes the toolbar away on Esc.
    EXPECT_FALSE(toolbar.Window()->isActiveWindow());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(window->IsFullScreen());
    EXPECT_FALSE(toolbar.HasWindow());
}

// A skin file's full-screen sections place the toolbar's controls and give its background;
// without "fullscreen_window" the toolbar is plain black behind its controls.
TEST_F(MainWndTest, ToolbarTakesItsLookFromTheSkinFile) {
    const std::string skins = CAppFolder::EnsureFolder(CAppFolder::GetSkins());
    auto bitmap = [&](const char* name, QSize size, QRgb color) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        return image.save(QString::fromStdString(skins + name), "BMP");
    };
    ASSERT_TRUE(bitmap("frame.bmp", {135, 51}, qRgb(10, 10, 10)));
    ASSERT_TRUE(bitmap("tile.bmp", {16, 40}, qRgb(0, 0, 200)));
    ASSERT_TRUE(bitmap("channel.bmp", {8, 10}, qRgb(0, 200, 0)));
    const std::string common =
        "[window]\nimage=frame.bmp\n"
        "[fullscreen_position_bar]\nimage=channel.bmp\nhorz=1\nleft=10\ntop=2\nwidth=-10\n"
        "height=10\n[fullscreen_stop]\nleft=500\ntop=5\nwidth=30\nheight=30\n";
    test::WriteBytes(skins + "Tiled.ini", common + "[fullscreen_window]\nimage=tile.bmp\n");
    test::WriteBytes(skins + "Plain.ini", common);

    Key(Qt::Key_Return);
    ASSERT_TRUE(window->IsFullScreen());
    CFullScreenToolbar& toolbar = window->Toolbar();
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    struct Case {
        const char* file;
        bool tiled;
        QRgb uncovered;
    };
    for (const Case& c : {Case{"Tiled.ini", true, qRgb(0, 0, 200)}, Case{"Plain.ini", false, 0}}) {
        SCOPED_TRACE(c.file);
        CSkinning::SetCurrentSkinName(skins + c.file);
        ASSERT_TRUE(toolbar.CreateToolbar(window.get()));
        EXPECT_EQ(toolbar.Background() != nullptr, c.tiled);
        if (c.tiled) {
            EXPECT_EQ(toolbar.Background()->Width(), 16);
        }
        EXPECT_EQ(toolbar.PositionBar()->geometry(), QRect(10, 2, screenWidth - 20, 10));
        EXPECT_EQ(toolbar.StopButton()->geometry(), QRect(500, 5, 30, 30));
        const QImage shot = toolbar.Window()->grab().toImage();
        EXPECT_EQ(shot.pixel(screenWidth - 30, 38) & 0xFFFFFF, c.uncovered & 0xFFFFFF);
        toolbar.DestroyToolbar();
    }
    CSkinning::SetCurrentSkinName(CSkinning::kDefaultSkinName);
}

// A click on a toolbar button leaves the keyboard with the main window.
TEST_F(MainWndTest, KeysStillReachTheWindowAfterAToolbarClick) {
    ASSERT_TRUE(LoadAndWait(MediaPath("h264_aac.mp4")));
    CPlaybackController& controller = center->GetController();
    ASSERT_TRUE(PumpUntil([&] { return controller.GetStateName() == "Playing"; }));
    Key(Qt::Key_Return);
    window->Screen().Notify("MouseMove", 4, 4);
    CFullScreenToolbar& toolbar = window->Toolbar();
    ASSERT_TRUE(toolbar.HasWindow());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toolbar.Window()));
    // Made while playing, it starts in the engine's state.
    EXPECT_EQ(toolbar.PlayButton()->GetPlayState(), 2);
    EXPECT_EQ(toolbar.PlayButton()->GetTooltipText(), "Pause");
    EXPECT_TRUE(toolbar.PositionBar()->isEnabled());
    EXPECT_EQ(toolbar.PositionBar()->GetMaximum(), 10);
    EXPECT_TRUE(toolbar.ProgressLine()->isVisible());

    // The window's hovered time and the toolbar's run side by side, each on its own timer.
    window->PositionBar().Notify("SliderPosHovered", 3, 0);
    toolbar.PositionBar()->Notify("SliderPosHovered", 7, 0);
    EXPECT_TRUE(window->IsHoverShown());
    EXPECT_TRUE(toolbar.IsHoverShown());
    EXPECT_EQ(window->ProgressLine().GetText(), "00:03/00:10");
    EXPECT_EQ(toolbar.ProgressLine()->GetText(), "00:07/00:10");
    ASSERT_TRUE(PumpUntil([&] { return !window->IsHoverShown() && !toolbar.IsHoverShown(); },
                          std::chrono::seconds(10)));

    // The idle check may have taken the toolbar meanwhile: a move brings it back.
    QCursor::setPos(QCursor::pos() + QPoint(3, 3));
    window->Screen().Notify("MouseMove", 5, 5);
    ASSERT_TRUE(toolbar.HasWindow());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(toolbar.Window()));
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == window.get(); }));

    CSkinButtonPlay& play = *toolbar.PlayButton();
    QTest::mouseClick(&play, Qt::LeftButton, Qt::NoModifier, play.rect().center());
    ASSERT_TRUE(PumpUntil([&] { return controller.GetStateName() == "Paused"; }));
    EXPECT_EQ(QApplication::activeWindow(), window.get());
    // Made again while paused, it shows the pause.
    toolbar.DestroyToolbar();
    ASSERT_TRUE(toolbar.CreateToolbar(window.get()));
    EXPECT_EQ(toolbar.PlayButton()->GetPlayState(), 1);
    EXPECT_EQ(toolbar.PlayButton()->GetTooltipText(), "Play");
    ASSERT_EQ(QApplication::focusWidget(), window.get());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(PumpUntil([&] { return controller.GetStateName() == "Playing"; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->IsFullScreen());
    EXPECT_FALSE(toolbar.HasWindow());
}

// Sends a drag over the window and drops it: what the enter, the move and the drop answered.
struct DragResult {
    bool enterAccepted = false;
    bool moveAccepted = false;
    Qt::DropAction moveAction = Qt::IgnoreAction;
    bool dropAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

DragResult Drag(QWidget& window, const QMimeData& data, Qt::KeyboardModifiers keys) {
    DragResult r;
    const QPoint at(100, 100);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::NoButton, keys);
    QApplication::sendEvent(&window, &enter);
    r.enterAccepted = enter.isAccepted();
    QDragMoveEvent move(at, offered, &data, Qt::NoButton, keys);
    QApplication::sendEvent(&window, &move);
    r.moveAccepted = move.isAccepted();
    r.moveAction = move.dropAction();
    QDropEvent drop(QPointF(at), offered, &data, Qt::NoButton, keys);
    QApplication::sendEvent(&window, &drop);
    r.dropAccepted = drop.isAccepted();
    r.dropAction = drop.dropAction();
    return r;
}

QMimeData* Files(const std::vector<std::string>& paths) {
    auto* data = new QMimeData();
    QList<QUrl> urls;
    for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data->setUrls(urls);
    return data;
}

TEST_F(MainWndTest, DroppedFilesOpenOrAppendAndAreNeverTakenAsAMove) {
    const std::string a = MediaPath("h264_aac.mp4");
    const std::string b = MediaPath("video_only.mp4");
    test::TempDir dir;
    // A 300-character path arrives whole.
    const std::string folder = dir.file(std::string(120, 'd'));
    fs::create_directories(folder);
    const std::string longName = folder + "/" + std::string(300 - folder.size() - 1, 'x');
    ASSERT_EQ(longName.size(), 300u);
    fs::copy_file(b, longName);
    center->AddFile(b);

    std::unique_ptr<QMimeData> three(Files({a, b, longName}));
    const DragResult replace = Drag(*window, *three, Qt::NoModifier);
    EXPECT_TRUE(replace.enterAccepted);
    EXPECT_EQ(replace.moveAction, Qt::MoveAction);
    EXPECT_FALSE(replace.dropAccepted);
    EXPECT_NE(replace.dropAction, Qt::MoveAction);
    EXPECT_EQ(center->GetPlaylistModel().GetCount(), 3);
    EXPECT_EQ(center->GetPlaylistModel().GetItem(2)->path, longName);
    ASSERT_TRUE(PumpUntil([&] { return window->IsMediaLoaded(); }));
    EXPECT_EQ(center->GetPlaylistModel().GetCurrent(), 0);

    // With Ctrl: appended, and the playing clip goes on; a playlist file is read as one.
    const std::string list = dir.file("two.mpl");
    ASSERT_TRUE(CPlaylistFile::Write(list, std::vector<std::string>{b, a}));
    std::unique_ptr<QMimeData> more(Files({list}));
    const DragResult append = Drag(*window, *more, Qt::ControlModifier);
    EXPECT_EQ(append.moveAction, Qt::CopyAction);
    EXPECT_FALSE(append.dropAccepted);
    EXPECT_EQ(center->GetPlaylistModel().GetCount(), 5);
    EXPECT_EQ(center->GetPlaylistModel().GetItem(3)->path, b);
    EXPECT_EQ(center->GetPlaylistModel().GetCurrent(), 0);
    EXPECT_TRUE(center->GetController().GetEngine().IsPlayingOrPaused());

    // Text and web addresses are refused and change nothing.
    QMimeData text;
    text.setText("/some/file.mp4");
    QMimeData web;
    web.setUrls({QUrl("http://example.org/a.mp4")});
    for (const QMimeData* data : std::initializer_list<const QMimeData*>{&text, &web}) {
        const DragResult refused = Drag(*window, *data, Qt::NoModifier);
        EXPECT_FALSE(refused.enterAccepted);
        EXPECT_FALSE(refused.moveAccepted);
        EXPECT_FALSE(refused.dropAccepted);
    }
    EXPECT_EQ(center->GetPlaylistModel().GetCount(), 5);

    // A forwarder without a target answers none.
    CFileDropTarget empty;
    EXPECT_EQ(empty.OnDragOver(three.get(), Qt::NoModifier, QPoint()), Qt::IgnoreAction);
    EXPECT_FALSE(empty.OnDrop(three.get(), Qt::CopyAction, QPoint()));
    EXPECT_EQ(empty.OnDropEx(three.get(), Qt::CopyAction, QPoint()), 0);
}

TEST(PellAppTest, CommandLinePathsThatExistBecomeAbsolute) {
    test::TempDir dir;
    const std::string file = dir.file("a.mp4");
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    const auto kept =
        CommandLine::ResolveArguments({"a.mp4", "missing.mp4", "", file, "./a.mp4"}).paths;
    fs::current_path(cwd);
    EXPECT_EQ(kept, (std::vector<std::string>{file, file, file}));
}

// Notes the override cursor while the drives are walked.
class CursorNotingDrives : public test::FakeDiscDrives {
  public:
    std::vector<DiscDrive> Drives() override {
        const QCursor* cursor = QApplication::overrideCursor();
        shapeDuringScan = cursor ? cursor->shape() : Qt::ArrowCursor;
        return FakeDiscDrives::Drives();
    }
    Qt::CursorShape shapeDuringScan = Qt::ArrowCursor;
};

TEST_F(MainWndTest, OpenDiscFollowsOpenFileAndScansUnderAWaitCursor) {
    std::unique_ptr<QMenu> main = window->BuildMainMenu();
    const QList<QAction*> actions = main->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions[0]->data().toInt(), 16300);
    EXPECT_EQ(actions[1]->data().toInt(), 16301);
    EXPECT_EQ(actions[1]->text(), "Open &Disc");

    test::TempDir disc;
    fs::create_directories(disc.path() / "MPEGAV");
    fs::copy_file(MediaPath("vcd_avseq.mpg"), disc.path() / "MPEGAV/AVSEQ01.DAT");
    CursorNotingDrives drives;
    drives.drives = {{"/dev/sr0", disc.path().string(), ""}};
    center->SetDiscDrives(&drives);
    window->OnCommand(16301);
    EXPECT_EQ(drives.shapeDuringScan, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return window->IsMediaLoaded(); }));
    EXPECT_EQ(center->GetPlaylistModel().GetItemText(0), "AVSEQ01.DAT");
    center->SetDiscDrives(nullptr);
}

}  // namespace
}  // namespace zvp
