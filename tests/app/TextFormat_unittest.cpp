#include "app/TextFormat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/FileTypes.h"
#include "app/SystemInfo.h"

namespace zvp {
namespace {

TEST(TextFormatTest, Durations) {
    EXPECT_EQ(FormatClock(59), "00:59");
    EXPECT_EQ(FormatClock(3599), "59:59");
    EXPECT_EQ(FormatClock(3661), "01:01:01");
    EXPECT_EQ(FormatClock(-3), "00:00");

    EXPECT_EQ(FormatHoursOrMinutes(0), "0m");
    EXPECT_EQ(FormatHoursOrMinutes(60), "1m");
    EXPECT_EQ(FormatHoursOrMinutes(61), "2m");
    EXPECT_EQ(FormatHoursOrMinutes(5400), "1.5h");
    EXPECT_EQ(FormatHoursOrMinutes(3600 + 59), "1.0h");

    EXPECT_EQ(FormatMilliseconds((3600 + 2 * 60 + 3) * 1000 + 999), "1:02:03");
    EXPECT_EQ(FormatMilliseconds(62 * 1000), "01:02");
    EXPECT_EQ(FormatMilliseconds(int64_t(100) * 3600 * 1000), "100:00:00");
}

TEST(TextFormatTest, Sizes) {
    EXPECT_EQ(FormatByteSize(1536, 1), "1.5KB");
    EXPECT_EQ(FormatByteSize(500, 1), "500");
    EXPECT_EQ(FormatByteSize(1023, 2), "1023");
    EXPECT_EQ(FormatByteSize(5 * 1024 * 1024, 0), "5MB");
    // Files of 2 GB and more keep their real size.
    EXPECT_EQ(FormatByteSize(int64_t(3) * 1024 * 1024 * 1024, 1), "3.0GB");
    EXPECT_EQ(FormatByteSize(int64_t(5) << 40, 0), "5120GB");
    EXPECT_EQ(FormatInt(-42), "-42");
}

TEST(FileTypesTest, FilterGroups) {
    EXPECT_EQ(BuildFilterGroup("All File(*.*)", "*"), "All File(*.*)|*.*;|");
    EXPECT_EQ(SubtitleFilter(), "Subtitles|*.ass;*.srt;|All File(*.*)|*.*;|");
    EXPECT_EQ(PlaylistFilter(), "Playlists|*.mpl;|");
    const std::string media = MediaAndPlaylistFilter();
    EXPECT_EQ(media.rfind("All Media|*.asf;*.avi;", 0), 0u);
    EXPECT_NE(media.find("*.h264;*.wma;"), std::string::npos);  // video list, then audio
    EXPECT_NE(media.find("|Playlists|*.mpl;|All File(*.*)|*.*;|"), std::string::npos);
    EXPECT_EQ(MediaFilter().find("Playlists"), std::string::npos);

    EXPECT_EQ(ToQtFileDialogFilter(SubtitleFilter()), "Subtitles (*.ass *.srt);;All File(*.*) (*)");
    EXPECT_TRUE(IsFileTypeInList("MKV", "avi mkv"));
    EXPECT_FALSE(IsFileTypeInList("mk", "avi mkv"));
    EXPECT_FALSE(IsFileTypeInList("", kVideoFileTypes));
}

TEST(SystemInfoTest, VersionFromTheKernel) {
    std::string name, numbers;
    int code = -1;
    ASSERT_TRUE(GetWindowsVersionText(&name, &code, &numbers));
    EXPECT_EQ(name, "Linux");
    EXPECT_EQ(code, 0);
    EXPECT_THAT(numbers, ::testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+"));
    EXPECT_FALSE(GetWindowsVersionText(&name, nullptr, &numbers));
    EXPECT_FALSE(IsControlKeyDown());  // offscreen: nothing is held
}

}  // namespace
}  // namespace zvp
