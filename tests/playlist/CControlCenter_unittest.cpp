// The control centre over the real engine, a real model and generated media, with scripted
// dialogs: what plays next after jumps, ends, failures and activations, the playlist commands
// and the default playlist.
#include "playlist/CControlCenter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QWidget>
#include <cstring>
#include <deque>
#include <filesystem>

#include "app/AppFileTestUtil.h"
#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "app/TimerService.h"
#include "engine/CClipInfo.h"
#include "engine/EventRecorder.h"
#include "media/LogCapture.h"
#include "playlist/CLinuxDiscDrives.h"
#include "playlist/CPlaylistFile.h"
#include "playlist/DiscTestUtil.h"
#include "playlist/IPlaylistDialogs.h"
#include "support/ScopedXdgHome.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::Arg;
using test::MediaPath;
using test::PumpUntil;
using test::RecordedEvent;
namespace fs = std::filesystem;

const std::vector<std::string> kCenterEvents = {
    "MediaLoaded",  "MediaPlaying",   "MediaPaused",     "MediaStopped",
    "MediaAborted", "MediaCompleted", "MediaLoadFailed", "MediaPositionChanged"};

// Answers each dialog from a script; an exhausted script answers as a cancel would.
class ScriptedDialogs : public IPlaylistDialogs {
  public:
    std::vector<std::string> GetOpenFileNames(const std::string& startFolder,
                                              const std::string& filter) override {
        openCalls.push_back({startFolder, filter});
        if (openAnswers.empty()) return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::string GetSaveFileName(const std::string& startFolder, const std::string& initialName,
                                const std::string& filter,
                                const std::string& defaultSuffix) override {
        saveCalls.push_back({startFolder, initialName, filter, defaultSuffix});
        if (saveAnswers.empty()) return {};
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    bool BrowseForFolder(std::string& folder, const std::string& title) override {
        folderCalls.push_back(folder);
        if (folderAnswers.empty()) return false;
        folder = folderAnswers.front();
        folderAnswers.pop_front();
        return true;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::string> saveAnswers;
    std::deque<std::string> folderAnswers;
    std::vector<std::pair<std::string, std::string>> openCalls;
    std::vector<std::vector<std::string>> saveCalls;
    std::vector<std::string> folderCalls;
    std::vector<std::string> messages;
};

class ControlCenterTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { home_ = new test::ScopedXdgHome(); }
    static void TearDownTestSuite() {
        delete home_;
        home_ = nullptr;
    }

    void SetUp() override {
        fs::remove_all(home_->DataHome());
        CAppIni::Instance().Reload();
        host.resize(320, 240);
        ASSERT_TRUE(center.Initialize(&host, &model(), 500));
        center.SetDialogs(&dialogs);
    }

    CPlaylistModel& model() { return center.GetPlaylistModel(); }
    CClipInfo* Row(int i) { return model().GetItem(i); }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (int i = 0; i < model().GetCount(); ++i) paths.push_back(Row(i)->path);
        return paths;
    }
    void AddFiles(const std::vector<std::string>& paths) {
        for (const auto& p : paths) center.AddFile(p);
    }
    // The records that "MediaLoaded" (or another event) named, in order.
    std::vector<EventArg> Named(const std::string& event) const {
        std::vector<EventArg> out;
        for (const auto& e : events.events)
            if (e.name == event) out.push_back(e.arg1);
        return out;
    }
    bool WaitFor(const std::string& event, size_t count = 1) {
        return PumpUntil([&] { return Named(event).size() >= count; });
    }
    // Seeks the playing clip close to its end, so that it completes soon.
    void SeekNearEnd() {
        CPlaybackController& c = center.GetController();
        c.SetPosition(c.GetDuration() - 0.4);
    }
    std::string SettingsValue(const char* key) {
        CAppIni stored(CAppIni::Instance().GetSettingsPath());
        stored.Reload();
        return stored.GetString(key);
    }

    static test::ScopedXdgHome* home_;
    test::TempDir dir;
    QWidget host;
    CControlCenter center;
    ScriptedDialogs dialogs;
    test::EventRecorder events{center, kCenterEvents};
    const std::string good = MediaPath("h264_aac.mp4");
    const std::string good2 = MediaPath("video_only.mp4");
};

test::ScopedXdgHome* ControlCenterTest::home_ = nullptr;

TEST_F(ControlCenterTest, PlayStartsTheFirstRowOnlyWhenThereIsOne) {
    center.Play();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(center.GetController().GetStateName(), "Stopped");

    AddFiles({good, good2});
    EXPECT_EQ(model().GetCurrent(), -1);
    center.Play();
    EXPECT_EQ(model().GetCurrent(), 0);
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
    EXPECT_FALSE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));

    // With a file loaded Play toggles pause.
    center.Play();
    EXPECT_EQ(center.GetController().GetStateName(), "Paused");
    EXPECT_EQ(Named("MediaLoaded").size(), 1u);
}

TEST_F(ControlCenterTest, QuickJumpsMoveTheCursorAndLoadOnceAfterTheDelay) {
    AddFiles({good, good, good, good, good});
    center.Play();
    ASSERT_EQ(Named("MediaLoaded").size(), 1u);

    center.JumpNext();
    center.JumpNext();
    EXPECT_EQ(model().GetCurrent(), 2);
    // A third press within the delay restarts it.
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(PumpUntil([&] { return clock.elapsed() >= 300; }));
    EXPECT_EQ(Named("MediaLoaded").size(), 1u);
    center.JumpNext();
    clock.restart();
    EXPECT_EQ(model().GetCurrent(), 3);

    ASSERT_TRUE(WaitFor("MediaLoaded", 2));
    EXPECT_GE(clock.elapsed(), 450);
    EXPECT_EQ(Named("MediaLoaded"), (std::vector<EventArg>{Arg(Row(0)), Arg(Row(3))}));
    // The playing file was aborted first; its abort ran the jump.
    EXPECT_EQ(Named("MediaAborted").size(), 1u);
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
    EXPECT_FALSE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));
}

TEST_F(ControlCenterTest, AJumpWithAFileLoadedButNotPlayingStillLoads) {
    AddFiles({good, good2, good});
    // Loaded, not started: there is nothing to abort, so the tick shifts itself.
    ASSERT_TRUE(center.GetController().Load(Row(0)));
    ASSERT_EQ(center.GetController().GetStateName(), "Loaded");
    center.JumpNext();
    ASSERT_TRUE(WaitFor("MediaLoaded", 2));
    EXPECT_EQ(Named("MediaLoaded").back(), Arg(Row(1)));
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");

    // The same after a stop.
    center.Stop();
    center.JumpNext();
    ASSERT_TRUE(WaitFor("MediaLoaded", 3));
    EXPECT_EQ(Named("MediaLoaded").back(), Arg(Row(2)));
}

TEST_F(ControlCenterTest, ActivationPlaysAtOnceAndCancelsAWaitingJump) {
    AddFiles({good, good, good});
    center.Play();
    center.JumpNext();
    ASSERT_TRUE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));

    model().Activate(2);
    EXPECT_EQ(Named("MediaLoaded"), (std::vector<EventArg>{Arg(Row(0)), Arg(Row(2))}));
    EXPECT_EQ(model().GetCurrent(), 2);
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
    // The pending tick is gone, so it can replace nothing.
    EXPECT_FALSE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));

    // An activation outside the rows does nothing.
    model().Activate(7);
    EXPECT_EQ(Named("MediaLoaded").size(), 2u);
}

TEST_F(ControlCenterTest, EndOfClipAdvancesByTheLoopMode) {
    AddFiles({good, good2});
    center.Play();
    SeekNearEnd();
    ASSERT_TRUE(WaitFor("MediaLoaded", 2));
    EXPECT_EQ(Named("MediaCompleted").size(), 1u);
    EXPECT_EQ(Named("MediaLoaded").back(), Arg(Row(1)));
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
}

TEST_F(ControlCenterTest, SingleFileOnceStopsAtTheEndAndHasNoNext) {
    AddFiles({good, good2});
    center.GetOperator().SetLoopMode("single_file_no_loop");
    center.Play();
    center.JumpNext();
    EXPECT_FALSE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));
    SeekNearEnd();
    ASSERT_TRUE(WaitFor("MediaCompleted"));
    EXPECT_EQ(Named("MediaLoaded").size(), 1u);
    EXPECT_EQ(center.GetController().GetStateName(), "Stopped");
}

TEST_F(ControlCenterTest, FailuresTryTheNextRowUntilAllHaveFailed) {
    AddFiles({dir.file("a.mp4"), dir.file("b.mp4"), dir.file("c.mp4")});
    center.Play();
    EXPECT_EQ(Named("MediaLoadFailed"),
              (std::vector<EventArg>{Arg(Row(0)), Arg(Row(1)), Arg(Row(2))}));
    EXPECT_TRUE(model().AllItemsFailed());
    EXPECT_TRUE(Named("MediaLoaded").empty());
    EXPECT_EQ(center.GetController().GetStateName(), "Stopped");
}

TEST_F(ControlCenterTest, TenThousandMissingFilesThenAGoodOne) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (int i = 0; i < 10000; ++i) {
        records.push_back(IPlaylistAdapter::MakeFileRecord(dir.file(std::to_string(i) + ".mkv")));
    }
    records.push_back(IPlaylistAdapter::MakeFileRecord(good));
    model().AppendItems(std::move(records));
    center.Play();
    EXPECT_EQ(Named("MediaLoadFailed").size(), 10000u);
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(10000))});
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
}

TEST_F(ControlCenterTest, BackgroundLoadsMoveOnFromUnreadableRowsAndKeepRecordsAlive) {
    center.GetController().GetEngine().SetBackgroundLoad(true);
    const std::string noMedia = MediaPath("random.bin");
    AddFiles({noMedia, dir.file("missing.mp4"), noMedia, good});
    center.Play();
    // The first row's probe runs on the worker; the failures and the good row follow.
    EXPECT_TRUE(events.events.empty());
    ASSERT_TRUE(WaitFor("MediaPlaying"));
    EXPECT_EQ(Named("MediaLoadFailed"),
              (std::vector<EventArg>{Arg(Row(0)), Arg(Row(1)), Arg(Row(2))}));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(3))});
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");

    // Rows cleared while a row loads: the load finishes (and names its record) first.
    center.Stop();
    events.Clear();
    AddFiles({good2});
    model().Activate(4);
    const EventArg loading = Arg(Row(4));
    center.Clear();
    EXPECT_EQ(model().GetCount(), 0);
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{loading});
    center.Stop();
}

TEST_F(ControlCenterTest, SingleFileLoopTriesAMissingFileOnce) {
    AddFiles({good, dir.file("missing.mp4"), good2});
    center.GetOperator().SetLoopMode("single_file_loop");
    model().Activate(1);
    EXPECT_EQ(Named("MediaLoadFailed"), std::vector<EventArg>{Arg(Row(1))});
    EXPECT_TRUE(Named("MediaLoaded").empty());
    EXPECT_EQ(model().GetCurrent(), 1);

    // The user may try it again.
    center.JumpTo(1);
    ASSERT_TRUE(WaitFor("MediaLoadFailed", 2));
    EXPECT_TRUE(Named("MediaLoaded").empty());
}

TEST_F(ControlCenterTest, DestroyingTheCentreStopsItsWaitingTimer) {
    auto other = std::make_unique<CControlCenter>();
    QWidget otherHost;
    ASSERT_TRUE(other->Initialize(&otherHost, &other->GetPlaylistModel(), 500));
    other->AddFile(good);
    other->AddFile(good);
    other->JumpNext();
    TimerService& timers = TimerService::Instance();
    ASSERT_EQ(timers.ClientOf(CControlCenter::kShiftTimerId), other.get());
    other.reset();
    EXPECT_FALSE(timers.IsRunning(CControlCenter::kShiftTimerId));

    // Another centre's timer is left alone.
    AddFiles({good, good});
    center.JumpNext();
    { CControlCenter idle; }
    EXPECT_EQ(timers.ClientOf(CControlCenter::kShiftTimerId), &center);
}

TEST_F(ControlCenterTest, OpenFilesAppendsOrReplacesAndReadsOnlyLowerCaseMpl) {
    const std::string list = dir.file("list.mpl");
    const std::string upper = dir.file("LIST.MPL");
    ASSERT_TRUE(CPlaylistFile::Write(list, std::vector<std::string>{good2, good}));
    ASSERT_TRUE(CPlaylistFile::Write(upper, std::vector<std::string>{good}));

    AddFiles({good});
    center.OpenFiles({good2, list, upper}, true);
    EXPECT_EQ(Paths(), (std::vector<std::string>{good, good2, good2, good, upper}));
    EXPECT_TRUE(events.events.empty());

    center.OpenFiles({list, dir.file("unreadable.mpl")}, false);
    EXPECT_EQ(Paths(), (std::vector<std::string>{good2, good}));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
}

TEST_F(ControlCenterTest, CancelledDialogsChangeNothing) {
    AddFiles({good, good2});
    const auto before = Paths();
    center.OpenFilesDialog(true);
    center.AddFilesDialog();
    center.AddPlaylistsDialog();
    center.AddFolderDialog();
    center.OpenPlaylistDialog();
    center.SavePlaylistAsDialog();
    center.LoadSubtitleDialog();
    EXPECT_EQ(dialogs.openCalls.size(), 5u);
    EXPECT_EQ(dialogs.saveCalls.size(), 1u);
    EXPECT_EQ(dialogs.folderCalls.size(), 1u);
    EXPECT_EQ(Paths(), before);
    EXPECT_TRUE(events.events.empty());
    EXPECT_FALSE(center.IsAddingFolder());
    EXPECT_FALSE(fs::exists(CAppIni::Instance().GetSettingsPath()) &&
                 !SettingsValue("settings::default_playlist_path").empty());

    // Without dialogs the commands do nothing.
    center.SetDialogs(nullptr);
    center.OpenFilesDialog(true);
    center.SavePlaylistAsDialog();
    EXPECT_EQ(Paths(), before);
}

TEST_F(ControlCenterTest, FileDialogsStoreTheirFolderAndAddInOrder) {
    const std::string media = dir.file("media");
    fs::create_directories(media + "/sub");
    for (const char* name : {"b.mkv", "a.mp4", "sub/c.avi"})
        test::WriteBytes(media + "/" + name, "");
    const std::string list = dir.file("lists/one.mpl");
    fs::create_directories(dir.file("lists"));
    ASSERT_TRUE(CPlaylistFile::Write(list, std::vector<std::string>{good, good2}));

    dialogs.openAnswers = {{media + "/b.mkv", media + "/a.mp4"}, {list}};
    center.AddFilesDialog();
    EXPECT_EQ(Paths(), (std::vector<std::string>{media + "/b.mkv", media + "/a.mp4"}));
    EXPECT_EQ(SettingsValue("settings::default_playlist_path"), media + "/");
    center.AddPlaylistsDialog();
    EXPECT_EQ(dialogs.openCalls[1].first, media + "/");
    EXPECT_EQ(Paths().size(), 4u);
    EXPECT_EQ(SettingsValue("settings::default_playlist_path"), dir.file("lists") + "/");
    EXPECT_TRUE(events.events.empty());

    // The folder: its subfolders first, then its own files, each sorted by name.
    dialogs.folderAnswers = {media};
    center.AddFolderDialog();
    ASSERT_TRUE(PumpUntil([&] { return !center.IsAddingFolder(); }));
    const auto paths = Paths();
    EXPECT_EQ(std::vector<std::string>(paths.begin() + 4, paths.end()),
              (std::vector<std::string>{media + "/sub/c.avi", media + "/a.mp4", media + "/b.mkv"}));
    EXPECT_EQ(SettingsValue("settings::default_media_file_path"), media + "/");

    // Open replaces and plays the first chosen file; its folder is the media folder.
    dialogs.openAnswers = {{good2, good}};
    center.OpenFilesDialog(true);
    EXPECT_EQ(Paths(), (std::vector<std::string>{good2, good}));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
    EXPECT_EQ(SettingsValue("settings::default_media_file_path"),
              fs::path(good2).parent_path().string() + "/");
}

TEST_F(ControlCenterTest, OpenPlaylistReplacesOnlyWhenItCanBeRead) {
    AddFiles({good});
    const std::string binary = dir.file("binary.mpl");
    test::WriteBytes(binary, std::string("\x7f"
                                         "ELF\0\0\0junk",
                                         11));
    dialogs.openAnswers = {{binary}};
    center.OpenPlaylistDialog();
    EXPECT_EQ(Paths(), std::vector<std::string>{good});
    EXPECT_FALSE(center.OpenPlaylistFile(binary));
    EXPECT_FALSE(center.OpenPlaylistFile(dir.file("missing.mpl")));
    EXPECT_EQ(Paths(), std::vector<std::string>{good});
    EXPECT_TRUE(events.events.empty());

    const std::string list = dir.file("good.mpl");
    ASSERT_TRUE(CPlaylistFile::Write(list, std::vector<std::string>{good2, good2}));
    EXPECT_TRUE(center.OpenPlaylistFile(list));
    EXPECT_EQ(Paths(), (std::vector<std::string>{good2, good2}));
    EXPECT_EQ(CControlCenter::GetProfilePlaylistPath(), dir.path().string() + "/");

    dialogs.openAnswers = {{list, binary}};
    center.OpenPlaylistDialog();
    EXPECT_EQ(Paths(), (std::vector<std::string>{good2, good2}));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
}

TEST_F(ControlCenterTest, SaveAsRefusesAnEmptyListAndReportsAFailedSave) {
    center.SavePlaylistAsDialog();
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"No media file found. Cannot save empty playlist"});
    EXPECT_TRUE(dialogs.saveCalls.empty());

    AddFiles({good, good2});
    const std::string target = dir.file("saved.mpl");
    dialogs.saveAnswers = {target, target + "/below.mpl"};
    center.SavePlaylistAsDialog();
    std::vector<std::string> rows;
    ASSERT_TRUE(CPlaylistFile::Read(target, rows));
    EXPECT_EQ(rows, (std::vector<std::string>{good, good2}));
    EXPECT_EQ(SettingsValue("settings::default_playlist_path"), dir.path().string() + "/");
    EXPECT_EQ(dialogs.saveCalls[0][3], "mpl");

    // The second dialog offers the name chosen before; its save fails and says so.
    const std::string before = test::ReadBytes(target);
    center.SavePlaylistAsDialog();
    EXPECT_EQ(dialogs.saveCalls[1][1], "saved.mpl");
    EXPECT_EQ(dialogs.messages.back(), "Cannot save playlist " + target + "/below.mpl");
    EXPECT_EQ(test::ReadBytes(target), before);
}

TEST_F(ControlCenterTest, DefaultPlaylistRoundTripAndAnUnreadableOneIsKept) {
    AddFiles({good, dir.file("gone.mp4"), good2});
    ASSERT_TRUE(center.SaveDefaultPlaylist());
    center.Clear();
    EXPECT_EQ(model().GetCount(), 0);
    EXPECT_TRUE(center.LoadDefaultPlaylist());
    EXPECT_EQ(Paths(), (std::vector<std::string>{good, dir.file("gone.mp4"), good2}));

    // A default playlist that is not a playlist is set aside, not overwritten at close.
    const std::string path = CAppFolder::GetPlaylistFile(CAppFolder::kDefaultPlaylistName);
    const std::string junk("binary\0bytes\x01\x02", 15);
    test::WriteBytes(path, junk);
    EXPECT_FALSE(center.LoadDefaultPlaylist());
    EXPECT_EQ(model().GetCount(), 0);
    AddFiles({good});
    ASSERT_TRUE(center.SaveDefaultPlaylist());
    EXPECT_EQ(test::ReadBytes(path + ".bak"), junk);
    std::vector<std::string> rows;
    ASSERT_TRUE(CPlaylistFile::Read(path, rows));
    EXPECT_EQ(rows, std::vector<std::string>{good});
}

TEST_F(ControlCenterTest, ClearAndDeleteKeepTheCursorOnItsRecord) {
    AddFiles({good, good2, good});
    center.JumpTo(1);
    ASSERT_TRUE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));
    center.Clear();
    EXPECT_FALSE(TimerService::Instance().IsRunning(CControlCenter::kShiftTimerId));
    EXPECT_EQ(model().GetCurrent(), -1);

    AddFiles({good, good2, good});
    model().SetCurrent(2);
    model().GetSelectionModel()->select(model().index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CClipInfo* current = Row(2);
    center.DeleteSelected();
    EXPECT_EQ(model().GetCount(), 2);
    EXPECT_EQ(model().GetCurrent(), 1);
    EXPECT_EQ(Row(1), current);
}

// ---- discs ----------------------------------------------------------------------------------

class PlayDiscTest : public ControlCenterTest {
  protected:
    void SetUp() override {
        ControlCenterTest::SetUp();
        center.SetDiscDrives(&drives);
    }
    // Copies the clip `media` to each of `names` below the disc root.
    void Burn(const std::string& media, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            fs::create_directories((disc.path() / name).parent_path());
            fs::copy_file(MediaPath(media), disc.path() / name);
        }
        drives.drives = {{"/dev/sr0", "", ""}, {"/dev/sr1", disc.path().string(), ""}};
    }

    test::TempDir disc;
    test::FakeDiscDrives drives;
};

TEST_F(PlayDiscTest, ADvdReplacesTheRowsWithItsTitlesAndPlaysTheFirst) {
    AddFiles({good});
    center.Play();
    ASSERT_EQ(center.GetController().GetStateName(), "Playing");
    Burn("dvd_vts.vob", {"VIDEO_TS/VTS_02_1.VOB", "VIDEO_TS/VTS_01_2.VOB", "VIDEO_TS/VTS_01_1.VOB",
                         "VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VIDEO_TS.VOB"});
    test::MakeTree(disc.path(), {"VIDEO_TS/VTS_01_0.IFO", "VIDEO_TS/VTS_01_0.BUP"});
    center.PlayDisc();
    EXPECT_EQ(Paths(), (std::vector<std::string>{disc.file("VIDEO_TS/VTS_01_1.VOB"),
                                                 disc.file("VIDEO_TS/VTS_01_2.VOB"),
                                                 disc.file("VIDEO_TS/VTS_02_1.VOB")}));
    EXPECT_EQ(model().GetCurrent(), 0);
    ASSERT_TRUE(WaitFor("MediaPlaying", 2));
    EXPECT_EQ(Named("MediaLoaded").back(), Arg(Row(0)));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PlayDiscTest, AVideoCdPlaysItsFirstSequence) {
    Burn("vcd_avseq.mpg", {"MPEGAV/AVSEQ01.DAT"});
    center.PlayDisc();
    EXPECT_EQ(Paths(), std::vector<std::string>{disc.file("MPEGAV/AVSEQ01.DAT")});
    ASSERT_TRUE(WaitFor("MediaPlaying"));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
    EXPECT_EQ(Row(0)->width, 352);
}

TEST_F(PlayDiscTest, NothingFoundLeavesPlaybackAndRowsAlone) {
    AddFiles({good, good2});
    center.Play();
    ASSERT_TRUE(WaitFor("MediaPlaying"));
    const std::vector<std::string> before = Paths();
    const size_t eventsBefore = events.events.size();
    for (const bool menuOnly : {false, true}) {
        SCOPED_TRACE(menuOnly ? "only a menu title set" : "no disc");
        if (menuOnly) Burn("dvd_vts.vob", {"VIDEO_TS/VTS_01_0.VOB"});
        test::LogCapture log;
        dialogs.messages.clear();
        center.PlayDisc();
        EXPECT_EQ(Paths(), before);
        EXPECT_EQ(model().GetCurrent(), 0);
        EXPECT_EQ(center.GetController().GetStateName(), "Playing");
        EXPECT_EQ(dialogs.messages,
                  std::vector<std::string>{"No Video CD, DVD or audio CD found."});
        EXPECT_EQ(log.CountOf("No Video CD, DVD or audio CD found"), 1);
    }
    // Nothing stopped or loaded meanwhile.
    for (size_t i = eventsBefore; i < events.events.size(); ++i) {
        EXPECT_EQ(events.events[i].name, "MediaPositionChanged");
    }

    // Without dialogs, the log line only.
    center.SetDialogs(nullptr);
    dialogs.messages.clear();
    center.PlayDisc();
    EXPECT_TRUE(dialogs.messages.empty());
}

// What SDL's disk driver captured: the frames that are not silent (the device plays silence
// before and after a clip and whenever its queue runs dry) and their tone's frequency.
struct CapturedTone {
    long frames = 0;
    double hz = 0.0;
};
CapturedTone Captured(const std::string& file) {
    const std::string bytes = test::ReadBytes(file);
    CapturedTone tone;
    int previous = 0;
    long changes = 0;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        int16_t left = 0, right = 0;
        std::memcpy(&left, bytes.data() + at, 2);
        std::memcpy(&right, bytes.data() + at + 2, 2);
        if (left == 0 && right == 0) continue;
        ++tone.frames;
        const int sign = left > 0 ? 1 : left < 0 ? -1 : 0;
        if (sign != 0 && previous != 0 && sign != previous) ++changes;
        if (sign != 0) previous = sign;
    }
    if (tone.frames > 0) tone.hz = changes / 2.0 / (tone.frames / 44100.0);
    return tone;
}

TEST_F(PlayDiscTest, AnAudioCdImagePlaysEachTrackWithItsLength) {
    // Two audio tracks after a data track: 2 s of 440 Hz and 3 s of 880 Hz.
    const std::string cue =
        test::WriteCueImage(disc.path(), 20, {test::CdTone(440, 150), test::CdTone(880, 225)});
    drives.drives = {{cue, "", ""}};
    ASSERT_TRUE(CLinuxDiscDrives::ReadCdToc(cue, drives.tocs[cue]));
    // Each clip's audio device writes the file named when it opens.
    struct DiskAudio {
        explicit DiskAudio(const std::string& file) { Capture(file); }
        ~DiskAudio() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
        void Capture(const std::string& file) {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        }
    } audio(dir.file("track02.raw"));

    center.PlayDisc();
    ASSERT_EQ(Paths(), (std::vector<std::string>{cue + "/track02.cda", cue + "/track03.cda"}));
    ASSERT_TRUE(WaitFor("MediaPlaying"));
    audio.Capture(dir.file("track03.raw"));
    EXPECT_NEAR(Row(0)->duration, 2.0, 1.0 / 75);

    // Track 3 follows when track 2 ends; then the list starts again.
    ASSERT_TRUE(WaitFor("MediaLoaded", 2));
    audio.Capture(dir.file("again.raw"));
    EXPECT_EQ(Named("MediaLoaded").back(), Arg(Row(1)));
    EXPECT_NEAR(Row(1)->duration, 3.0, 1.0 / 75);
    ASSERT_TRUE(WaitFor("MediaLoaded", 3));
    EXPECT_TRUE(Named("MediaLoadFailed").empty());
    // The previous clip's device is closed once the next one has loaded.
    struct Expected {
        const char* file;
        long frames;
        double hz;
    };
    for (const Expected& e : {Expected{"track02.raw", 150 * test::kCdSamplesPerSector, 440},
                              Expected{"track03.raw", 225 * test::kCdSamplesPerSector, 880}}) {
        SCOPED_TRACE(e.file);
        const CapturedTone tone = Captured(dir.file(e.file));
        EXPECT_NEAR(tone.frames, e.frames, test::kCdSamplesPerSector);
        EXPECT_NEAR(tone.hz, e.hz, e.hz / 50);
    }

    // Half of track 2 (the engine seeks in whole seconds; the sector is the media layer's).
    CPlaybackController& c = center.GetController();
    EXPECT_NEAR(c.GetDuration(), 2.0, 1.0 / 75);
    c.SetPosition(1.0);
    EXPECT_NEAR(c.GetPosition(), 1.0, 1.0 / 75);
}

TEST_F(PlayDiscTest, ATruncatedAudioCdImageEndsTheTrackWithALogLine) {
    test::LogCapture log;
    // The BIN ends half a second into track 2; track 3 has no sectors left.
    const std::string cue =
        test::WriteCueImage(disc.path(), 20, {test::CdTone(440, 150), test::CdTone(880, 225)},
                            (20 + 38) * test::kCdSectorBytes);
    drives.drives = {{cue, "", ""}};
    ASSERT_TRUE(CLinuxDiscDrives::ReadCdToc(cue, drives.tocs[cue]));
    center.PlayDisc();
    ASSERT_EQ(model().GetCount(), 2);
    // Track 2 plays what there is and ends; track 3 fails to load; nothing hangs.
    center.GetOperator().SetLoopMode("playlist_no_loop");
    ASSERT_TRUE(WaitFor("MediaLoadFailed"));
    EXPECT_EQ(Named("MediaLoaded"), std::vector<EventArg>{Arg(Row(0))});
    EXPECT_EQ(Named("MediaCompleted").size(), 1u);
    EXPECT_EQ(Named("MediaLoadFailed"), std::vector<EventArg>{Arg(Row(1))});
    EXPECT_TRUE(log.Contains("Cannot read sectors"));
}

}  // namespace
}  // namespace zvp
