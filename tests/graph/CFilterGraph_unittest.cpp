// The graph runner with the synthetic source and null renderers: state transitions,
// pre-roll, completion, error abort, seeking, and shutdown that never hangs.
#include "graph/CFilterGraph.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <chrono>
#include <future>
#include <thread>

#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/TestSource.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace std::chrono_literals;
using test::CTestSource;
using test::StreamParams;

constexpr auto kWait = 20s;

struct Pipeline {
    std::unique_ptr<CFilterGraph> graph = std::make_unique<CFilterGraph>();
    CTestSource* source = nullptr;
    CNullAudioRenderer* audio = nullptr;
    CNullVideoRenderer* video = nullptr;

    Pipeline(const StreamParams* a, const StreamParams* v, bool fast) {
        auto src = std::make_unique<CTestSource>(a, v);
        source = src.get();
        EXPECT_EQ(graph->AddFilter(std::move(src), "Source"), S_OK);
        if (source->AudioPin()) {
            auto r = std::make_unique<CNullAudioRenderer>(fast);
            audio = r.get();
            graph->AddFilter(std::move(r), "Audio Renderer");
            EXPECT_EQ(graph->Connect(source->AudioPin(), CFilterGraph::FindInputPin(audio)), S_OK);
        }
        if (source->VideoPin()) {
            auto r = std::make_unique<CNullVideoRenderer>(fast);
            video = r.get();
            graph->AddFilter(std::move(r), "Video Renderer");
            EXPECT_EQ(graph->Connect(source->VideoPin(), CFilterGraph::FindInputPin(video)), S_OK);
        }
    }

    // Waits for the next event with `code`, skipping others; false after the timeout.
    bool WaitEvent(long code, LONG_PTR* p1 = nullptr) {
        auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            long c;
            LONG_PTR a, b;
            if (graph->GetEvent(&c, &a, &b, 200) != S_OK) continue;
            graph->FreeEventParams(c, a, b);
            if (c == code) {
                if (p1) *p1 = a;
                return true;
            }
        }
        return false;
    }

    int CountQueued(long code) {
        int n = 0;
        long c;
        LONG_PTR a, b;
        while (graph->GetEvent(&c, &a, &b, 0) == S_OK) n += c == code;
        return n;
    }
};

StreamParams Video(int count, REFERENCE_TIME dur = 400000) {
    StreamParams p;
    p.video = true;
    p.count = count;
    p.duration = dur;
    return p;
}

StreamParams Audio(int count, REFERENCE_TIME dur = 1000000) {
    StreamParams p;
    p.video = false;
    p.count = count;
    p.duration = dur;
    p.rate = 8000;
    p.channels = 2;
    return p;
}

TEST(CFilterGraphTest, PausePrerollsRunResumeAndStop) {
    StreamParams a = Audio(30), v = Video(75);
    Pipeline pl(&a, &v, false);

    ASSERT_EQ(pl.graph->Pause(), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_PAUSED));
    FILTER_STATE st;
    EXPECT_EQ(pl.graph->GetState(10000, &st), S_OK);
    EXPECT_EQ(st, State_Paused);
    // The first picture is shown while paused, nothing is presented by time.
    ASSERT_TRUE(pl.video->Log().WaitForPreroll(1, kWait));
    EXPECT_EQ(pl.video->Log().Count(), 0u);
    auto snap = pl.video->Log().Snapshot();
    EXPECT_TRUE(snap[0].preroll);
    EXPECT_EQ(snap[0].head, 0u);
    REFERENCE_TIME pos = -1;
    EXPECT_EQ(pl.graph->GetCurrentPosition(&pos), S_OK);
    EXPECT_EQ(pos, 0);

    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForCount(3, kWait));
    ASSERT_EQ(pl.graph->Pause(), S_OK);
    // Paused: the position stands still.
    REFERENCE_TIME p1 = 0, p2 = 0;
    pl.graph->GetCurrentPosition(&p1);
    pl.graph->GetCurrentPosition(&p2);
    EXPECT_EQ(p1, p2);
    EXPECT_GT(p1, 0);
    size_t before = pl.video->Log().Count();

    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForCount(before + 3, kWait));
    REFERENCE_TIME p3 = 0;
    pl.graph->GetCurrentPosition(&p3);
    EXPECT_GE(p3, p1);

    ASSERT_EQ(pl.graph->Stop(), S_OK);
    EXPECT_EQ(pl.graph->GetState(0, &st), S_OK);
    EXPECT_EQ(st, State_Stopped);
    // Frames presented in order, each once.
    snap = pl.video->Log().Snapshot();
    uint64_t expect = 0;
    for (const auto& s : snap) {
        if (s.preroll) continue;
        EXPECT_EQ(s.head, expect++);
    }
}

TEST(CFilterGraphTest, NoSampleIsPresentedBeforeItsTime) {
    StreamParams a = Audio(8, 500000), v = Video(20, 200000);
    Pipeline pl(&a, &v, false);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
    auto check = [](const std::vector<PresentedSample>& log) {
        ASSERT_FALSE(log.empty());
        auto wall0 = log.front().wall;
        REFERENCE_TIME at0 = log.front().presentAt;
        for (const auto& s : log) {
            if (s.preroll) continue;
            ASSERT_TRUE(s.haveStreamTime);
            EXPECT_GE(s.streamTime, s.presentAt);
            // Wall time agrees with the stream (the system clock drives the graph).
            auto wallUs = std::chrono::duration_cast<std::chrono::microseconds>(s.wall - wall0);
            EXPECT_GE(wallUs.count() * 10 + 20 * MILLISECONDS, s.presentAt - at0);
        }
    };
    check(pl.video->Log().Snapshot());
    check(pl.audio->Log().Snapshot());
    EXPECT_EQ(pl.video->Log().Count(), 20u);
    EXPECT_EQ(pl.audio->Log().Count(), 8u);
    // Untimed audio follows itself: block n is due at n * its duration.
    auto alog = pl.audio->Log().Snapshot();
    for (size_t i = 0; i < alog.size(); ++i)
        EXPECT_EQ(alog[i].presentAt, REFERENCE_TIME(i) * 500000);
}

TEST(CFilterGraphTest, EndOfStreamFromBothPinsGivesExactlyOneComplete) {
    StreamParams a = Audio(5), v = Video(12);
    Pipeline pl(&a, &v, true);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
    EXPECT_EQ(pl.audio->Log().EndOfStreamCount(), 1);
    EXPECT_EQ(pl.video->Log().EndOfStreamCount(), 1);
    EXPECT_EQ(pl.CountQueued(EC_COMPLETE), 0);
    EXPECT_EQ(pl.video->Log().Count(), 12u);
    EXPECT_EQ(pl.audio->Log().Count(), 5u);
    // The position ends at the duration.
    REFERENCE_TIME pos = 0, dur = 0;
    ASSERT_EQ(pl.graph->GetDuration(&dur), S_OK);
    EXPECT_EQ(dur, 5 * 1000000);  // the longer of the two streams
    pl.graph->GetCurrentPosition(&pos);
    EXPECT_LE(pos, dur);
    EXPECT_EQ(pl.graph->Stop(), S_OK);
}

TEST(CFilterGraphTest, CompleteWaitsForEveryRendererAndComesAgainAfterSeek) {
    // Audio ends long before video: no completion until the video has ended too.
    StreamParams a = Audio(1), v = Video(15, 100000);
    Pipeline pl(&a, &v, false);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
    EXPECT_EQ(pl.video->Log().Count(), 15u);
    // A seek restarts the stream; it completes once more.
    REFERENCE_TIME to = 0;
    ASSERT_EQ(pl.graph->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
    EXPECT_EQ(pl.CountQueued(EC_COMPLETE), 0);
}

TEST(CFilterGraphTest, FillErrorAbortsWithItsCode) {
    StreamParams a = Audio(20), v = Video(50);
    v.failAt = 3;
    Pipeline pl(&a, &v, true);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    LONG_PTR code = 0;
    ASSERT_TRUE(pl.WaitEvent(EC_ERRORABORT, &code));
    EXPECT_EQ(HRESULT(code), E_FAIL);
    EXPECT_EQ(pl.video->Log().EndOfStreamCount(), 1);
    EXPECT_EQ(pl.graph->Stop(), S_OK);
}

TEST(CFilterGraphTest, SeekWhilePlayingFlushesBothPinsAndRestartsStreamTime) {
    // Long enough (20 s) that the seek comes while both streams still play.
    StreamParams a = Audio(400, 500000), v = Video(2000, 100000);
    Pipeline pl(&a, &v, false);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForCount(3, kWait));
    ASSERT_EQ(pl.video->Log().EndOfStreamCount(), 0);

    REFERENCE_TIME to = UNITS;  // frame 100 of the video, block 20 of the audio
    ASSERT_EQ(pl.graph->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    EXPECT_EQ(pl.source->seeks.load(), 1);
    EXPECT_GE(pl.video->Log().FlushCount(), 1);
    EXPECT_GE(pl.audio->Log().FlushCount(), 1);
    REFERENCE_TIME pos = 0;
    pl.graph->GetCurrentPosition(&pos);
    EXPECT_GE(pos, to);

    // The first picture after the seek is frame 100, stamped 0 (frame 100 before the seek,
    // if playback got that far, was stamped 10 s), and is presented at the restarted stream
    // time (shortly after 0, not 10 s late or early). Before it, the pictures ran in order
    // from frame 0.
    auto afterSeek = [&]() -> const PresentedSample* {
        static std::vector<PresentedSample> log;
        log = pl.video->Log().Snapshot();
        for (const auto& s : log)
            if (!s.preroll && s.head == 100 && s.start == 0) return &s;
        return nullptr;
    };
    ASSERT_TRUE(test::PumpUntil([&] { return afterSeek() != nullptr; }, kWait));
    {
        bool first = true;
        uint64_t last = 0;
        for (const auto& x : pl.video->Log().Snapshot()) {
            if (x.preroll) continue;
            if (x.head == 100 && x.start == 0) break;
            EXPECT_TRUE(first ? x.head == 0 : x.head > last) << "picture " << x.head;
            first = false;
            last = x.head;
        }
        EXPECT_FALSE(first);
    }
    const PresentedSample* s = afterSeek();
    EXPECT_TRUE(s->discontinuity);
    EXPECT_GE(s->streamTime, 0);
    EXPECT_LT(s->streamTime, 2 * UNITS);
    // Audio resumed from block 20, again from stream time 0.
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            for (const auto& x : pl.audio->Log().Snapshot())
                if (x.head == 20 && x.presentAt == 0) return true;
            return false;
        },
        kWait));
    // The seek's internal pause is not reported.
    EXPECT_EQ(pl.CountQueued(EC_PAUSED), 0);
    EXPECT_EQ(pl.graph->Stop(), S_OK);
}

TEST(CFilterGraphTest, SeekWhilePausedShowsThePictureAtTheNewPosition) {
    StreamParams a = Audio(30), v = Video(75);
    Pipeline pl(&a, &v, false);
    ASSERT_EQ(pl.graph->Pause(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForPreroll(1, kWait));
    REFERENCE_TIME to = UNITS;  // frame 25
    ASSERT_EQ(pl.graph->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForPreroll(2, kWait));
    auto log = pl.video->Log().Snapshot();
    EXPECT_EQ(log.back().head, 25u);
    EXPECT_TRUE(log.back().preroll);
    EXPECT_EQ(pl.video->Log().Count(), 0u);
    REFERENCE_TIME pos = 0;
    pl.graph->GetCurrentPosition(&pos);
    EXPECT_EQ(pos, to);
    FILTER_STATE st;
    EXPECT_EQ(pl.graph->GetState(10000, &st), S_OK);
    EXPECT_EQ(st, State_Paused);
    // Relative to the current position.
    REFERENCE_TIME back = -UNITS / 2;
    ASSERT_EQ(pl.graph->SetPositions(&back, AM_SEEKING_RelativePositioning, nullptr, 0), S_OK);
    pl.graph->GetCurrentPosition(&pos);
    EXPECT_EQ(pos, UNITS / 2);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForCount(1, kWait));
    EXPECT_EQ(pl.graph->Stop(), S_OK);
}

TEST(CFilterGraphTest, SeekThroughNonMasterPinIsRefusedButTheGraphFindsTheMaster) {
    StreamParams a = Audio(10), v = Video(10);
    Pipeline pl(&a, &v, true);
    REFERENCE_TIME to = UNITS;
    EXPECT_EQ(pl.source->VideoPin()->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0),
              E_NOTIMPL);
    EXPECT_EQ(pl.source->seeks.load(), 0);
    EXPECT_EQ(pl.graph->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    EXPECT_EQ(pl.source->seeks.load(), 1);
    DWORD caps = 0;
    ASSERT_EQ(pl.graph->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x37u);
}

TEST(CFilterGraphTest, DeliveryBufferWaitDuringSeekIsReleasedByTheFlush) {
    // One buffer, kept by the renderer after presenting it: the streaming thread then waits
    // in GetDeliveryBuffer, and only the seek's flush can release it.
    StreamParams v = Video(100);
    Pipeline pl(nullptr, &v, true);
    pl.video->SetKeepLastSample(true);
    IMemAllocator* alloc = static_cast<CBaseOutputPin*>(pl.source->VideoPin())->Allocator();
    ASSERT_NE(alloc, nullptr);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.video->Log().WaitForCount(1, kWait));
    EXPECT_EQ(alloc->FreeCount(), 0);
    EXPECT_EQ(pl.source->VideoPin()->SamplesFilled(), 1);

    auto seek = std::async(std::launch::async, [&] {
        REFERENCE_TIME to = 2 * UNITS;  // frame 50
        return pl.graph->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    });
    ASSERT_EQ(seek.wait_for(kWait), std::future_status::ready);
    EXPECT_EQ(seek.get(), S_OK);
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            for (const auto& x : pl.video->Log().Snapshot())
                if (x.head == 50) return true;
            return false;
        },
        kWait));
    auto stop = std::async(std::launch::async, [&] { return pl.graph->Stop(); });
    ASSERT_EQ(stop.wait_for(kWait), std::future_status::ready);
}

TEST(CFilterGraphTest, StopAndDestroyNeverHang) {
    for (int round = 0; round < 3; ++round) {
        StreamParams a = Audio(100), v = Video(500);
        auto pl = std::make_unique<Pipeline>(&a, &v, round == 2);
        if (round == 0) {
            // Paused: the streaming threads are blocked in the renderers.
            ASSERT_EQ(pl->graph->Pause(), S_OK);
            ASSERT_TRUE(pl->video->Log().WaitForPreroll(1, kWait));
        } else {
            ASSERT_EQ(pl->graph->Run(), S_OK);
            ASSERT_TRUE(pl->video->Log().WaitForCount(2, kWait));
        }
        auto done = std::async(std::launch::async, [&] {
            if (round == 1) pl->graph->Stop();
            pl.reset();
        });
        ASSERT_EQ(done.wait_for(kWait), std::future_status::ready) << "round " << round;
    }
}

TEST(CFilterGraphTest, EventNotificationArrivesOnTheTargetThread) {
    StreamParams v = Video(3);
    Pipeline pl(nullptr, &v, true);
    QObject target;
    std::atomic<int> calls{0};
    QThread* uiThread = QThread::currentThread();
    std::atomic<bool> onUi{true};
    pl.graph->SetNotifyTarget(&target, [&] {
        if (QThread::currentThread() != uiThread) onUi = false;
        calls.fetch_add(1);
    });
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(test::PumpUntil([&] { return calls.load() >= 1; }, kWait));
    EXPECT_TRUE(onUi.load());
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
    pl.graph->Stop();
    pl.graph->SetNotifyTarget(nullptr, nullptr);
}

TEST(CFilterGraphTest, AudioOnlyAndQueriesWithoutVideo) {
    StreamParams a = Audio(3);
    Pipeline pl(&a, nullptr, true);
    long w = 0, h = 0;
    EXPECT_TRUE(FAILED(pl.graph->GetVideoSize(&w, &h)));
    EXPECT_EQ(pl.graph->GetVideoWidget(), nullptr);
    EXPECT_EQ(pl.graph->put_Volume(-903), S_OK);
    long vol = 0;
    EXPECT_EQ(pl.graph->get_Volume(&vol), S_OK);
    EXPECT_EQ(vol, -903);
    EXPECT_EQ(pl.graph->put_Volume(1), E_INVALIDARG);
    ASSERT_EQ(pl.graph->Run(), S_OK);
    ASSERT_TRUE(pl.WaitEvent(EC_COMPLETE));
}

}  // namespace
}  // namespace zvp
