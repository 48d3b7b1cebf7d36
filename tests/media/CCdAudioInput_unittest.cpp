// Audio CD tracks of a BIN/CUE image the test writes, read as WAV files through the open media
// file: every byte of the track's PCM, its duration, seeking by sector and a damaged image.
#include "media/CCdAudioInput.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "LogCapture.h"
#include "media/CPlaybackInfo.h"
#include "media/ICdDriveTable.h"
#include "support/CdImage.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

// Roots mapped to sources as a disc scan would leave them.
class FixedTable : public ICdDriveTable {
  public:
    explicit FixedTable(std::map<std::string, std::string> sources)
        : sources_(std::move(sources)) {}
    std::string SourceOfRoot(const std::string& root) const override {
        const auto found = sources_.find(root);
        return found == sources_.end() ? std::string() : found->second;
    }

  private:
    std::map<std::string, std::string> sources_;
};

class CdAudioInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cue = test::WriteCueImage(dir.path(), 20, {tone440, tone880});
        ICdDriveTable::Set(std::make_shared<FixedTable>(
            std::map<std::string, std::string>{{cue, cue}, {"/media/cd", cue}}));
    }
    void TearDown() override { ICdDriveTable::Set(nullptr); }

    // The audio packets' bytes from the current position to the end.
    static std::string ReadAll(CPlaybackInfo& info, int64_t* firstPts = nullptr) {
        std::string bytes;
        AVPacket packet{};
        const int audio = info.CurrentStream(AVMEDIA_TYPE_AUDIO);
        bool first = true;
        while (info.ReadPacket(packet) == 0) {
            if (packet.stream_index != audio) continue;
            if (first && firstPts) *firstPts = packet.pts;
            first = false;
            bytes.append(reinterpret_cast<const char*>(packet.data),
                         static_cast<size_t>(packet.size));
        }
        av_packet_unref(&packet);
        return bytes;
    }

    test::TempDir dir;
    const std::string tone440 = test::CdTone(440, 150);  // 2 s
    const std::string tone880 = test::CdTone(880, 225);  // 3 s
    std::string cue;
};

TEST_F(CdAudioInputTest, TrackNamesAreRecognised) {
    int track = 0;
    EXPECT_TRUE(CCdAudioInput::IsTrackPath("/dev/sr0/track07.cda", &track));
    EXPECT_EQ(track, 7);
    EXPECT_TRUE(CCdAudioInput::IsTrackPath("/media/cd/TRACK99.CDA", &track));
    EXPECT_EQ(track, 99);
    for (const char* path : {"/dev/sr0/track00.cda", "/dev/sr0/track7.cda", "/x/track070.cda",
                             "/x/track0a.cda", "/x/track01.cdb", "/x/mytrack01.cda"}) {
        EXPECT_FALSE(CCdAudioInput::IsTrackPath(path)) << path;
    }
}

TEST_F(CdAudioInputTest, EachTrackPlaysItsOwnSamplesWithItsLength) {
    struct Case {
        std::string path;
        const std::string* pcm;
        double seconds;
    };
    for (const Case& c : {Case{cue + "/track02.cda", &tone440, 2.0},
                          Case{"/media/cd/track03.cda", &tone880, 3.0}}) {
        SCOPED_TRACE(c.path);
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(c.path), S_OK);
        EXPECT_FALSE(info.HasVideo());
        ASSERT_TRUE(info.HasAudio());
        const AVCodecContext* codec = info.GetCodecContext(AVMEDIA_TYPE_AUDIO);
        EXPECT_EQ(codec->sample_rate, 44100);
        EXPECT_EQ(codec->ch_layout.nb_channels, 2);
        MediaDuration d;
        ASSERT_TRUE(info.Duration(d));
        EXPECT_NEAR(d.totalSeconds, c.seconds, 1.0 / 75);
        EXPECT_TRUE(info.IsSeekable());
        const std::string bytes = ReadAll(info);
        ASSERT_EQ(bytes.size(), c.pcm->size());
        EXPECT_TRUE(bytes == *c.pcm);
    }
}

TEST_F(CdAudioInputTest, ASeekLandsWithinOneSector) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(cue + "/track03.cda"), S_OK);
    // Half of the 3 s track, in 100 ns units.
    ASSERT_EQ(info.SeekFile(15'000'000), 0);
    int64_t pts = AV_NOPTS_VALUE;
    const std::string rest = ReadAll(info, &pts);
    const AVStream* stream =
        info.GetFormatContext()->streams[info.CurrentStream(AVMEDIA_TYPE_AUDIO)];
    ASSERT_NE(pts, AV_NOPTS_VALUE);
    EXPECT_NEAR(pts * av_q2d(stream->time_base), 1.5, 1.0 / 75);
    // What follows is the track's own PCM from there.
    ASSERT_GE(rest.size(), tone880.size() / 2 - test::kCdSectorBytes);
    ASSERT_LE(rest.size(), tone880.size() / 2 + test::kCdSectorBytes);
    EXPECT_TRUE(rest == tone880.substr(tone880.size() - rest.size()));
}

TEST_F(CdAudioInputTest, UnknownDrivesDataTracksAndMissingTracksDoNotOpen) {
    test::LogCapture log;
    for (const std::string& path :
         {std::string("/dev/sr9/track02.cda"), cue + "/track01.cda", cue + "/track04.cda"}) {
        CPlaybackInfo info;
        EXPECT_EQ(info.ParseMediaContext(path), E_FAIL) << path;
    }
    EXPECT_EQ(log.CountOf("No known CD drive holds /dev/sr9/track02.cda"), 1);
    EXPECT_EQ(log.CountOf("Track 1 of " + cue + " is not an audio track"), 1);
    EXPECT_EQ(log.CountOf("Couldn't open file"), 3);
}

TEST_F(CdAudioInputTest, ADamagedImageEndsTheTrackWithALogLine) {
    test::LogCapture log;
    // The BIN ends a second into track 2; track 3 lies beyond it.
    cue = test::WriteCueImage(dir.path(), 20, {tone440, tone880}, (20 + 75) * test::kCdSectorBytes);
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(cue + "/track02.cda"), S_OK);
    const std::string bytes = ReadAll(info);
    EXPECT_GE(bytes.size(), 60u * test::kCdSectorBytes);
    EXPECT_LT(bytes.size(), tone440.size());
    EXPECT_TRUE(bytes.substr(0, 60 * test::kCdSectorBytes) ==
                tone440.substr(0, 60 * test::kCdSectorBytes));
    EXPECT_TRUE(log.Contains("Cannot read sectors"));

    CPlaybackInfo beyond;
    EXPECT_EQ(beyond.ParseMediaContext(cue + "/track03.cda"), E_FAIL);
    EXPECT_TRUE(log.Contains("Track 3 of " + cue + " has no sectors"));
}

}  // namespace
}  // namespace zvp
