#include "media/CVelloSource.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(CVelloSource, AudioRequestIsRefusedWhileTooMuchVideoIsQueued) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("long.mp4")), S_OK);
    ASSERT_EQ(source.Pause(), S_OK);
    // Only audio is taken: the worker keeps reading to refill the audio queue, and the video
    // queue grows until the audio decoder's request is refused.
    const int audio = DrainUntilEnd(source, false);
    EXPECT_GT(source.VideoQueue()->Count(), CVelloSource::kAudioRefusalVideoPackets);
    // 45 s of AAC would be about 2,100 packets; the refusal came long before.
    EXPECT_LT(audio, 1000);
    AVPacketPtr packet;
    EXPECT_EQ(source.GetAudioPacket(packet), PacketResult::kEnd);
    EXPECT_EQ(source.Stop(), S_OK);
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
