// The command line, the MIME table and the state kept across restarts: pure functions over
// arguments, files and settings, no window.
#include "ui/CommandLine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/AppFileTestUtil.h"
#include "app/CAppIni.h"
#include "support/TestUtil.h"
#include "ui/CPlayerState.h"
#include "ui/MimeTable.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;
using Action = CommandLine::Action;
using Args = std::vector<std::string>;

TEST(CommandLineTest, OptionsEndAtTheDoubleDash) {
    const struct {
        Args args;
        Action action;
        bool enqueue;
        Args arguments;
    } cases[] = {
        {{}, Action::kRun, false, {}},
        {{"a.mp4", "--version"}, Action::kVersion, false, {}},
        {{"--help", "--version"}, Action::kHelp, false, {}},
        {{"-h"}, Action::kHelp, false, {}},
        {{"--enqueue", "a.mp4", "-odd name"}, Action::kRun, true, {"a.mp4", "-odd name"}},
        {{"--", "--help", "--enqueue", "--"}, Action::kRun, false, {"--help", "--enqueue", "--"}},
    };
    for (const auto& c : cases) {
        const CommandLine::Parsed parsed = CommandLine::Parse(c.args);
        EXPECT_EQ(parsed.action, c.action) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.enqueue, c.enqueue) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.arguments, c.arguments) << testing::PrintToString(c.args);
    }
    char program[] = "zvp", option[] = "-style", value[] = "x", dash[] = "--", path[] = "-p";
    char* argv[] = {program, option, value, dash, path};
    EXPECT_EQ(CommandLine::OptionCount(5, argv), 3);
    EXPECT_EQ(CommandLine::OptionCount(3, argv), 3);
}

TEST(CommandLineTest, FileUrlsBecomeLocalPathsAndOtherSchemesNothing) {
    const std::string cwd = fs::current_path().string();
    const struct {
        const char* argument;
        std::string path;
    } cases[] = {
        {"file:///media/a%20b.mp4", "/media/a b.mp4"},
        {"file://localhost/media/x.mkv", "/media/x.mkv"},
        {"FILE:///media/%C3%A9.mp3", "/media/\xC3\xA9.mp3"},
        {"file://otherhost/media/x.mkv", ""},
        {"file:///media/a%00.mp4", ""},  // the NUL would cut the name at /media/a
        {"http://example.com/x.mp4", ""},
        {"smb://server/share/x.mp4", ""},
        {"", ""},
        {"/a/./b/../c.mp4", "/a/c.mp4"},
        {"rel/x.mp4", cwd + "/rel/x.mp4"},
        {"c:x.mp4", cwd + "/c:x.mp4"},  // a one-letter "scheme" is a name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandLine::ArgumentToPath(c.argument), c.path) << c.argument;
    }
}

TEST(CommandLineTest, FoldersExpandToTheirMediaFilesAndALastFolderPlaysItsFirst) {
    test::TempDir dir;
    const std::string folder = dir.file("clips");
    fs::create_directories(folder + "/sub");
    for (const char* name :
         {"b.mp4", "a.MKV", "notes.txt", "cover.jpg", "sub/c.ogg", "sub/d.opus", "list.mpl"}) {
        test::WriteBytes(folder + "/" + name, "x");
    }
    const std::string single = dir.file("single.mp3");
    test::WriteBytes(single, "x");
    const std::vector<std::string> files = {folder + "/sub/c.ogg", folder + "/sub/d.opus",
                                            folder + "/a.MKV", folder + "/b.mp4"};

    CommandLine::OpenList list = CommandLine::ResolveArguments({single, "file://" + folder});
    std::vector<std::string> expected = {single};
    expected.insert(expected.end(), files.begin(), files.end());
    EXPECT_EQ(list.paths, expected);
    EXPECT_EQ(list.current, 1);  // the folder's first file

    list = CommandLine::ResolveArguments(
        {folder, single, dir.file("missing.mp4"), "http://example.com/a.mp4"});
    ASSERT_EQ(list.paths.size(), 5u);
    EXPECT_EQ(list.paths.back(), single);
    EXPECT_EQ(list.current, 4);  // skipped arguments do not count

    const std::string empty = dir.file("empty");
    fs::create_directories(empty);
    list = CommandLine::ResolveArguments({empty, dir.file("missing")});
    EXPECT_TRUE(list.paths.empty());
    EXPECT_EQ(list.current, -1);
}

TEST(MimeTableTest, TheTableClaimsThePlayableTypesOnly) {
    const std::vector<MimeTable::Row> rows =
        MimeTable::Parse("# comment\n\nvideo/mp4 mp4 M4V\nnot-a-type x\naudio/ogg ogg opus\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].type, "video/mp4");
    EXPECT_EQ(rows[0].extensions, (std::vector<std::string>{"mp4", "m4v"}));

    std::set<std::string> extensions;
    for (const MimeTable::Row& row : MimeTable::Rows()) {
        extensions.insert(row.extensions.begin(), row.extensions.end());
    }
    const std::set<std::string> playable = {"mp4", "m4v", "m4a", "mkv",  "mka", "webm", "avi",
                                            "mpg", "ts",  "mov", "flv",  "3gp", "3g2",  "wmv",
                                            "asf", "rm",  "mp3", "flac", "wav", "ogg",  "opus",
                                            "aac", "ac3", "mp2", "wma"};
    EXPECT_EQ(extensions, playable);
    const std::vector<std::string> types = MimeTable::Types();
    EXPECT_EQ(std::set<std::string>(types.begin(), types.end()).size(), types.size());
    EXPECT_NE(std::find(types.begin(), types.end(), "video/x-matroska"), types.end());
    EXPECT_TRUE(MimeTable::HasExtension("WEBM"));
    EXPECT_FALSE(MimeTable::HasExtension("mpl"));
    EXPECT_TRUE(CommandLine::IsMediaFile("/x/y.rmvb"));  // the video list's
    EXPECT_FALSE(CommandLine::IsMediaFile("/x/y.mpl"));
    EXPECT_FALSE(CommandLine::IsMediaFile("/x.mp4/readme"));
}

TEST(CPlayerStateTest, BadOrMissingValuesAndOffScreenWindowsGiveTheDefaults) {
    test::TempDir dir;
    CAppIni ini(dir.file("zvp_data.ini"));
    ini.Reload();
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    CPlayerState::Values defaults;
    defaults.window = QRect(480, 270, 960, 540);

    CPlayerState::Values read = CPlayerState::Read(ini.document(), defaults, screens);
    EXPECT_EQ(read.volume, 80);
    EXPECT_FALSE(read.mute);
    EXPECT_EQ(read.window, defaults.window);

    const struct {
        const char* volume;
        const char* mute;
        const char* window;
        int wantVolume;
        bool wantMute;
        QRect wantWindow;
    } cases[] = {
        {"35", "1", "10,20,800,600", 35, true, QRect(10, 20, 800, 600)},
        {"0", "0", "2000,100,640,480", 0, false, QRect(2000, 100, 640, 480)},    // second screen
        {"100", "yes", "-400,0,800,600", 100, false, QRect(-400, 0, 800, 600)},  // half on
        {"101", "2", "-401,0,800,600", 80, false, defaults.window},   // less than half on
        {"-1", "", "5000,5000,800,600", 80, false, defaults.window},  // off every screen
        {"35x", "1 ", "1,2,3", 80, false, defaults.window},
        {" 35", "1", "1,2,0,4", 80, true, defaults.window},
        {"", "1", "1,2,3,4,5", 80, true, defaults.window},
        {"50", "0", "a,b,c,d", 50, false, defaults.window},
    };
    for (const auto& c : cases) {
        ini.SetString(CPlayerState::kVolumeKey, c.volume);
        ini.SetString(CPlayerState::kMuteKey, c.mute);
        ini.SetString(CPlayerState::kWindowKey, c.window);
        read = CPlayerState::Read(ini.document(), defaults, screens);
        EXPECT_EQ(read.volume, c.wantVolume) << c.volume;
        EXPECT_EQ(read.mute, c.wantMute) << c.mute;
        EXPECT_EQ(read.window, c.wantWindow) << c.window;
    }

    // Written, saved and read back by another store; the default table is untouched.
    CPlayerState::Write(ini, {42, true, QRect(-5, 7, 640, 360)});
    ASSERT_TRUE(ini.Save());
    CAppIni again(dir.file("zvp_data.ini"));
    again.Reload();
    read = CPlayerState::Read(again.document(), defaults, screens);
    EXPECT_EQ(read.volume, 42);
    EXPECT_TRUE(read.mute);
    EXPECT_EQ(read.window, QRect(-5, 7, 640, 360));
    EXPECT_EQ(again.GetString(CPlayerState::kWindowKey), "-5,7,640,360");
    std::string unused;
    EXPECT_FALSE(CAppIni::GetDefault(CPlayerState::kVolumeKey, unused));
}

}  // namespace
}  // namespace zvp
