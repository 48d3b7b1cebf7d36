// The media probe over the generated test media (tools/gen-test-media.sh).
#include "media/CPlaybackInfo.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "LogCapture.h"
#include "support/TestUtil.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
}

namespace zvp {
namespace {

using test::MediaPath;

struct Expected {
    const char* file;
    std::vector<int> audio;
    std::vector<int> subtitles;
    int video, currentAudio, currentSubtitle;
    int width, height;
    double seconds;
};

class PlaybackInfoFiles : public ::testing::TestWithParam<Expected> {};

TEST_P(PlaybackInfoFiles, ListsChoosesAndDescribesStreams) {
    const Expected& e = GetParam();
    test::LogCapture log;
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath(e.file)), S_OK);

    std::vector<int> audio, subtitles;
    int currentAudio = -2, currentSubtitle = -2;
    info.GetAudioStreams(audio, currentAudio);
    info.GetSubtitleStreams(subtitles, currentSubtitle);
    EXPECT_EQ(audio, e.audio);
    EXPECT_EQ(subtitles, e.subtitles);
    EXPECT_EQ(info.CurrentStream(AVMEDIA_TYPE_VIDEO), e.video);
    EXPECT_EQ(currentAudio, e.currentAudio);
    EXPECT_EQ(currentSubtitle, e.currentSubtitle);
    EXPECT_EQ(info.HasVideo(), e.video != -1);
    EXPECT_EQ(info.HasAudio(), e.currentAudio != -1);
    EXPECT_EQ(info.HasSubtitle(), e.currentSubtitle != -1);
    EXPECT_EQ(info.GetCodecContext(AVMEDIA_TYPE_VIDEO) != nullptr, info.HasVideo());
    EXPECT_EQ(info.GetCodecContext(AVMEDIA_TYPE_AUDIO) != nullptr, info.HasAudio());
    EXPECT_EQ(info.GetCodecContext(AVMEDIA_TYPE_SUBTITLE) != nullptr, info.HasSubtitle());
    EXPECT_EQ(info.GetCodecContext(AVMEDIA_TYPE_DATA), nullptr);
    EXPECT_EQ(info.VideoWidth(), e.width);
    EXPECT_EQ(info.VideoHeight(), e.height);
    if (info.HasVideo()) {
        EXPECT_FLOAT_EQ(info.FrameRate(), 25.0f);
    }

    MediaDuration d;
    ASSERT_TRUE(info.Duration(d));
    EXPECT_NEAR(d.totalSeconds, e.seconds, 0.1);
    EXPECT_EQ(d.hours, 0);
    EXPECT_EQ(d.minutes, 0);
    EXPECT_EQ(d.seconds, static_cast<int>(d.totalSeconds));

    char line[128];
    std::snprintf(line, sizeof line,
                  "CPlaybackInfo::ParseMediaContext: Successfully parsed media file! Video: %d, "
                  "Audio: %d, Subtitle: %d\n",
                  info.HasVideo(), info.HasAudio(), info.HasSubtitle());
    EXPECT_TRUE(log.Contains(line)) << log.Text();
    EXPECT_TRUE(log.Contains("Try parse media file: {" + MediaPath(e.file) + "}"));
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedMedia, PlaybackInfoFiles,
    ::testing::Values(Expected{"h264_aac.mp4", {1}, {}, 0, 1, -1, 320, 240, 10},
                      Expected{"mpeg4_mp3.avi", {1}, {}, 0, 1, -1, 320, 240, 10},
                      Expected{"two_audio_ass.mkv", {1, 2}, {3}, 0, 1, 3, 320, 240, 10},
                      Expected{"srt.mkv", {1}, {2}, 0, 1, 2, 320, 240, 10},
                      Expected{"dvdsub.mkv", {1}, {2}, 0, 1, 2, 320, 240, 10},
                      Expected{"mpegts.ts", {1}, {}, 0, 1, -1, 320, 240, 10},
                      Expected{"program.mpg", {1}, {}, 0, 1, -1, 320, 240, 10},
                      Expected{"real.rm", {1}, {}, 0, 1, -1, 320, 240, 10},
                      Expected{"tone.mp3", {0}, {}, -1, 0, -1, 0, 0, 5},
                      Expected{"tone_cover.mp3", {0}, {}, -1, 0, -1, 0, 0, 5},
                      Expected{"tone.flac", {0}, {}, -1, 0, -1, 0, 0, 5},
                      Expected{"tone.wav", {0}, {}, -1, 0, -1, 0, 0, 5},
                      Expected{"tone.ogg", {0}, {}, -1, 0, -1, 0, 0, 5},
                      Expected{"video_only.mp4", {}, {}, 0, -1, -1, 320, 240, 5},
                      Expected{"hd1080.mp4", {1}, {}, 0, 1, -1, 1920, 1080, 6},
                      Expected{"long.mp4", {1}, {}, 0, 1, -1, 160, 120, 45}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(PlaybackInfo, AudioConversionIsSixteenBitAndAtMostStereo) {
    struct Case {
        const char* file;
        AVSampleFormat src;
        int srcChannels, dstChannels, rate;
    };
    for (const Case& c : {Case{"surround51.mkv", AV_SAMPLE_FMT_FLTP, 6, 2, 48000},
                          Case{"tone_float.wav", AV_SAMPLE_FMT_FLT, 2, 2, 48000},
                          Case{"tone.wav", AV_SAMPLE_FMT_S16, 2, 2, 48000},
                          Case{"real.rm", AV_SAMPLE_FMT_S16, 1, 1, 8000}}) {
        SCOPED_TRACE(c.file);
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(c.file)), S_OK);
        std::lock_guard lock(info.GetLock());
        const AudioConversion& a = info.GetAudioConversion();
        EXPECT_EQ(a.srcFormat, c.src);
        EXPECT_EQ(a.dstFormat, AV_SAMPLE_FMT_S16);
        EXPECT_EQ(a.srcChannels, c.srcChannels);
        EXPECT_EQ(a.dstChannels, c.dstChannels);
        EXPECT_EQ(__builtin_popcountll(a.srcLayout), c.srcChannels);
        EXPECT_EQ(a.srcRate, c.rate);
        EXPECT_EQ(a.dstRate, c.rate);
        const int64_t expected = c.srcChannels > 2 ? int64_t{AV_CH_LAYOUT_STEREO} : a.srcLayout;
        EXPECT_EQ(a.dstLayout, expected);
        EXPECT_EQ(a.srcLayout & (AV_CH_STEREO_LEFT | AV_CH_STEREO_RIGHT), 0);
    }
    CPlaybackInfo empty;
    EXPECT_EQ(empty.GetAudioConversion().srcChannels, -1);
    EXPECT_EQ(empty.GetAudioConversion().dstRate, -1);
    EXPECT_EQ(empty.GetAudioConversion().dstFormat, AV_SAMPLE_FMT_S16);
}

TEST(PlaybackInfo, SwitchesAudioAndSubtitleTracks) {
    test::LogCapture log;
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("two_audio_ass.mkv")), S_OK);
    AVCodecContext* first = info.GetCodecContext(AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(first, nullptr);

    ASSERT_TRUE(info.OpenStream(AVMEDIA_TYPE_AUDIO, 2));
    std::vector<int> streams;
    int current = -1;
    info.GetAudioStreams(streams, current);
    EXPECT_EQ(current, 2);
    ASSERT_NE(info.GetCodecContext(AVMEDIA_TYPE_AUDIO), nullptr);
    EXPECT_FALSE(info.CloseStream(1));  // the previous track's decoder was closed
    EXPECT_EQ(info.GetAudioConversion().dstChannels, 2);
    EXPECT_TRUE(log.Contains("CPlaybackInfo::OpenStream: Audio codec loaded: aac"));

    ASSERT_TRUE(info.OpenStream(AVMEDIA_TYPE_SUBTITLE, 3));
    info.GetSubtitleStreams(streams, current);
    EXPECT_EQ(current, 3);
    EXPECT_TRUE(log.Contains("CPlaybackInfo::OpenStream: Subtitle codec loaded: "));

    // Refused: no stream, a stream of another kind, an unknown kind, out of range.
    EXPECT_FALSE(info.OpenStream(AVMEDIA_TYPE_AUDIO, -1));
    EXPECT_FALSE(info.OpenStream(AVMEDIA_TYPE_AUDIO, 0));
    EXPECT_FALSE(info.OpenStream(AVMEDIA_TYPE_DATA, 1));
    EXPECT_FALSE(info.OpenStream(AVMEDIA_TYPE_SUBTITLE, 9));
    EXPECT_EQ(info.CurrentStream(AVMEDIA_TYPE_AUDIO), 2);
    EXPECT_EQ(info.CurrentStream(AVMEDIA_TYPE_SUBTITLE), 3);

    EXPECT_TRUE(info.CloseStream(3));
    EXPECT_FALSE(info.CloseStream(3));
    EXPECT_FALSE(info.CloseStream(-1));
    EXPECT_FALSE(info.CloseStream(4));
}

// Every core of the process decodes, with frame threads for the codecs that have them.
TEST(PlaybackInfo, VideoDecodersUseFrameThreadsOnEveryCore) {
    const int cores = av_cpu_count();
    for (const char* file : {"hd1080.mp4", "hevc10_71.mp4", "live.webm", "mpeg4_mp3.avi"}) {
        SCOPED_TRACE(file);
        if (!std::filesystem::exists(MediaPath(file))) continue;  // hevc10_71.mp4 may be absent
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(file)), S_OK);
        const AVCodecContext* video = info.GetCodecContext(AVMEDIA_TYPE_VIDEO);
        ASSERT_NE(video, nullptr);
        EXPECT_GE(video->thread_count, cores);
        EXPECT_EQ(video->active_thread_type, cores > 1 ? FF_THREAD_FRAME : 0);
    }
}

TEST(PlaybackInfo, FrameRateOutsideTenToThirtyFallsBackToThirty) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("rate60.mp4")), S_OK);
    EXPECT_FLOAT_EQ(info.FrameRate(), 30.0f);
    CPlaybackInfo none;
    EXPECT_FLOAT_EQ(none.FrameRate(), 30.0f);
}

TEST(PlaybackInfo, RealMediaIsToldByExtension) {
    test::TempDir dir;
    const std::string upper = dir.file("clip.RMVB");
    std::filesystem::copy_file(MediaPath("real.rm"), upper);
    for (const auto& [path, real] : {std::pair{MediaPath("real.rm"), true}, std::pair{upper, true},
                                     std::pair{MediaPath("h264_aac.mp4"), false}}) {
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(path), S_OK);
        EXPECT_EQ(info.IsRealMedia(), real) << path;
    }
    EXPECT_FALSE(CPlaybackInfo().IsRealMedia());
    EXPECT_EQ(CPlaybackInfo().DefaultFrameDuration(), 333333);
}

// Seeks, then reads until the first packet of the current video stream; returns its time in
// seconds (decoding time stamp, else presentation time stamp).
double FirstVideoSecondsAfterSeek(CPlaybackInfo& info, double seconds) {
    EXPECT_EQ(info.SeekFile(static_cast<int64_t>(seconds * 10'000'000)), 0);
    const int video = info.CurrentStream(AVMEDIA_TYPE_VIDEO);
    const AVStream* stream = info.GetFormatContext()->streams[video];
    const double start =
        stream->start_time == AV_NOPTS_VALUE ? 0.0 : stream->start_time * av_q2d(stream->time_base);
    AVPacketPtr p = MakePacket();
    while (info.ReadPacket(*p) == 0) {
        if (p->stream_index == video) {
            const int64_t t = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
            if (t != AV_NOPTS_VALUE) return t * av_q2d(stream->time_base) - start;
        }
        av_packet_unref(p.get());
    }
    return -1.0;
}

TEST(PlaybackInfo, SeekFileThenReadPacketLandsNearTarget) {
    // Time seek to the key frame at or before the target (key frames every 2 s).
    for (const char* file : {"h264_aac.mp4", "two_audio_ass.mkv", "long.mp4"}) {
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(file)), S_OK);
        const double t = FirstVideoSecondsAfterSeek(info, 5.0);
        EXPECT_GE(t, 3.0) << file;
        EXPECT_LE(t, 5.01) << file;
        EXPECT_NEAR(FirstVideoSecondsAfterSeek(info, 0.0), 0.0, 0.2) << file;
    }
    // Byte seek to the same percentage of the file in formats with jumping time stamps.
    for (const char* file : {"mpegts.ts", "program.mpg"}) {
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(file)), S_OK);
        ASSERT_TRUE(info.GetFormatContext()->iformat->flags & AVFMT_TS_DISCONT);
        EXPECT_NEAR(FirstVideoSecondsAfterSeek(info, 5.0), 5.0, 1.5) << file;
    }
    CPlaybackInfo nothing;
    EXPECT_EQ(nothing.SeekFile(0), -1);
    AVPacketPtr p = MakePacket();
    EXPECT_EQ(nothing.ReadPacket(*p), 1);
}

TEST(PlaybackInfo, ByteSeekGoesToTheWholePercentOfTheFileSize) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("mpegts.ts")), S_OK);
    AVFormatContext* format = info.GetFormatContext();
    const int64_t size = avio_size(format->pb);
    // 35.5 % of the duration, in 100 ns units.
    const int64_t position = format->duration * 10 * 355 / 1000;
    ASSERT_EQ(info.SeekFile(position), 0);
    EXPECT_EQ(avio_tell(format->pb), size * 35 / 100);
}

TEST(PlaybackInfo, DurationSplitsIntoHoursMinutesSecondsAndMicroseconds) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("silence_hour.flac")), S_OK);
    MediaDuration d;
    ASSERT_TRUE(info.Duration(d));
    EXPECT_DOUBLE_EQ(d.totalSeconds, 3725.5);
    EXPECT_EQ(d.hours, 1);
    EXPECT_EQ(d.minutes, 2);
    EXPECT_EQ(d.seconds, 5);
    EXPECT_EQ(d.microseconds, 500000);
}

TEST(PlaybackInfo, ReadPacketReadsEveryStreamToTheEnd) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("srt.mkv")), S_OK);
    int counts[3] = {0, 0, 0};
    AVPacketPtr p = MakePacket();
    while (info.ReadPacket(*p) == 0) {
        ASSERT_LT(p->stream_index, 3);
        ++counts[p->stream_index];
        av_packet_unref(p.get());
    }
    EXPECT_EQ(counts[0], 250);
    EXPECT_GT(counts[1], 400);  // AAC: 1024 samples at 48 kHz, about 469 packets
    EXPECT_EQ(counts[2], 3);
    EXPECT_EQ(info.ReadPacket(*p), 1);  // stays at the end
}

TEST(PlaybackInfo, FailuresAreLoggedAndReported) {
    test::LogCapture log;
    const std::string missing = MediaPath("no-such-file.mp4");
    CPlaybackInfo info;
    EXPECT_EQ(info.ParseMediaContext(missing), E_FAIL);
    EXPECT_TRUE(
        log.Contains("CPlaybackInfo::ParseMediaContext: Couldn't open file: {" + missing + "}\n"));
    EXPECT_FALSE(info.HasVideo() || info.HasAudio() || info.HasSubtitle());
    EXPECT_EQ(info.GetFormatContext(), nullptr);

    EXPECT_EQ(info.ParseMediaContext(MediaPath("random.bin")), E_FAIL);
    EXPECT_FALSE(info.HasVideo() || info.HasAudio());
}

TEST(PlaybackInfo, OnlyRegularFilesAreOpened) {
    test::LogCapture log;
    test::TempDir dir;
    const std::string fifo = (dir.path() / "x.mp4").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = (dir.path() / "folder.mp4").string();
    std::filesystem::create_directory(folder);
    const std::string device = (dir.path() / "urandom.mp4").string();
    std::filesystem::create_symlink("/dev/urandom", device);
    // Each fails at once (a FIFO without a writer would block an open for ever).
    for (const auto& [path, why] : {std::pair{fifo, "a FIFO"}, std::pair{folder, "a folder"},
                                    std::pair{device, "a device"}}) {
        CPlaybackInfo info;
        EXPECT_EQ(info.ParseMediaContext(path), E_FAIL) << path;
        EXPECT_TRUE(log.Contains(std::string("Not a regular file (") + why + "): {" + path + "}"))
            << path;
    }
    // A link to a clip is read as the clip; a name with a colon is a file name, not a URL.
    const std::string link = (dir.path() / "a:b.mp4").string();
    std::filesystem::create_symlink(MediaPath("tone.wav"), link);
    CPlaybackInfo info;
    EXPECT_EQ(info.ParseMediaContext(link), S_OK);
    EXPECT_TRUE(info.HasAudio());
}

TEST(PlaybackInfo, NothingNamedInsideAFileReachesTheNetwork) {
    test::LogCapture log;
    test::TempDir dir;
    // A listener on the loopback that must see no connection attempt.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a";

    const auto write = [](const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    };
    const std::string hls = (dir.path() / "list.m3u8").string();
    write(hls,
          "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\n" + url + ".ts\n#EXT-X-ENDLIST\n");
    const std::string concat = (dir.path() / "list.ffconcat").string();
    write(concat, "ffconcat version 1.0\nfile '" + url + ".mp4'\n");
    // Nor a FIFO (the open would wait for a writer) or a device named in a local list.
    ASSERT_EQ(::mkfifo((dir.path() / "fifo.ts").c_str(), 0600), 0);
    const std::string fifoList = (dir.path() / "fifo.m3u8").string();
    write(fifoList, "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\nfifo.ts\n#EXT-X-ENDLIST\n");
    const std::string fifoConcat = (dir.path() / "fifo.ffconcat").string();
    write(fifoConcat, "ffconcat version 1.0\nfile 'fifo.ts'\n");
    for (const std::string& path : {url + ".mp4", hls, concat, fifoList, fifoConcat}) {
        CPlaybackInfo info;
        EXPECT_EQ(info.ParseMediaContext(path), E_FAIL) << path;
    }
    EXPECT_TRUE(log.Contains("Not a regular file (a FIFO): {" + (dir.path() / "fifo.ts").string()));
    // Connections complete in the kernel's backlog: accept finds one if any was made.
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0);
    EXPECT_EQ(errno, EAGAIN);
    ::close(listener);
}

TEST(PlaybackInfo, OversizedVideoIsDroppedAndItsAudioKept) {
    test::LogCapture log;
    // The video's size is 16000x16000 in its header and in every reader's view.
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("big16000.avi")), S_OK);
    EXPECT_FALSE(info.HasVideo());
    EXPECT_TRUE(info.HasAudio());
    EXPECT_TRUE(log.Contains("Video picture too large: 16000x16000"));
}

TEST(PlaybackInfo, VideoWithoutDurationOpensButIsNotSeekable) {
    test::LogCapture log;
    // An elementary stream, an Annex B stream remuxed to a pipe, a live recording.
    for (const char* clip : {"raw.h264", "annexb_nodur.mkv", "live.webm"}) {
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(clip)), S_OK) << clip;
        EXPECT_TRUE(info.HasVideo()) << clip;
        EXPECT_EQ(info.VideoWidth(), 160) << clip;
        EXPECT_FALSE(info.IsSeekable()) << clip;
        MediaDuration d;
        d.hours = 7;
        EXPECT_FALSE(info.Duration(d)) << clip;
        EXPECT_EQ(d.hours, 0);
        EXPECT_EQ(d.totalSeconds, 0.0);
    }
    EXPECT_EQ(log.CountOf("CPlaybackInfo::Duration: Media duration is N/A\n"), 3);
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("live.webm")), S_OK);
    EXPECT_TRUE(info.HasAudio());
    ASSERT_EQ(info.ParseMediaContext(MediaPath("h264_aac.mp4")), S_OK);
    EXPECT_TRUE(info.IsSeekable());
}

TEST(PlaybackInfo, KnownDurationFallsBackToTheLongestStream) {
    EXPECT_EQ(CPlaybackInfo::KnownDuration(nullptr), AV_NOPTS_VALUE);
    // Never opened: closing it only frees it.
    AVFormatContextPtr format(avformat_alloc_context());
    ASSERT_TRUE(format);
    AVFormatContext* f = format.get();
    f->duration = AV_NOPTS_VALUE;
    EXPECT_EQ(CPlaybackInfo::KnownDuration(f), AV_NOPTS_VALUE);  // no streams
    AVStream* video = avformat_new_stream(f, nullptr);
    AVStream* audio = avformat_new_stream(f, nullptr);
    AVStream* subs = avformat_new_stream(f, nullptr);
    ASSERT_TRUE(video && audio && subs);
    video->time_base = {1, 90000};
    audio->time_base = {1, 48000};
    subs->time_base = {0, 1};  // invalid: ignored
    video->duration = audio->duration = subs->duration = AV_NOPTS_VALUE;
    EXPECT_EQ(CPlaybackInfo::KnownDuration(f), AV_NOPTS_VALUE);  // no stream knows it
    video->duration = 90000 * 3;                                 // 3 s
    audio->duration = 48000 * 4 + 24000;                         // 4.5 s: the longest
    subs->duration = 100;
    EXPECT_EQ(CPlaybackInfo::KnownDuration(f), 4'500'000);
    f->duration = 2'000'000;  // the container's own duration wins
    EXPECT_EQ(CPlaybackInfo::KnownDuration(f), 2'000'000);
}

TEST(PlaybackInfo, DamagedFilesOpenWithWhatTheyHave) {
    struct Case {
        const char* file;
        bool fewer;
    };
    int whole = 0;
    for (const Case& c : {Case{"h264_aac.mp4", false}, Case{"truncated.mp4", true},
                          Case{"corrupt_middle.mp4", false}}) {
        SCOPED_TRACE(c.file);
        CPlaybackInfo info;
        ASSERT_EQ(info.ParseMediaContext(MediaPath(c.file)), S_OK);
        EXPECT_TRUE(info.HasVideo());
        EXPECT_TRUE(info.HasAudio());
        int packets = 0;
        AVPacketPtr p = MakePacket();
        while (info.ReadPacket(*p) == 0) {
            ++packets;
            av_packet_unref(p.get());
        }
        if (whole == 0) whole = packets;
        if (c.fewer) {
            EXPECT_GT(packets, 0);
            EXPECT_LT(packets, whole);
        }
        // Seeking into the missing part fails or lands somewhere; it never crashes.
        info.SeekFile(8 * 10'000'000LL);
        while (info.ReadPacket(*p) == 0) av_packet_unref(p.get());
    }
}

TEST(PlaybackInfo, ParsingAgainReplacesTheOpenFile) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(MediaPath("two_audio_ass.mkv")), S_OK);
    ASSERT_EQ(info.ParseMediaContext(MediaPath("tone.flac")), S_OK);
    std::vector<int> streams;
    int current = -1;
    info.GetSubtitleStreams(streams, current);
    EXPECT_TRUE(streams.empty());
    EXPECT_EQ(current, -1);
    EXPECT_FALSE(info.HasVideo());
    EXPECT_EQ(info.FileName(), MediaPath("tone.flac"));
}

}  // namespace
}  // namespace zvp
