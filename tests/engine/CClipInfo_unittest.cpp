#include "engine/CClipInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "support/TestUtil.h"

namespace zvp {
namespace {

TEST(ClipInfoTest, ReadFileAttributesFillsSizeAndTimes) {
    test::TempDir dir;
    CClipInfo clip;
    clip.path = dir.file("clip.bin");
    {
        std::ofstream out(clip.path, std::ios::binary);
        out << std::string(12345, 'x');
    }
    ASSERT_TRUE(clip.ReadFileAttributes());
    EXPECT_EQ(clip.fileSize, 12345u);
    // Birth time (or change time) is "now" in 100 ns units since 1970, within a minute.
    const uint64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count() /
                         100;
    const uint64_t minute = 60ull * 10'000'000ull;
    EXPECT_LT(now - clip.creationTime, minute);
    EXPECT_LT(now - clip.lastAccessTime, minute);
}

TEST(ClipInfoTest, ReadFileAttributesLeavesFieldsOfAMissingFile) {
    CClipInfo clip;
    clip.path = "/nonexistent/folder/clip.mp4";
    clip.fileSize = 7;
    clip.creationTime = 8;
    clip.lastAccessTime = 9;
    EXPECT_FALSE(clip.ReadFileAttributes());
    EXPECT_EQ(clip.fileSize, 7u);
    EXPECT_EQ(clip.creationTime, 8u);
    EXPECT_EQ(clip.lastAccessTime, 9u);
}

TEST(ClipInfoTest, DisplayTitleIsTheTitleElseTheFileName) {
    CClipInfo clip;
    EXPECT_EQ(clip.GetDisplayTitle(), "");
    clip.path = "/music/Some Album/01 Track.flac";
    EXPECT_EQ(clip.GetDisplayTitle(), "01 Track.flac");
    clip.title = "Überschrift";
    EXPECT_EQ(clip.GetDisplayTitle(), "Überschrift");
    clip.title.clear();
    clip.path = "relative.mp4";
    EXPECT_EQ(clip.GetDisplayTitle(), "relative.mp4");
}

}  // namespace
}  // namespace zvp
