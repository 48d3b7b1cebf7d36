// Packet queues: time conversion, untimed-packet interpolation, end-of-stream markers, flush,
// and the producer/consumer hand-over (these tests also run under ThreadSanitizer).
#include "media/CPacketQueue2.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "media/CPacketQueueSubtitle.h"
#include "media/CPacketQueueVideo.h"
#include "media/CPlaybackInfo.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

constexpr int64_t kMs = 10'000;  // 100 ns units per millisecond

// Puts a packet with a 16-byte payload and time stamps in the stream's units (milliseconds
// for the Matroska clip used here); the caller's packet is left blank.
void PutPacket(CPacketQueue2& q, int64_t dts, int64_t pts = AV_NOPTS_VALUE) {
    AVPacketPtr p = MakePacket();
    ASSERT_EQ(av_new_packet(p.get(), 16), 0);
    p->dts = dts;
    p->pts = pts;
    q.Put(*p);
    EXPECT_EQ(p->data, nullptr);
    EXPECT_EQ(p->buf, nullptr);
}

class PacketQueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // srt.mkv: video 0, audio 1, subtitles 2, every stream in milliseconds.
        ASSERT_EQ(info_.ParseMediaContext(test::MediaPath("srt.mkv")), S_OK);
        ASSERT_EQ(info_.GetFormatContext()->streams[0]->time_base.den, 1000);
    }
    std::vector<int64_t> DrainVideo(CPacketQueueVideo& q, int n) {
        std::vector<int64_t> times;
        AVPacketPtr p = MakePacket();
        for (int i = 0; i < n; ++i) {
            EXPECT_TRUE(q.Get(*p));
            times.push_back(p->pts);
        }
        return times;
    }

    CPlaybackInfo info_;
};

TEST_F(PacketQueueTest, AudioAndSubtitleStampFromDecodingTimeInArrivalOrder) {
    CPacketQueue2 audio("A", 10, &info_);
    CPacketQueueSubtitle subs("S", 5, &info_);
    PutPacket(audio, 1500, 9999);
    PutPacket(audio, 1000);  // arrival order wins over time order
    PutPacket(audio, AV_NOPTS_VALUE, 2000);
    PutPacket(subs, 4000);
    EXPECT_EQ(audio.Count(), 3);
    EXPECT_EQ(subs.Count(), 1);

    AVPacketPtr p = MakePacket();
    ASSERT_TRUE(audio.Get(*p));
    EXPECT_EQ(p->pts, 1500 * kMs);
    EXPECT_EQ(p->size, 16);
    ASSERT_TRUE(audio.Get(*p));
    EXPECT_EQ(p->pts, 1000 * kMs);
    ASSERT_TRUE(audio.Get(*p));
    EXPECT_EQ(p->pts, 2000 * kMs);  // no decoding time: the presentation time stands in
    ASSERT_TRUE(subs.Get(*p));
    EXPECT_EQ(p->pts, 4000 * kMs);
    EXPECT_EQ(audio.Count(), 0);
}

TEST_F(PacketQueueTest, PacketsWithoutCurrentStreamOrPayloadAreDropped) {
    CPlaybackInfo audioOnly;
    ASSERT_EQ(audioOnly.ParseMediaContext(test::MediaPath("tone.wav")), S_OK);
    CPacketQueueVideo video("V", 10, &audioOnly);
    CPacketQueueSubtitle subs("S", 5, &audioOnly);
    PutPacket(video, 1000);
    PutPacket(subs, 1000);
    EXPECT_EQ(video.Count(), 0);
    EXPECT_EQ(subs.Count(), 0);

    // An empty demuxed packet would read as the end-of-stream marker.
    CPacketQueue2 audio("A", 10, &info_);
    AVPacketPtr empty = MakePacket();
    empty->dts = 5;
    audio.Put(*empty);
    EXPECT_EQ(audio.Count(), 0);
}

TEST_F(PacketQueueTest, VideoPacketTwoMillisecondsAfterPreviousIsInterpolated) {
    CPacketQueueVideo video("V", 10, &info_);
    PutPacket(video, 1000);
    PutPacket(video, 1002);
    PutPacket(video, 1040);
    // The queue stores "no time" for the close packet ...
    AVPacketPtr head = MakePacket();
    ASSERT_TRUE(video.Peek(*head));
    EXPECT_EQ(video.GetList()[1].pts, 0);
    // ... and hands it out half way to the next timed one.
    EXPECT_EQ(DrainVideo(video, 3), (std::vector<int64_t>{1000 * kMs, 1020 * kMs, 1040 * kMs}));
}

TEST_F(PacketQueueTest, ThreeUntimedPacketsSpreadOverFourHundredMilliseconds) {
    CPacketQueueVideo video("V", 10, &info_);
    PutPacket(video, 1000);
    PutPacket(video, AV_NOPTS_VALUE);  // no time stamp at all
    PutPacket(video, 1000);            // equal
    PutPacket(video, 990);             // decreasing
    PutPacket(video, 1400);
    EXPECT_EQ(DrainVideo(video, 5),
              (std::vector<int64_t>{1000 * kMs, 1100 * kMs, 1200 * kMs, 1300 * kMs, 1400 * kMs}));
}

TEST_F(PacketQueueTest, UntimedPacketsWithNothingStampedBehindAdvanceByDefaultDuration) {
    CPacketQueueVideo video("V", 10, &info_);
    PutPacket(video, 1000);
    PutPacket(video, 1001);
    PutPacket(video, 1002);
    const int64_t t0 = 1000 * kMs;
    EXPECT_EQ(DrainVideo(video, 1), (std::vector<int64_t>{t0}));
    EXPECT_EQ(video.AverageFrameDuration(), 333333);
    EXPECT_EQ(DrainVideo(video, 2), (std::vector<int64_t>{t0 + 333333, t0 + 2 * 333333}));

    // The end-of-stream marker does not count as a stamped packet either.
    PutPacket(video, 1003);
    video.PutEndOfStream();
    EXPECT_EQ(DrainVideo(video, 1), (std::vector<int64_t>{t0 + 3 * 333333}));
}

TEST_F(PacketQueueTest, ResetForgetsPreviousTimesAndRestampFromHeadCountsBack) {
    CPacketQueueVideo video("V", 10, &info_);
    PutPacket(video, 5000);
    video.Flush();
    video.Reset();
    // Without the reset, 5000 ms -> 2000 ms would be a decreasing time and come out untimed.
    PutPacket(video, 2000);
    PutPacket(video, 2001);
    PutPacket(video, 2100);
    EXPECT_EQ(video.RestampFromHead(), 2000 * kMs);
    const auto& list = video.GetList();
    EXPECT_EQ(list[1].pts, 2000 * kMs - 333333);
    EXPECT_EQ(list[2].pts, 2000 * kMs - 2 * 333333);

    CPacketQueueVideo empty("V", 10, &info_);
    EXPECT_EQ(empty.RestampFromHead(), 0);
}

TEST_F(PacketQueueTest, EndOfStreamOnEachQueueKindLogsItsLine) {
    test::LogCapture log;
    CPacketQueue2 audio("A", 10, &info_);
    CPacketQueueVideo video("V", 10, &info_);
    CPacketQueueSubtitle subs("S", 5, &info_);
    for (CPacketQueue2* q :
         {&audio, static_cast<CPacketQueue2*>(&video), static_cast<CPacketQueue2*>(&subs)}) {
        q->PutEndOfStream();
        AVPacketPtr marker = MakePacket();
        ASSERT_TRUE(q->Peek(*marker));
        EXPECT_TRUE(CPacketQueue2::IsEndOfStream(*marker));
        EXPECT_EQ(marker->pts, 0);
        AVPacketPtr p = MakePacket();
        EXPECT_FALSE(q->Get(*p)) << q->Name();
        ASSERT_TRUE(p);
        EXPECT_TRUE(CPacketQueue2::IsEndOfStream(*p));
        EXPECT_EQ(q->Count(), 0);
    }
    EXPECT_TRUE(log.Contains("CPacketQueue2::Get: A: EOF!\n"));
    EXPECT_TRUE(log.Contains("CPacketQueueVideo::Get: V: EOF!!\n"));
    EXPECT_TRUE(log.Contains("CPacketQueue2::Get: S: EOF!\n"));
}

TEST_F(PacketQueueTest, PeekSharesHeadAndFlushFreesEverything) {
    CPacketQueue2 audio("A", 10, &info_);
    AVPacketPtr none = MakePacket();
    EXPECT_FALSE(audio.Peek(*none));
    audio.Flush();  // empty: nothing happens
    EXPECT_EQ(audio.Count(), 0);

    PutPacket(audio, 100);
    PutPacket(audio, 200);
    AVPacketPtr peeked = MakePacket();
    ASSERT_TRUE(audio.Peek(*peeked));
    EXPECT_EQ(peeked->pts, 100 * kMs);
    EXPECT_EQ(peeked->data, audio.GetList().front().data);  // shared, not copied
    EXPECT_EQ(audio.Count(), 2);
    audio.Flush();
    EXPECT_EQ(audio.Count(), 0);
    // The peeked reference keeps the payload alive after the flush.
    EXPECT_EQ(peeked->size, 16);
    peeked->data[15] = 1;
}

TEST_F(PacketQueueTest, ProducerAndConsumerHandOverEveryPacketInOrder) {
    CPacketQueueVideo video("V", 10, &info_);
    CPacketQueue2 audio("A", 10, &info_);
    constexpr int kPackets = 2000;
    std::vector<int64_t> videoTimes, audioTimes;
    std::thread videoConsumer([&] {
        for (AVPacketPtr p = MakePacket(); video.Get(*p);) videoTimes.push_back(p->pts);
    });
    std::thread audioConsumer([&] {
        for (AVPacketPtr p = MakePacket(); audio.Get(*p);) audioTimes.push_back(p->pts);
    });
    for (int i = 0; i < kPackets; ++i) {
        PutPacket(video, 40 * i + 40);
        PutPacket(audio, 21 * i);
    }
    video.PutEndOfStream();
    audio.PutEndOfStream();
    videoConsumer.join();
    audioConsumer.join();
    ASSERT_EQ(videoTimes.size(), size_t{kPackets});
    ASSERT_EQ(audioTimes.size(), size_t{kPackets});
    for (int i = 0; i < kPackets; ++i) {
        EXPECT_EQ(videoTimes[i], (40 * i + 40) * kMs);
        EXPECT_EQ(audioTimes[i], 21 * i * kMs);
    }
}

TEST_F(PacketQueueTest, WaitingVideoGetLogsBlockingUntilAPacketArrives) {
    test::LogCapture log;
    CPacketQueueVideo video("V", 10, &info_);
    std::atomic<bool> got{false};
    std::thread consumer([&] {
        AVPacketPtr p = MakePacket();
        got = video.Get(*p) && p->pts == 700 * kMs;
    });
    // One line per 100 ms of waiting: two lines mean at least 200 ms have passed.
    ASSERT_TRUE(log.WaitForCount("CPacketQueueVideo::Get: V: Queue blocking...", 2));
    PutPacket(video, 700);
    consumer.join();
    EXPECT_TRUE(got);
}

TEST_F(PacketQueueTest, AbortReleasesAWaitingGetUntilResume) {
    CPacketQueue2 audio("A", 10, &info_);
    std::atomic<int> result{-1};
    std::thread consumer([&] {
        AVPacketPtr p = MakePacket();
        result = audio.Get(*p) ? 1 : 0;
    });
    audio.Abort();
    consumer.join();
    EXPECT_EQ(result, 0);
    PutPacket(audio, 10);
    AVPacketPtr p = MakePacket();
    EXPECT_FALSE(audio.Get(*p));  // still aborted: the packet stays queued
    EXPECT_EQ(audio.Count(), 1);
    audio.Resume();
    ASSERT_TRUE(audio.Get(*p));
    EXPECT_EQ(p->pts, 10 * kMs);
}

TEST_F(PacketQueueTest, RingKeepsOrderAcrossWrapAndGrowth) {
    CPacketQueue2 audio("A", 10, &info_);
    AVPacketPtr p = MakePacket();
    int next = 0, expected = 0;
    for (; next < 8; ++next) PutPacket(audio, next);
    for (; expected < 5; ++expected) {
        ASSERT_TRUE(audio.Get(*p));
        EXPECT_EQ(p->pts, expected * kMs);
    }
    for (; next < 40; ++next) PutPacket(audio, next);  // wraps, then grows twice
    EXPECT_EQ(audio.Count(), 35);
    EXPECT_EQ(audio.GetList()[34].pts, 39 * kMs);
    for (; expected < 40; ++expected) {
        ASSERT_TRUE(audio.Get(*p));
        EXPECT_EQ(p->pts, expected * kMs);
        EXPECT_EQ(p->size, 16);
    }
    EXPECT_EQ(audio.Count(), 0);
}

TEST_F(PacketQueueTest, ByteLimitMakesAFewBigPacketsFullAndBoundsWhatIsHeld) {
    // 4K intra pictures at a high bit rate: a handful of packets reach the byte limit long
    // before the packet count does. The producer (here the loop) stops at the first "full".
    constexpr int64_t kMiB = int64_t{1} << 20;
    struct Case {
        int packetMiB;
        int64_t limitMiB;
        int putsUntilFull;  // packets queued when the queue first reports full
    };
    for (const Case& c : {Case{3, 10, 4}, Case{16, 10, 1}, Case{1, 64, 11}}) {
        SCOPED_TRACE(testing::Message() << c.packetMiB << " MiB packets, limit " << c.limitMiB);
        CPacketQueueVideo video("V", 10, &info_);
        video.SetByteLimit(c.limitMiB * kMiB);
        int puts = 0;
        while (!video.IsFull() && puts < 100) {
            AVPacketPtr p = MakePacket();
            ASSERT_EQ(av_new_packet(p.get(), int(c.packetMiB * kMiB)), 0);
            p->dts = 40 * puts;
            video.Put(*p);
            ++puts;
        }
        EXPECT_EQ(puts, c.putsUntilFull);
        // Never more than the limit plus the one packet that crossed it.
        EXPECT_LE(video.Bytes(), c.limitMiB * kMiB + c.packetMiB * kMiB);
        EXPECT_EQ(video.OverByteLimit(), video.Bytes() > c.limitMiB * kMiB);
        EXPECT_EQ(video.PeakBytes(), video.Bytes());
        // Taking the head makes room again when the bytes were what filled it.
        AVPacketPtr taken = MakePacket();
        ASSERT_TRUE(video.Get(*taken));
        EXPECT_EQ(video.IsFull(), video.Bytes() > c.limitMiB * kMiB);
        // The peak stays for the figures; a flush empties the queue.
        const int64_t peak = video.PeakBytes();
        video.Flush();
        EXPECT_EQ(video.Bytes(), 0);
        EXPECT_EQ(video.PeakBytes(), peak);
    }
}

TEST(PacketRingPool, SlotsAreAllocatedOnceReusedAndCountTheirBytes) {
    PacketRing ring;
    AVPacketPtr p = MakePacket();
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(av_new_packet(p.get(), 100 + i), 0);
        p->pts = i;
        ASSERT_TRUE(ring.PushBack(*p));
        EXPECT_EQ(p->buf, nullptr);  // moved, not copied
    }
    const size_t capacity = ring.capacity();
    EXPECT_GE(capacity, 25u);
    EXPECT_EQ(ring.bytes(), 25 * 100 + 24 * 25 / 2);
    const AVPacket* slot = &ring.front();
    // Steady use within the capacity allocates no packet: the same slots come round again.
    for (int i = 25; i < 1000; ++i) {
        ring.PopFront(*p);
        EXPECT_EQ(p->pts, i - 25);
        av_packet_unref(p.get());
        ASSERT_EQ(av_new_packet(p.get(), 100), 0);
        p->pts = i;
        ASSERT_TRUE(ring.PushBack(*p));
    }
    EXPECT_EQ(ring.capacity(), capacity);
    EXPECT_EQ(ring.bytes(), 25 * 100);
    bool slotReused = false;
    for (size_t i = 0; i < ring.size(); ++i) slotReused |= &ring[i] == slot;
    EXPECT_TRUE(slotReused);
    // The blank entry (the queues' end-of-stream marker) carries no payload and zero times.
    ASSERT_TRUE(ring.PushBlank());
    const AVPacket& blank = ring[ring.size() - 1];
    EXPECT_EQ(blank.data, nullptr);
    EXPECT_EQ(blank.size, 0);
    EXPECT_EQ(blank.pts, 0);
    EXPECT_EQ(blank.dts, 0);
    EXPECT_EQ(blank.pos, 0);
    EXPECT_TRUE(CPacketQueue2::IsEndOfStream(blank));
    ring.DropFront();
    EXPECT_EQ(ring.bytes(), 24 * 100);
    ring.Clear();
    EXPECT_EQ(ring.bytes(), 0);
    EXPECT_TRUE(ring.empty());
}

TEST_F(PacketQueueTest, ConsumerWaitEndsAtAPacketAConditionOrAnAbort) {
    CPacketQueue2 audio("A", 10, &info_);
    std::mutex m;
    bool open = false;  // the condition; guarded by m
    const auto ready = [&] {
        std::lock_guard lock(m);
        return open;
    };
    // Already queued, or already true: no waiting.
    PutPacket(audio, 5);
    EXPECT_TRUE(audio.WaitUntilQueuedOr([] { return false; }));
    audio.Flush();
    EXPECT_TRUE(audio.WaitUntilQueuedOr([] { return true; }));
    EXPECT_EQ(audio.Count(), 0);

    std::atomic<int> result{-1};
    std::thread waiter([&] { result = audio.WaitUntilQueuedOr(ready) ? 1 : 0; });
    PutPacket(audio, 6);  // a put wakes it
    waiter.join();
    EXPECT_EQ(result, 1);
    audio.Flush();

    waiter = std::thread([&] { result = audio.WaitUntilQueuedOr(ready) ? 1 : 0; });
    {
        std::lock_guard lock(m);
        open = true;
    }
    audio.WakeWaiters();
    waiter.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(audio.Count(), 0);  // nothing was taken or put

    waiter = std::thread([&] { result = audio.WaitUntilQueuedOr([] { return false; }) ? 1 : 0; });
    audio.Abort();
    waiter.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(audio.WaitUntilQueuedOr([] { return true; }));  // aborted until Resume
    audio.Resume();
}

// The demultiplexing arrangement: one reader distributing packets by the current stream
// indexes, three consumers using their decoder contexts under the record's lock, and the
// user-interface thread switching audio tracks and asking questions meanwhile.
TEST(PacketPipeline, ReaderFeedsQueuesWhileAudioTrackSwitches) {
    CPlaybackInfo info;
    ASSERT_EQ(info.ParseMediaContext(test::MediaPath("two_audio_ass.mkv")), S_OK);
    CPacketQueueVideo video("V", 10, &info);
    CPacketQueue2 audio("A", 10, &info);
    CPacketQueueSubtitle subs("S", 5, &info);

    std::thread reader([&] {
        AVPacketPtr p = MakePacket();
        while (info.ReadPacket(*p) == 0) {
            if (p->stream_index == info.CurrentStream(AVMEDIA_TYPE_VIDEO))
                video.Put(*p);
            else if (p->stream_index == info.CurrentStream(AVMEDIA_TYPE_AUDIO))
                audio.Put(*p);
            else if (p->stream_index == info.CurrentStream(AVMEDIA_TYPE_SUBTITLE))
                subs.Put(*p);
            else
                CPacketQueue2::FreePacket(*p);
        }
        video.PutEndOfStream();
        audio.PutEndOfStream();
        subs.PutEndOfStream();
    });
    const auto consume = [&info](CPacketQueue2& q, AVMediaType kind, int& count) {
        AVPacketPtr p = MakePacket();
        while (q.Get(*p)) {
            std::lock_guard lock(info.GetLock());
            if (AVCodecContext* c = info.GetCodecContext(kind)) count += c->codec_type == kind;
        }
    };
    int counts[3] = {0, 0, 0};
    std::thread v(consume, std::ref(video), AVMEDIA_TYPE_VIDEO, std::ref(counts[0]));
    std::thread a(consume, std::ref(audio), AVMEDIA_TYPE_AUDIO, std::ref(counts[1]));
    std::thread s(consume, std::ref(subs), AVMEDIA_TYPE_SUBTITLE, std::ref(counts[2]));

    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(info.OpenStream(AVMEDIA_TYPE_AUDIO, i % 2 ? 1 : 2));
        EXPECT_TRUE(info.HasAudio());
        EXPECT_EQ(info.VideoWidth(), 320);
        MediaDuration d;
        EXPECT_TRUE(info.Duration(d));
    }
    reader.join();
    v.join();
    a.join();
    s.join();
    EXPECT_EQ(counts[0], 250);
    EXPECT_GT(counts[1], 0);
    EXPECT_EQ(counts[2], 3);
}

}  // namespace
}  // namespace zvp
