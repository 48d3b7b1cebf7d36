// Disc detection on fake disc trees and fake tables of contents: which kind a drive holds,
// which files it lists in which order and spelling, and the walk over several drives.
#include "playlist/DiscDetection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "media/LogCapture.h"
#include "playlist/DiscTestUtil.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

TEST(DiscDetectionTest, NamesMatchIgnoringCaseWithOneCharacterPerWildcard) {
    struct Case {
        const char* pattern;
        const char* name;
        bool file;
        bool match;
    };
    const Case cases[] = {
        {"avseq??.dat", "avseq01.dat", true, true},
        {"avseq??.dat", "AVSEQ01.DAT", true, true},
        {"avseq??.dat", "AvSeq99.Dat", true, true},
        {"avseq??.dat", "AVSEQ01.DAT;1", true, true},
        {"avseq??.dat", "AVSEQ01.DAT;12", true, true},
        {"avseq??.dat", "AVSEQ01.DAT;", true, false},
        {"avseq??.dat", "AVSEQ01.DAT;x", true, false},
        {"mpegav", "MPEGAV;1", false, false},  // folders carry no version
        {"avseq??.dat", "AVSEQ1.DAT", true, false},
        {"avseq??.dat", "AVSEQ001.DAT", true, false},
        {"avseq??.dat", "AVSEQ01.DAT.bak", true, false},
        {"avseq??.dat", "avseq01.da", true, false},
        {"avseq??.dat", "", true, false},
        {"vts_??_?.vob", "VTS_01_1.VOB", true, true},
        {"vts_??_?.vob", "VIDEO_TS.VOB", true, false},
        {"vts_??_?.vob", "VTS_01_1.IFO", true, false},
        {"video_ts", "VIDEO_TS", false, true},
        {"video_ts", "Video_Ts", false, true},
        {"mpegav", "mpeg2", false, false},
        // Only ASCII letters fold, and "?" stands for one byte: disc names are ASCII.
        {"avseq??.dat", "AVSEQ\xC3\x84.DAT", true, true},
        {"mpegav", "MPEG\xC3\x84V", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesDiscName(c.pattern, c.name, c.file), c.match)
            << c.pattern << " vs " << c.name;
    }
    // Listing order: case-blind first, bytes break ties.
    EXPECT_TRUE(DiscNameLess("avseq01.dat", "AVSEQ02.DAT"));
    EXPECT_TRUE(DiscNameLess("MPEGAV", "mpegav"));
    EXPECT_FALSE(DiscNameLess("mpegav", "MPEGAV"));
    EXPECT_TRUE(DiscNameLess("A", "ab"));
}

// One disc tree scanned as a mounted drive: its kind and files (relative to the root).
TEST(DiscDetectionTest, ScanDriveListsTheFilesOfEachKindInOrder) {
    struct Case {
        const char* what;
        std::vector<std::string> tree;
        DiscKind kind;
        std::vector<std::string> listed;
    };
    const std::vector<std::string> dvd = {"VIDEO_TS/VIDEO_TS.IFO", "VIDEO_TS/VIDEO_TS.BUP",
                                          "VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_02_1.VOB",
                                          "VIDEO_TS/VTS_01_2.VOB", "VIDEO_TS/VTS_01_1.VOB",
                                          "VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VTS_01_0.IFO",
                                          "VIDEO_TS/VTS_01_0.BUP", "VIDEO_TS/VTS_02_0.IFO"};
    const Case cases[] = {
        {"upper-case Video CD created in reverse order",
         {"MPEGAV/MUSIC01.DAT", "MPEGAV/AVSEQ02.DAT", "MPEGAV/AVSEQ01.DAT"},
         kVideoCd,
         {"MPEGAV/AVSEQ01.DAT", "MPEGAV/AVSEQ02.DAT", "MPEGAV/MUSIC01.DAT"}},
        {"lower-case Video CD", {"mpegav/avseq01.dat"}, kVideoCd, {"mpegav/avseq01.dat"}},
        {"Super Video CD", {"MPEG2/AVSEQ01.MPG"}, kVideoCd, {"MPEG2/AVSEQ01.MPG"}},
        {"both folders in the pattern order",
         {"MPEG2/MUSIC01.MPG", "MPEG2/AVSEQ01.MPG", "MPEGAV/MUSIC01.DAT", "MPEGAV/AVSEQ01.MPG",
          "MPEGAV/AVSEQ01.DAT"},
         kVideoCd,
         {"MPEGAV/AVSEQ01.DAT", "MPEGAV/AVSEQ01.MPG", "MPEG2/AVSEQ01.MPG", "MPEGAV/MUSIC01.DAT",
          "MPEG2/MUSIC01.MPG"}},
        {"near misses, a folder and a version",
         {"MPEGAV/AVSEQ1.DAT", "MPEGAV/AVSEQ001.DAT", "MPEGAV/AVSEQ03.DAT/",
          "MPEGAV/AVSEQ01.DAT;1"},
         kVideoCd,
         {"MPEGAV/AVSEQ01.DAT;1"}},
        {"one folder in two spellings",
         {"mpegav/avseq02.dat", "MPEGAV/AVSEQ01.DAT"},
         kVideoCd,
         {"MPEGAV/AVSEQ01.DAT", "mpegav/avseq02.dat"}},
        {"Video CD before DVD",
         {"VIDEO_TS/VTS_01_1.VOB", "MPEGAV/AVSEQ01.DAT"},
         kVideoCd,
         {"MPEGAV/AVSEQ01.DAT"}},
        {"DVD",
         dvd,
         kDvdVideo,
         {"VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VTS_01_1.VOB", "VIDEO_TS/VTS_01_2.VOB",
          "VIDEO_TS/VTS_02_1.VOB"}},
        {"lower-case DVD",
         {"video_ts/vts_01_2.vob", "video_ts/vts_01_1.vob", "video_ts/video_ts.vob"},
         kDvdVideo,
         {"video_ts/vts_01_1.vob", "video_ts/vts_01_2.vob"}},
        {"files elsewhere",
         {"AVSEQ01.DAT", "DATA/VTS_01_1.VOB", "MPEGAV/"},
         kNothingRecognised,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir disc;
        test::MakeTree(disc.path(), c.tree);
        test::FakeDiscDrives drives;
        std::vector<std::string> paths = {"kept"};
        EXPECT_EQ(ScanDrive(drives, {"/dev/sr0", disc.path().string(), ""}, paths), c.kind);
        std::vector<std::string> expected = {"kept"};
        for (const std::string& name : c.listed) expected.push_back(disc.file(name));
        EXPECT_EQ(paths, expected);
        // A drive whose files were recognised is not asked for audio tracks.
        EXPECT_EQ(drives.tocReads, c.kind == kNothingRecognised ? 1 : 0);
    }
}

TEST(DiscDetectionTest, LinkedFilesCountAndDanglingLinksDoNot) {
    test::TempDir disc;
    test::MakeTree(disc.path(), {"elsewhere/clip.dat", "MPEGAV/"});
    fs::create_symlink(disc.path() / "elsewhere/clip.dat", disc.path() / "MPEGAV/AVSEQ01.DAT");
    fs::create_symlink(disc.path() / "missing", disc.path() / "MPEGAV/AVSEQ02.DAT");
    test::FakeDiscDrives drives;
    std::vector<std::string> paths;
    EXPECT_EQ(ScanDrive(drives, {"/dev/sr0", disc.path().string(), ""}, paths), kVideoCd);
    EXPECT_EQ(paths, std::vector<std::string>{disc.file("MPEGAV/AVSEQ01.DAT")});
}

TEST(DiscDetectionTest, AudioTracksComeFromTheTableOfContents) {
    struct Case {
        const char* what;
        std::string root;
        std::vector<DiscTrack> toc;
        bool readable;
        DiscKind kind;
        std::vector<std::string> listed;
    };
    std::vector<DiscTrack> twelve;
    std::vector<std::string> twelveNames;
    for (int t = 1; t <= 12; ++t) {
        twelve.push_back({t, true});
        char name[32];
        std::snprintf(name, sizeof name, "/dev/sr0/track%02d.cda", t);
        twelveNames.push_back(name);
    }
    test::TempDir mounted;  // an empty data track's file system
    const std::string root = mounted.path().string();
    const Case cases[] = {
        {"twelve audio tracks, unmounted", "", twelve, true, kAudioCd, twelveNames},
        {"mixed mode, mounted",
         root,
         {{1, false}, {2, true}, {3, true}, {4, true}},
         true,
         kAudioCd,
         {root + "/track02.cda", root + "/track03.cda", root + "/track04.cda"}},
        {"first track 2",
         "",
         {{2, true}, {3, true}},
         true,
         kAudioCd,
         {"/dev/sr0/track02.cda", "/dev/sr0/track03.cda"}},
        {"data only", root, {{1, false}}, true, kNothingRecognised, {}},
        {"a failed read", "", {}, false, kNothingRecognised, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeDiscDrives drives;
        if (c.readable) drives.tocs["/dev/sr0"] = c.toc;
        std::vector<std::string> paths;
        EXPECT_EQ(ScanDrive(drives, {"/dev/sr0", c.root, ""}, paths), c.kind);
        EXPECT_EQ(paths, c.listed);
    }
}

TEST(DiscDetectionTest, DetectDiscStopsAtTheFirstRecognisedDrive) {
    test::TempDir dvd;
    test::MakeTree(dvd.path(), {"VIDEO_TS/VTS_01_1.VOB"});
    test::FakeDiscDrives drives;
    std::string name = "old";
    std::vector<std::string> paths = {"old"};
    ASSERT_TRUE(DetectDisc(drives, name, paths));  // no drives at all
    EXPECT_EQ(name, "");
    EXPECT_TRUE(paths.empty());

    drives.drives = {
        {"/dev/sr0", "", ""}, {"/dev/sr1", dvd.path().string(), "MOVIE"}, {"/dev/sr2", "", ""}};
    drives.tocs["/dev/sr2"] = {{1, true}};
    ASSERT_TRUE(DetectDisc(drives, name, paths));
    EXPECT_EQ(name, "MOVIE (/dev/sr1)");
    EXPECT_EQ(paths, std::vector<std::string>{dvd.file("VIDEO_TS/VTS_01_1.VOB")});
    // Only the empty sr0 was asked for tracks: sr1 has files and sr2 is never reached.
    EXPECT_EQ(drives.tocReads, 1);

    struct Label {
        std::string root;
        DiscKind kind;
        const char* name;
    };
    test::TempDir vcd;
    test::MakeTree(vcd.path(), {"MPEG2/AVSEQ01.MPG"});
    for (const Label& l : {Label{dvd.path().string(), kDvdVideo, "DVD Video (/dev/sr1)"},
                           Label{vcd.path().string(), kVideoCd, "(S)VCD (/dev/sr1)"},
                           Label{"", kAudioCd, "Audio CD (/dev/sr1)"}}) {
        drives.drives = {{"/dev/sr1", l.root, ""}};
        drives.tocs = {{"/dev/sr1", {{1, true}}}};
        DetectDisc(drives, name, paths);
        EXPECT_EQ(name, l.name);
    }
}

TEST(DiscDetectionTest, UnreadableFoldersGiveNothingAndOneLogLine) {
    test::LogCapture log;
    test::TempDir gone;
    const std::string vanished = gone.file("mnt");  // a mount point that vanished
    test::TempDir fileTree;
    test::MakeTree(fileTree.path(), {"VIDEO_TS"});  // VIDEO_TS is a file
    test::TempDir closedTree;
    test::MakeTree(closedTree.path(), {"VIDEO_TS/VTS_01_1.VOB", "MPEGAV/"});

    std::vector<std::string> roots = {vanished, fileTree.path().string()};
    if (::geteuid() != 0) {
        fs::permissions(closedTree.path() / "VIDEO_TS", fs::perms::none);
        roots.push_back(closedTree.path().string());
    } else {
        std::printf("[ INFO ] running as root: the unreadable VIDEO_TS case is skipped\n");
    }
    for (const std::string& root : roots) {
        SCOPED_TRACE(root);
        const int before = log.CountOf("Cannot read disc folder");
        test::FakeDiscDrives drives;
        drives.drives = {{"/dev/sr0", root, ""}};
        std::string name;
        std::vector<std::string> paths;
        EXPECT_EQ(ScanDrive(drives, drives.drives[0], paths), kNothingRecognised);
        EXPECT_TRUE(paths.empty());
        EXPECT_EQ(log.CountOf("Cannot read disc folder"), before + 1);
        // The audio step still runs.
        EXPECT_EQ(drives.tocReads, 1);
    }
    fs::permissions(closedTree.path() / "VIDEO_TS", fs::perms::owner_all);
}

}  // namespace
}  // namespace zvp
