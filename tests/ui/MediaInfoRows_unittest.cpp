// The media information rows read from directly parsed media files: the table's labels and
// order, each value's format, the current audio stream among several, sizes from the file
// on disk and nothing loaded.
#include "ui/MediaInfoRows.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "app/TextFormat.h"
#include "media/CPlaybackInfo.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::MediaPath;
namespace fs = std::filesystem;
using Rows = std::vector<std::pair<std::string, std::string>>;

// A stream's bit rate as ffprobe reports it (-1 when it reports none).
double ProbeBitRate(const std::string& path, const char* stream) {
    const std::string command = std::string("ffprobe -v error -select_streams ") + stream +
                                " -show_entries stream=bit_rate -of csv=p=0 '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    char* end = nullptr;
    const double value = read ? std::strtod(line, &end) : 0;
    return read && end != line ? value : -1;
}

std::string Kb(double bitRate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f kb", bitRate / 1024);
    return text;
}

std::string Value(const Rows& rows, const std::string& label, int occurrence = 0) {
    for (const auto& [l, v] : rows)
        if (l == label && occurrence-- == 0) return v;
    return "<missing>";
}

std::vector<std::string> Labels(const Rows& rows) {
    std::vector<std::string> labels;
    for (const auto& row : rows) labels.push_back(row.first);
    return labels;
}

const std::vector<std::string> kGeneral = {
    "General:", "+ File Size:", "+ File Length:", "+ Resolution:"};
const std::vector<std::string> kVideo = {"", "Video:", "+ Codec:", "+ Bit Rate:", "+ Frame Rate:"};
const std::vector<std::string> kAudio = {"",
                                         "Audio:",
                                         "+ Codec:",
                                         "+ Channels:",
                                         "+ Bit Rate:",
                                         "+ Sample Rate:",
                                         "+ Sample Bits:",
                                         "+ Sample Format:"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

MediaInfo Read(const std::string& path) {
    CPlaybackInfo info;
    EXPECT_EQ(info.ParseMediaContext(path), S_OK) << path;
    return ReadMediaInfo(&info);
}

TEST(MediaInfoRowsTest, VideoWithAudioGivesTheWholeTable) {
    const std::string path = MediaPath("h264_aac.mp4");
    const MediaInfo info = Read(path);
    EXPECT_EQ(info.fileName, "h264_aac.mp4");
    EXPECT_EQ(info.folder, fs::path(path).parent_path().string() + "/");
    const Rows expected = {
        {"General:", ""},
        {"+ File Size:", FormatByteSize(int64_t(fs::file_size(path)), 1)},
        {"+ File Length:", "00:10"},
        {"+ Resolution:", "320 x 240"},
        {"", ""},
        {"Video:", ""},
        {"+ Codec:", "h264"},
        {"+ Bit Rate:", Kb(ProbeBitRate(path, "v:0"))},
        {"+ Frame Rate:", "25.0 fps"},
        {"", ""},
        {"Audio:", ""},
        {"+ Codec:", "aac"},
        {"+ Channels:", "2"},
        {"+ Bit Rate:", Kb(ProbeBitRate(path, "a:0"))},
        {"+ Sample Rate:", "48000 hz"},
        {"+ Sample Bits:", "32"},
        {"+ Sample Format:", "fltp"},
    };
    EXPECT_EQ(info.rows, expected);
    EXPECT_NE(Value(info.rows, "+ Bit Rate:"), "0 kb");
}

TEST(MediaInfoRowsTest, AudioOnlyLongSurroundAndFastFiles) {
    const MediaInfo mp3 = Read(MediaPath("tone.mp3"));
    EXPECT_EQ(Labels(mp3.rows), Join({kGeneral, kAudio}));
    EXPECT_EQ(Value(mp3.rows, "+ Resolution:"), "0 x 0");
    EXPECT_EQ(Value(mp3.rows, "+ File Length:"), "00:05");
    EXPECT_EQ(Value(mp3.rows, "+ Codec:"), "mp3float");
    EXPECT_EQ(Value(mp3.rows, "+ Sample Rate:"), "44100 hz");

    // 3725.5 s: the whole seconds only.
    EXPECT_EQ(Value(Read(MediaPath("silence_hour.flac")).rows, "+ File Length:"), "1:02:05");

    const MediaInfo surround = Read(MediaPath("surround51.mkv"));
    EXPECT_EQ(Value(surround.rows, "+ Codec:", 1), "ac3");
    EXPECT_EQ(Value(surround.rows, "+ Channels:"), "6");

    const MediaInfo fast = Read(MediaPath("rate60.mp4"));
    EXPECT_EQ(Labels(fast.rows), Join({kGeneral, kVideo}));
    EXPECT_EQ(Value(fast.rows, "+ Frame Rate:"), "60.0 fps");
    EXPECT_EQ(Value(fast.rows, "+ Resolution:"), "160 x 120");
}

TEST(MediaInfoRowsTest, SeveralDubbingsShowTheCurrentOneAndSubtitleTracksNothing) {
    struct Dubbing {
        std::string codec, channels, rate;
    };
    const std::map<int, Dubbing> dubbings = {{1, {"aac", "1", "22050 hz"}},
                                             {2, {"mp3float", "2", "44100 hz"}},
                                             {3, {"ac3", "6", "48000 hz"}}};
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("three_audio_two_subs.mkv")), S_OK);
    std::vector<int> subtitles;
    int currentSubtitle = -1;
    info.GetSubtitleStreams(subtitles, currentSubtitle);
    EXPECT_EQ(subtitles.size(), 2u);

    for (int pass = 0; pass < 2; ++pass) {
        const int current = info.CurrentStream(AVMEDIA_TYPE_AUDIO);
        ASSERT_EQ(dubbings.count(current), 1u) << current;
        const Dubbing& expected = dubbings.at(current);
        const Rows rows = ReadMediaInfo(&info).rows;
        EXPECT_EQ(Labels(rows), Join({kGeneral, kVideo, kAudio}));
        EXPECT_EQ(Value(rows, "+ Codec:", 1), expected.codec) << current;
        EXPECT_EQ(Value(rows, "+ Channels:"), expected.channels);
        EXPECT_EQ(Value(rows, "+ Sample Rate:"), expected.rate);
        // The engine's SelectAudioStream opens the stream the same way.
        ASSERT_TRUE(info.OpenStream(AVMEDIA_TYPE_AUDIO, current == 1 ? 2 : 1));
    }
}

TEST(MediaInfoRowsTest, TenBitHevcWithSevenOneAudio) {
    const std::string path = MediaPath("hevc10_71.mp4");
    if (!fs::exists(path)) GTEST_SKIP() << "the ffmpeg here made no 10-bit HEVC clip";
    const Rows rows = Read(path).rows;
    EXPECT_EQ(Labels(rows), Join({kGeneral, kVideo, kAudio}));
    EXPECT_EQ(Value(rows, "+ Codec:"), "hevc");
    EXPECT_EQ(Value(rows, "+ Resolution:"), "160 x 120");
    EXPECT_EQ(Value(rows, "+ Frame Rate:"), "25.0 fps");
    EXPECT_EQ(Value(rows, "+ Bit Rate:"), Kb(ProbeBitRate(path, "v:0")));
    EXPECT_EQ(Value(rows, "+ Channels:"), "8");
    EXPECT_EQ(Value(rows, "+ Sample Rate:"), "96000 hz");
}

TEST(MediaInfoRowsTest, SizeComesFromTheFileOnDiskAtReadingTime) {
    test::TempDir dir;
    const std::string big = dir.file("big.mp4");
    fs::copy_file(MediaPath("h264_aac.mp4"), big);
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(big), S_OK);
    // Sparse: no disk space is used for the 5 GiB.
    ASSERT_EQ(::truncate(big.c_str(), int64_t(5) << 30), 0);
    EXPECT_EQ(Value(ReadMediaInfo(&info).rows, "+ File Size:"), "5.0GB");

    ASSERT_TRUE(fs::remove(big));
    const MediaInfo gone = ReadMediaInfo(&info);
    EXPECT_EQ(Value(gone.rows, "+ File Size:"), "0");
    EXPECT_EQ(gone.fileName, "big.mp4");
    EXPECT_EQ(Value(gone.rows, "+ File Length:"), "00:10");
}

TEST(MediaInfoRowsTest, NothingLoadedGivesTheGeneralRowsOnly) {
    const MediaInfo none = ReadMediaInfo(nullptr);
    EXPECT_EQ(none.fileName, "");
    EXPECT_EQ(none.folder, "");
    const Rows expected = {{"General:", ""},
                           {"+ File Size:", "0"},
                           {"+ File Length:", "00:00"},
                           {"+ Resolution:", "0 x 0"}};
    EXPECT_EQ(none.rows, expected);
    // A record that parsed nothing reads the same, without a name.
    CPlaybackInfo empty;
    EXPECT_EQ(ReadMediaInfo(&empty).rows, expected);
}

}  // namespace
}  // namespace zvp
