// The application's start-up and shutdown in process: the real main window, control centre and
// engine on the offscreen platform, generated media and a temporary XDG home. Binds the
// player's instance name, so it runs alone among the tests that start the player.
#include "ui/CPellApp.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "engine/CClipInfo.h"
#include "playlist/CControlCenter.h"
#include "playlist/CPlaylistFile.h"
#include "support/ScopedXdgHome.h"
#include "support/TestUtil.h"
#include "ui/CMainWnd.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class PellAppTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { home_ = new test::ScopedXdgHome(); }
    static void TearDownTestSuite() {
        delete home_;
        home_ = nullptr;
    }
    void SetUp() override {
        fs::remove_all(home_->DataHome());
        CAppIni::Instance().Reload();
    }
    void TearDown() override {
        app_.reset();
        fs::current_path(cwd_);
    }

    // A settings file holding `loopMode`, read by the main window at creation.
    static void SetLoopMode(const std::string& loopMode) {
        CAppIni& ini = CAppIni::Instance();
        ini.SetString("settings::loop_mode", loopMode);
        ASSERT_TRUE(ini.Save());
    }

    // Starts the application with `args` after the program name.
    bool Start(const std::vector<std::string>& args) {
        args_ = {"zvp"};
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (std::string& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        argc_ = static_cast<int>(args_.size());
        app_ = std::make_unique<CPellApp>(argc_, argv_.data());
        return app_->InitInstance();
    }
    CControlCenter& Center() { return app_->GetControlCenter(); }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        const CPlaylistModel& model = Center().GetPlaylistModel();
        for (int i = 0; i < model.GetCount(); ++i) rows.push_back(model.GetItem(i)->path);
        return rows;
    }
    bool PlayingRow(int row) {
        return PumpUntil([&] {
            return Center().GetPlaylistModel().GetCurrent() == row &&
                   Center().GetController().GetStateName() == "Playing";
        });
    }

    static test::ScopedXdgHome* home_;
    const fs::path cwd_ = fs::current_path();
    std::vector<std::string> args_;
    std::vector<char*> argv_;
    int argc_ = 0;
    std::unique_ptr<CPellApp> app_;
};

test::ScopedXdgHome* PellAppTest::home_ = nullptr;

TEST_F(PellAppTest, ArgumentsAreAppendedInOrderAndTheLastPlaysAfterTheShiftDelay) {
    SetLoopMode("playlist_loop");
    const std::string a = MediaPath("h264_aac.mp4");
    const std::string b = MediaPath("video_only.mp4");
    ASSERT_TRUE(Start({a, "/nowhere/missing.mp4", b}));
    QElapsedTimer sinceStart;
    sinceStart.start();
    EXPECT_EQ(Rows(), (std::vector<std::string>{fs::absolute(a).lexically_normal().string(),
                                                fs::absolute(b).lexically_normal().string()}));
    CMainWnd& window = *app_->GetMainWindow();
    EXPECT_FALSE(window.IsMediaLoaded());
    ASSERT_TRUE(PumpUntil([&] { return window.IsMediaLoaded(); }));
    EXPECT_GE(sinceStart.elapsed(), 450);
    EXPECT_EQ(window.TitleLine().GetText(), "video_only.mp4");
    EXPECT_TRUE(PlayingRow(1));
}

TEST_F(PellAppTest, PlaylistFilesAreReadAsPlaylistsAndRelativePathsMadeAbsolute) {
    test::TempDir dir;
    const std::string a = fs::absolute(MediaPath("h264_aac.mp4")).string();
    const std::string b = fs::absolute(MediaPath("video_only.mp4")).string();
    ASSERT_TRUE(CPlaylistFile::Write(dir.file("two.mpl"), std::vector<std::string>{a, b}));
    fs::copy_file(a, dir.file("clip.mp4"));
    fs::current_path(dir.path());
    ASSERT_TRUE(Start({"two.mpl", "./clip.mp4"}));
    const std::string clip = dir.file("clip.mp4");
    EXPECT_EQ(Rows(), (std::vector<std::string>{a, b, clip}));
    EXPECT_TRUE(PlayingRow(2));

    // The default playlist keeps the absolute path, whatever the folder later.
    app_->GetMainWindow()->CloseSequence();
    std::vector<std::string> saved;
    ASSERT_TRUE(CPlaylistFile::Read(CAppFolder::GetPlaylistFile("__default"), saved));
    EXPECT_EQ(saved, (std::vector<std::string>{a, b, clip}));
}

TEST_F(PellAppTest, SingleFileLoopPlaysTheArgumentNotTheCurrentRow) {
    // A saved playlist with its first row current.
    const std::string a = MediaPath("h264_aac.mp4");
    const std::string b = MediaPath("video_only.mp4");
    CAppFolder::EnsureFolder(CAppFolder::GetPlaylists());
    ASSERT_TRUE(CPlaylistFile::Write(CAppFolder::GetPlaylistFile("__default"),
                                     std::vector<std::string>{a, b}));
    CAppIni::Instance().SetInt("settings::current_play_item", 0);
    SetLoopMode("single_file_loop");
    ASSERT_TRUE(Start({MediaPath("two_audio_ass.mkv")}));
    ASSERT_EQ(Center().GetPlaylistModel().GetCount(), 3);
    EXPECT_TRUE(PlayingRow(2));
    EXPECT_EQ(app_->GetMainWindow()->TitleLine().GetText(), "two_audio_ass.mkv");
}

// Each way of closing saves the playlist and the settings once: files removed after the
// close are not written again by the rest of the shutdown.
TEST_F(PellAppTest, EveryWayOfClosingSavesOnce) {
    struct Way {
        const char* name;
        void (*close)(CPellApp&);
    };
    const Way ways[] = {
        {"close button",
         [](CPellApp& app) { app.GetMainWindow()->Button("close").Notify("LeftClicked", 0, 0); }},
        {"Exit", [](CPellApp& app) { app.GetMainWindow()->OnCommand(57665); }},
        {"SIGTERM", [](CPellApp&) { ASSERT_EQ(::raise(SIGTERM), 0); }},
    };
    const std::string clip = fs::absolute(MediaPath("h264_aac.mp4")).string();
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        SetUp();
        ASSERT_TRUE(Start({clip}));
        CMainWnd& window = *app_->GetMainWindow();
        ASSERT_TRUE(PlayingRow(0));
        QSignalSpy closed(&window, &CMainWnd::Closed);
        way.close(*app_);
        ASSERT_TRUE(PumpUntil([&] { return closed.count() > 0; }, 5s));
        EXPECT_FALSE(window.isVisible());
        const std::string list = CAppFolder::GetPlaylistFile("__default");
        const std::string settings = CAppIni::Instance().GetSettingsPath();
        std::vector<std::string> saved;
        ASSERT_TRUE(CPlaylistFile::Read(list, saved));
        EXPECT_EQ(saved, std::vector<std::string>{clip});
        ASSERT_TRUE(fs::exists(settings));
        fs::remove(list);
        fs::remove(settings);

        // Later closes, the window's destruction and the application's do not save again.
        window.close();
        window.OnCommand(57665);
        QCoreApplication::processEvents();
        EXPECT_EQ(closed.count(), 1);
        app_.reset();
        EXPECT_FALSE(fs::exists(list));
        EXPECT_FALSE(fs::exists(settings));
    }
}

// The window copies what it needs of the loaded clip's record: deleting the playing row
// (which frees the record) leaves nothing dangling for the shutdown (ASan checks).
TEST_F(PellAppTest, ClosesCleanlyAfterThePlayingRowIsDeleted) {
    ASSERT_TRUE(Start({MediaPath("h264_aac.mp4"), MediaPath("video_only.mp4")}));
    ASSERT_TRUE(PlayingRow(1));
    CMainWnd& window = *app_->GetMainWindow();
    ASSERT_TRUE(Center().GetPlaylistModel().DeleteItem(1));
    EXPECT_TRUE(window.IsMediaLoaded());
    EXPECT_NEAR(window.GetLoadedDuration(), 5.0, 0.1);
    window.OnCommand(16701);  // fit to source reads the copied size
    window.PositionBar().Notify("SliderPosHovered", 2, 0);
    EXPECT_EQ(window.ProgressLine().GetText(), "00:02/00:05");
    window.Button("close").Notify("LeftClicked", 0, 0);
    std::vector<std::string> saved;
    ASSERT_TRUE(CPlaylistFile::Read(CAppFolder::GetPlaylistFile("__default"), saved));
    EXPECT_EQ(saved.size(), 1u);
}

}  // namespace
}  // namespace zvp
