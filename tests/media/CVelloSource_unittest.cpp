#include "media/CVelloSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "LogCapture.h"
#include "media/SourceTestUtil.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace zvp::test {

::testing::Environment* const kSubtitleEnv =
    ::testing::AddGlobalTestEnvironment(new SubtitleHostEnvironment);

std::vector<uint64_t> ReferenceDigests(const std::string& file) {
    std::vector<uint64_t> out;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) return out;
    AVFormatContextPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return out;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return out;
    const AVCodec* codec = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), format->streams[index]->codecpar);
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return out;
    AVPacketPtr packet = MakePacket();
    AVFramePtr frame = MakeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            out.push_back(
                HashRows(frame->data[0], frame->width, frame->height, frame->linesize[0]));
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(context.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return out;
}

namespace {

// Plays `clip` to its end as fast as possible; the pipeline is returned for inspection.
void PlayToEnd(Pipeline& p, const std::string& clip) {
    ASSERT_TRUE(p.Build(MediaPath(clip), /*fast=*/true)) << clip;
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE)) << clip << " did not complete";
    p.graph->Stop();
}

class EveryClip : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryClip, PlaysToCompletionWithOneEndOfStreamPerRenderer) {
    Pipeline p;
    PlayToEnd(p, GetParam());
    if (p.video) {
        EXPECT_GT(p.video->Log().Count(), 10u);
        EXPECT_EQ(p.video->Log().EndOfStreamCount(), 1);
        // Pictures are handed over in presentation order.
        std::vector<REFERENCE_TIME> starts;
        for (const auto& s : p.video->Log().Snapshot())
            if (!s.preroll) starts.push_back(s.start);
        for (size_t i = 1; i < starts.size(); ++i)
            EXPECT_LT(starts[i - 1], starts[i]) << GetParam() << " picture " << i;
    }
    if (p.audio) {
        EXPECT_GT(p.audio->Log().TotalBytes(), 0);
        EXPECT_EQ(p.audio->Log().EndOfStreamCount(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, EveryClip,
                         ::testing::Values("h264_aac.mp4", "mpeg4_mp3.avi", "two_audio_ass.mkv",
                                           "srt.mkv", "mpegts.ts", "program.mpg", "real.rm",
                                           "tone.mp3", "tone.flac", "tone.wav", "tone.ogg",
                                           "tone_float.wav", "video_only.mp4", "surround51.mkv",
                                           "rate60.mp4", "dvdsub.mkv", "tone_cover.mp3"));

TEST(CVelloSource, PinsAndMasterFollowTheStreams) {
    {
        CVelloSource source;
        ASSERT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
        ASSERT_EQ(source.GetPinCount(), 2);
        // The audio pin is created first and is the master.
        EXPECT_EQ(source.GetPin(0), static_cast<CBasePin*>(source.AudioPin()));
        EXPECT_EQ(source.MasterPin(), static_cast<CSeekableStream*>(source.AudioPin()));
        std::string name;
        EXPECT_EQ(source.GetCurFile(&name), S_OK);
        EXPECT_EQ(name, MediaPath("h264_aac.mp4"));
        EXPECT_EQ(source.GetCurFile(nullptr), E_POINTER);
        // A second load is refused.
        EXPECT_EQ(source.Load(MediaPath("tone.wav")), E_UNEXPECTED);
    }
    {
        CVelloSource source;
        ASSERT_EQ(source.Load(MediaPath("tone.mp3")), S_OK);
        EXPECT_EQ(source.GetPinCount(), 1);
        EXPECT_EQ(source.VideoQueue(), nullptr);
        EXPECT_EQ(source.MasterPin(), static_cast<CSeekableStream*>(source.AudioPin()));
    }
    {
        CVelloSource source;
        ASSERT_EQ(source.Load(MediaPath("video_only.mp4")), S_OK);
        EXPECT_EQ(source.GetPinCount(), 1);
        EXPECT_EQ(source.AudioQueue(), nullptr);
        EXPECT_EQ(source.MasterPin(), static_cast<CSeekableStream*>(source.VideoPin()));
    }
}

TEST(CVelloSource, OpenOnAnotherThreadThenLoadOnThisOne) {
    {
        CVelloSource source;
        HRESULT opened = E_FAIL;
        std::thread([&] { opened = source.Open(MediaPath("h264_aac.mp4")); }).join();
        ASSERT_EQ(opened, S_OK);
        // Opened, not loaded: pins and queues are made; Load takes the open file.
        EXPECT_EQ(source.GetPinCount(), 2);
        EXPECT_EQ(source.Open(MediaPath("h264_aac.mp4")), E_UNEXPECTED);
        ASSERT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
        EXPECT_EQ(source.Load(MediaPath("h264_aac.mp4")), E_UNEXPECTED);
        EXPECT_EQ(source.Open(MediaPath("h264_aac.mp4")), E_UNEXPECTED);
    }
    {
        // Load names the file it goes on with.
        CVelloSource source;
        ASSERT_EQ(source.Open(MediaPath("tone.mp3")), S_OK);
        EXPECT_EQ(source.Load(MediaPath("tone.wav")), E_UNEXPECTED);
    }
    {
        // A failed open fails the load the same way.
        CVelloSource source;
        const HRESULT opened = source.Open(MediaPath("random.bin"));
        EXPECT_TRUE(FAILED(opened));
        EXPECT_EQ(source.Load(MediaPath("random.bin")), opened);
        EXPECT_EQ(source.GetPinCount(), 0);
        EXPECT_EQ(source.Open(""), E_POINTER);
    }
}

TEST(CVelloSource, BrokenFilesFailOrEndCleanly) {
    {
        CVelloSource source;
        EXPECT_TRUE(FAILED(source.Load(MediaPath("random.bin"))));
        EXPECT_EQ(source.GetPinCount(), 0);
        EXPECT_EQ(source.Load(""), E_POINTER);
    }
    {
        CVelloSource source;
        EXPECT_TRUE(FAILED(source.Load(MediaPath("does-not-exist.mp4"))));
    }
    for (const char* clip : {"truncated.mp4", "corrupt_middle.mp4"}) {
        Pipeline p;
        PlayToEnd(p, clip);
    }
}

// Drains a queue as its decoder would; returns the packets taken before the end marker.
int DrainUntilEnd(CVelloSource& source, bool video) {
    int packets = 0;
    AVPacketPtr packet;
    for (;;) {
        const PacketResult r =
            video ? source.GetVideoPacket(packet) : source.GetAudioPacket(packet);
        if (r != PacketResult::kPacket) {
            EXPECT_EQ(r, PacketResult::kEnd);
            return packets;
        }
        ++packets;
    }
}

TEST(CVelloSource, EachQueueEndsWithOneEndOfStreamMarker) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("two_audio_ass.mkv")), S_OK);
    ASSERT_NE(source.SubtitleQueue(), nullptr);
    // Unconnected pins do not stream: this test takes the decoders' place. The worker blocks
    // when both queues are full and reads on as packets are taken.
    ASSERT_EQ(source.Pause(), S_OK);
    const int video = DrainUntilEnd(source, true);
    const int audio = DrainUntilEnd(source, false);
    EXPECT_GE(video, 245);  // 10 s at 25 fps
    EXPECT_GT(audio, 400);  // 10 s of AAC at 48 kHz (1024 samples per packet)
    EXPECT_EQ(source.VideoQueue()->Count(), 0);
    EXPECT_EQ(source.AudioQueue()->Count(), 0);
    // The subtitle queue's last packet is the marker.
    AVPacketPtr packet;
    int subtitles = 0;
    while (source.GetSubtitlePacket(packet)) ++subtitles;
    EXPECT_EQ(subtitles, 3);
    EXPECT_EQ(source.SubtitleQueue()->Count(), 0);
    EXPECT_EQ(source.Stop(), S_OK);
}

// Puts `n` video packets of 16 bytes, 40 ms apart from `first` (stream units), as the worker.
void PutVideo(CVelloSource& source, int n, int64_t first) {
    const AVFormatContext* format = source.GetPlaybackInfo()->GetFormatContext();
    const int index = source.GetPlaybackInfo()->CurrentStream(AVMEDIA_TYPE_VIDEO);
    const AVRational base = format->streams[index]->time_base;
    AVPacketPtr packet = MakePacket();
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(av_new_packet(packet.get(), 16), 0);
        packet->stream_index = index;
        packet->dts = packet->pts = first + av_rescale_q(40 * i, {1, 1000}, base);
        source.VideoQueue()->Put(*packet);
    }
}

TEST(CVelloSource, AudioRefusedWhileVideoRunsAheadWaitsForAudioOrLessVideo) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("long.mp4")), S_OK);
    // The worker is idle (not paused): this test plays the worker and both decoders.
    source.VideoQueue()->Flush();
    source.AudioQueue()->Flush();
    constexpr int kLimit = CVelloSource::kAudioRefusalVideoPackets;
    PutVideo(source, kLimit + 2, 0);
    AVPacketPtr packet;
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kNotYet);

    // An audio packet arriving ends the wait; it is handed over although the video queue is
    // still long.
    std::atomic<int> woke{-1};
    std::thread audio([&] { woke = source.WaitForAudioPacket() ? 1 : 0; });
    EXPECT_EQ(woke, -1);
    {
        AVPacketPtr a = MakePacket();
        ASSERT_EQ(av_new_packet(a.get(), 16), 0);
        a->stream_index = source.GetPlaybackInfo()->CurrentStream(AVMEDIA_TYPE_AUDIO);
        a->dts = a->pts = 4800;
        source.AudioQueue()->Put(*a);
    }
    audio.join();
    EXPECT_EQ(woke, 1);
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kPacket);
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kNotYet);

    // The video decoder taking packets down to the limit ends the wait too.
    woke = -1;
    audio = std::thread([&] { woke = source.WaitForAudioPacket() ? 1 : 0; });
    EXPECT_EQ(woke, -1);
    AVPacketPtr picture;
    ASSERT_EQ(source.GetVideoPacket(picture), PacketResult::kPacket);
    ASSERT_EQ(source.GetVideoPacket(picture), PacketResult::kPacket);
    audio.join();
    EXPECT_EQ(woke, 1);
    EXPECT_EQ(source.VideoQueue()->Count(), kLimit);

    // Past the limit again, the end-of-stream marker ends the wait, and the audio ends there.
    PutVideo(source, 1, 90'000 * 20);
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kNotYet);
    woke = -1;
    audio = std::thread([&] { woke = source.WaitForAudioPacket() ? 1 : 0; });
    source.AudioQueue()->PutEndOfStream();
    audio.join();
    EXPECT_EQ(woke, 1);
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kEnd);
    EXPECT_EQ(source.Stop(), S_OK);
}

// Counts the video packets read before the first audio packet that follows more than `limit`
// video packets in a row; 0 when the file has no such run.
int LongestVideoRunBeforeAudio(const std::string& file, int limit) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) return 0;
    AVFormatContextPtr format(raw);
    AVPacketPtr packet = MakePacket();
    int run = 0, longest = 0;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        const AVMediaType kind = format->streams[packet->stream_index]->codecpar->codec_type;
        if (kind == AVMEDIA_TYPE_VIDEO) ++run;
        if (kind == AVMEDIA_TYPE_AUDIO) {
            if (run > limit) longest = std::max(longest, run);
            run = 0;
        }
        av_packet_unref(packet.get());
    }
    return longest;
}

TEST(CVelloSource, AudioMuxedInLongRunsPlaysWhole) {
    const std::string clip = MediaPath("audio_runs.mkv");
    // The clip must hold what it is made for: more video packets before an audio run than the
    // audio decoder's request tolerates.
    ASSERT_GT(LongestVideoRunBeforeAudio(clip, CVelloSource::kAudioRefusalVideoPackets), 0);
    Pipeline p;
    PlayToEnd(p, "audio_runs.mkv");
    ASSERT_NE(p.audio, nullptr);
    const AudioConversion& conv = p.source->GetPlaybackInfo()->GetAudioConversion();
    const int64_t bytesPerSecond = int64_t{conv.dstRate} * conv.dstChannels * 2;
    // 36 s of audio, within 100 ms.
    EXPECT_NEAR(double(p.audio->Log().TotalBytes()), 36.0 * bytesPerSecond, 0.1 * bytesPerSecond);
    EXPECT_EQ(p.audio->Log().EndOfStreamCount(), 1);
    EXPECT_GE(p.video->Log().Count(), 890u);  // 900 pictures
}

TEST(CVelloSource, WorkerAnswersCommandsOutOfOrder) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
    // Idle worker: unknown codes are not implemented.
    EXPECT_EQ(HRESULT(source.SendWorkerCommand(7)), E_NOTIMPL);
    ASSERT_EQ(source.Pause(), S_OK);
    // Inside the reading loop: a second init is unexpected; the loop goes on.
    EXPECT_EQ(HRESULT(source.SendWorkerCommand(CVelloSource::kCmdInit)), E_UNEXPECTED);
    EXPECT_EQ(HRESULT(source.SendWorkerCommand(CVelloSource::kCmdRun)), S_OK);
    EXPECT_EQ(source.Stop(), S_OK);
    EXPECT_EQ(source.VideoQueue()->Count(), 0);
    EXPECT_EQ(source.AudioQueue()->Count(), 0);
}

TEST(CVelloSource, VideoQueueLowWaitsOnlyWhileMorePacketsCanCome) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("video_only.mp4")), S_OK);
    CPacketQueueVideo* queue = source.VideoQueue();
    queue->Flush();
    EXPECT_FALSE(source.VideoQueueLow());  // empty
    AVPacketPtr packet = MakePacket();
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(av_new_packet(packet.get(), 16), 0);
        packet->stream_index = 0;
        packet->dts = packet->pts = 512 * (i + 1);
        queue->Put(*packet);
    }
    EXPECT_TRUE(source.VideoQueueLow());  // 4 packets, more to come
    queue->PutEndOfStream();
    EXPECT_FALSE(source.VideoQueueLow());  // 5 queued
    source.GetVideoPacket(packet);
    // 4 left, but the last is the marker: nothing more will come, so no waiting.
    EXPECT_FALSE(source.VideoQueueLow());
    EXPECT_TRUE(source.WaitForVideoPackets());
}

TEST(CVelloSource, SeekLandsAtKeyFrameOrLaterThroughTheMasterPinOnly) {
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("h264_aac.mp4"), /*fast=*/true));
    ASSERT_EQ(p.graph->Pause(), S_OK);
    FILTER_STATE state;
    ASSERT_EQ(p.graph->GetState(20000, &state), S_OK);

    // The video pin is not the master.
    REFERENCE_TIME at = 5 * UNITS;
    EXPECT_EQ(p.source->VideoPin()->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0),
              E_NOTIMPL);

    p.video->Log().Clear();
    ASSERT_EQ(p.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    // Key frames every 2 s: the first picture is the one at 4 s or later.
    const REFERENCE_TIME first = p.source->GetFirstVideoTime();
    EXPECT_GE(first, 4 * UNITS - UNITS / 10);
    EXPECT_LE(first, 5 * UNITS);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    const auto shown = p.video->Log().Snapshot();
    ASSERT_FALSE(shown.empty());
    const size_t pictures = p.video->Log().Count();
    // About 6 s of pictures from the key frame at 4 s (25 fps).
    EXPECT_GE(pictures, 140u);
    EXPECT_LE(pictures, 160u);
    EXPECT_EQ(p.audio->Log().EndOfStreamCount(), 1);
    p.graph->Stop();
}

TEST(CVelloSource, SeekPastTheEndOfTheAudioQueuesBoundedVideoAndPlaysOn) {
    LogCapture log;
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("audio_early_end.mkv"), /*fast=*/true));
    ASSERT_EQ(p.graph->Pause(), S_OK);
    FILTER_STATE state;
    ASSERT_EQ(p.graph->GetState(20000, &state), S_OK);
    p.video->Log().Clear();
    REFERENCE_TIME at = 30 * UNITS;
    ASSERT_EQ(p.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    // The audio stopped at 3 s: the search for it gave up 10 s of video after the key frame
    // at 30 s, with about 250 video packets queued instead of the 750 left in the file.
    const std::string text = log.Text();
    const auto line = text.find("No audio within 10000 ms or 64 MiB of video after");
    ASSERT_NE(line, std::string::npos) << text;
    const auto vc = text.find("vc = ", line);
    ASSERT_NE(vc, std::string::npos);
    const int queued = std::atoi(text.c_str() + vc + 5);
    EXPECT_GE(queued, 250);
    EXPECT_LE(queued, 260);
    const REFERENCE_TIME first = p.source->GetFirstVideoTime();
    EXPECT_GE(first, 26 * UNITS);  // a key frame at most 50 frames before
    EXPECT_LE(first, 30 * UNITS);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    // The pictures from the key frame to the end at 60 s (25 fps).
    const double expected = (60.0 * UNITS - double(first)) / (UNITS / 25);
    EXPECT_NEAR(double(p.video->Log().Count()), expected, 10.0);
    EXPECT_EQ(p.audio->Log().EndOfStreamCount(), 1);
    p.graph->Stop();
}

TEST(CVelloSource, FilesWithoutDurationPlayButOfferNoSeeking) {
    // Both 4 s at 25 fps.
    for (const char* clip : {"annexb_nodur.mkv", "live.webm"}) {
        Pipeline p;
        PlayToEnd(p, clip);
        ASSERT_NE(p.video, nullptr) << clip;
        EXPECT_EQ(p.video->Log().Count(), 100u) << clip;
        EXPECT_EQ(p.video->Log().EndOfStreamCount(), 1) << clip;
        DWORD caps = 0;
        EXPECT_EQ(p.source->MasterPin()->GetCapabilities(&caps), S_OK);
        EXPECT_EQ(caps, DWORD{AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration}) << clip;
    }
}

TEST(CVelloSource, RateChangesAreRefusedOrIgnored) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
    CSeekableStream* pin = source.MasterPin();
    EXPECT_EQ(pin->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(pin->SetRate(-1.0), E_INVALIDARG);
    EXPECT_EQ(pin->SetRate(2.0), S_OK);
    double rate = 0;
    EXPECT_EQ(pin->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 2.0);
    DWORD caps = 0;
    EXPECT_EQ(pin->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x37u);
}

}  // namespace
}  // namespace zvp::test
