// This machine's drive list on fake /sys/block, /dev and mount tables; the mount table's
// fields; libcdio's table of contents of a BIN/CUE image the test writes.
#include "playlist/CLinuxDiscDrives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "playlist/DiscTestUtil.h"
#include "playlist/MountTable.h"
#include "support/TestUtil.h"

namespace zvp {

void PrintTo(const DiscDrive& d, std::ostream* os) {
    *os << "{" << d.device << ", " << d.root << ", " << d.label << "}";
}
void PrintTo(const DiscTrack& t, std::ostream* os) {
    *os << "{" << t.number << (t.audio ? ", audio}" : ", data}");
}

namespace {

namespace fs = std::filesystem;

TEST(MountTableTest, FieldsSplitAndOctalEscapesDecode) {
    struct Case {
        const char* field;
        const char* decoded;
    };
    const Case cases[] = {
        {"/media/my\\040disc", "/media/my disc"},
        {"a\\011b\\012c\\134d", "a\tb\nc\\d"},
        {"\\0401", " 1"},
        {"end\\04", "end\\04"},  // too short
        {"\\400", "\\400"},      // above a byte
        {"\\08x", "\\08x"},      // not octal
        {"\\\\040", "\\ "},      // a lone backslash stays
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeMountField(c.field), c.decoded) << c.field;

    const std::vector<MountEntry> entries = ParseMountTable(
        "/dev/sr0 /media/a\\040b iso9660 ro,nosuid 0 0\n"
        "\n"
        "short line\n"
        "  /dev/sda1\t/\text4 rw 0 0\n"
        "/dev/loop0 /mnt/img udf ro 0 0");  // no final line feed
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].source, "/dev/sr0");
    EXPECT_EQ(entries[0].target, "/media/a b");
    EXPECT_EQ(entries[0].type, "iso9660");
    EXPECT_EQ(entries[1].source, "/dev/sda1");
    EXPECT_EQ(entries[1].target, "/");
    EXPECT_EQ(entries[1].type, "ext4");
    EXPECT_EQ(entries[2].target, "/mnt/img");
}

class LinuxDiscDrivesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"sr10", "sr2", "sda", "loop0", "srx", "sr"}) {
            fs::create_directories(tree.path() / "block" / name);
        }
        test::MakeTree(tree.path(), {"dev/sr2", "dev/sr10", "dev/loop0", "dev/sda1"});
        fs::create_symlink("sr2", tree.path() / "dev/cdrom");
    }
    std::string Dev(const std::string& name) const { return tree.file("dev/" + name); }
    CLinuxDiscDrives Drives(const std::string& mounts) {
        std::ofstream(tree.path() / "mounts") << mounts;
        return CLinuxDiscDrives(tree.file("mounts"), tree.file("block"), tree.file("dev"));
    }

    test::TempDir tree;
};

TEST_F(LinuxDiscDrivesTest, OpticalDrivesByNumberThenMountedImages) {
    CLinuxDiscDrives drives =
        Drives(Dev("sda1") + " / ext4 rw 0 0\n" +                       //
               Dev("loop0") + " /mnt/image udf ro 0 0\n" +              //
               Dev("cdrom") + " /media/my\\040disc iso9660 ro 0 0\n" +  // the link names sr2
               Dev("sr2") + " /media/second iso9660 ro 0 0\n" +         // not the first line
               Dev("sda1") + " /mnt/usb iso9660 ro 0 0\n" +  // a stick with an image on it
               Dev("loop0") + " /mnt/again udf ro 0 0\n");   // the same image twice
    const std::vector<DiscDrive> expected = {
        {Dev("sr2"), "/media/my disc", ""},
        {Dev("sr10"), "", ""},
        {Dev("loop0"), "/mnt/image", ""},
        {Dev("sda1"), "/mnt/usb", ""},
    };
    EXPECT_EQ(drives.Drives(), expected);
    EXPECT_EQ(drives.MountPointOf(Dev("cdrom")), "/media/my disc");
    EXPECT_EQ(drives.DeviceOfRoot("/media/my disc"), Dev("sr2"));
    EXPECT_EQ(drives.DeviceOfRoot(Dev("sr10")), Dev("sr10"));
    EXPECT_EQ(drives.DeviceOfRoot("/"), "");
}

TEST_F(LinuxDiscDrivesTest, WithoutAMountTableDrivesHaveNoRoot) {
    CLinuxDiscDrives drives(tree.file("no-such-mounts"), tree.file("block"), tree.file("dev"));
    const std::vector<DiscDrive> expected = {{Dev("sr2"), "", ""}, {Dev("sr10"), "", ""}};
    EXPECT_EQ(drives.Drives(), expected);
    CLinuxDiscDrives none(tree.file("no-such-mounts"), tree.file("no-block"), tree.file("dev"));
    EXPECT_TRUE(none.Drives().empty());
}

// Captures what is written to the process's standard error for its lifetime.
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        std::FILE* f = std::fopen(path_.c_str(), "w");
        ::dup2(::fileno(f), 2);
        std::fclose(f);
    }
    ~StderrCapture() { Restore(); }
    std::string Text() {
        Restore();
        std::ifstream in(path_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    test::TempDir dir_;
    std::string path_ = dir_.file("stderr");
    int saved_ = -1;
};

TEST(ReadCdTocTest, ABinCueImageGivesItsDataAndAudioTracks) {
    test::TempDir dir;
    const std::string cue =
        test::WriteCueImage(dir.path(), 20, {test::CdTone(440, 30), test::CdTone(880, 45)});
    std::vector<DiscTrack> tracks = {{9, true}};
    StderrCapture err;
    ASSERT_TRUE(CLinuxDiscDrives::ReadCdToc(cue, tracks));
    EXPECT_EQ(tracks, (std::vector<DiscTrack>{{1, false}, {2, true}, {3, true}}));

    // Through the drive list: an image file is read without the drive-status step.
    CLinuxDiscDrives drives(dir.file("none"), dir.file("none"), dir.file("none"));
    tracks.clear();
    EXPECT_TRUE(drives.ReadToc({cue, "", ""}, tracks));
    EXPECT_EQ(tracks.size(), 3u);

    EXPECT_FALSE(CLinuxDiscDrives::ReadCdToc(dir.file("missing.cue"), tracks));
    EXPECT_TRUE(tracks.empty());
    EXPECT_FALSE(drives.ReadToc({dir.file("missing.cue"), "", ""}, tracks));
    std::ofstream(dir.path() / "junk.cue") << "TRACK what\n";
    EXPECT_FALSE(CLinuxDiscDrives::ReadCdToc(dir.file("junk.cue"), tracks));
    EXPECT_EQ(err.Text(), "");
}

}  // namespace
}  // namespace zvp
