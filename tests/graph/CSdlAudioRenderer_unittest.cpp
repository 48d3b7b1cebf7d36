// The SDL audio renderer through SDL's disk driver: what reaches the "device" file is what
// was delivered, scaled by the volume, and the clock follows what was played.
#include "graph/CSdlAudioRenderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "graph/CFilterGraph.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/ManualSource.h"
#include "graph/TestSource.h"
#include "support/FileWatch.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace std::chrono_literals;
using test::CManualFilter;

constexpr int kRate = 8000;
constexpr int kChannels = 2;

// A recognisable signal: a ramp that never is 0.
std::vector<int16_t> Signal(int frames, int offset) {
    std::vector<int16_t> s(size_t(frames * kChannels));
    for (int i = 0; i < frames; ++i) {
        int16_t v = int16_t(1000 + ((i + offset) * 37) % 20000);
        s[size_t(2 * i)] = v;
        s[size_t(2 * i + 1)] = int16_t(-v);
    }
    return s;
}

struct DiskAudio {
    test::TempDir dir;
    std::string file = dir.file("out.raw");
    DiskAudio() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    }
    ~DiskAudio() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    std::vector<int16_t> Read() const {
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<int16_t> out(bytes.size() / 2);
        std::memcpy(out.data(), bytes.data(), out.size() * 2);
        return out;
    }
};

struct AudioGraph {
    std::unique_ptr<CFilterGraph> graph = std::make_unique<CFilterGraph>();
    CManualFilter* src = nullptr;
    CSdlAudioRenderer* audio = nullptr;

    AudioGraph() {
        CMediaType pcm;
        pcm.InitAudioPcm(kChannels, kRate);
        auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{pcm});
        src = f.get();
        src->Pin()->bytes = 4000 * kChannels * 2;
        auto r = std::make_unique<CSdlAudioRenderer>();
        audio = r.get();
        graph->AddFilter(std::move(f), "src");
        graph->AddFilter(std::move(r), "Audio Renderer");
        EXPECT_EQ(graph->Connect(src->Pin(), CFilterGraph::FindInputPin(audio)), S_OK);
    }

    // Delivers `blocks` blocks of 0.1 s from the test thread, then end of stream.
    std::vector<int16_t> Play(int blocks) {
        std::vector<int16_t> all;
        for (int b = 0; b < blocks; ++b) {
            auto sig = Signal(kRate / 10, b * kRate / 10);
            CSampleRef s;
            EXPECT_EQ(src->Pin()->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
            std::memcpy(s->Data(), sig.data(), sig.size() * 2);
            s->SetActualDataLength(long(sig.size() * 2));
            EXPECT_EQ(src->Pin()->Deliver(s.get()), S_OK);
            all.insert(all.end(), sig.begin(), sig.end());
        }
        EXPECT_EQ(src->Pin()->DeliverEndOfStream(), S_OK);
        return all;
    }

    bool WaitComplete() {
        auto deadline = std::chrono::steady_clock::now() + 20s;
        long c;
        LONG_PTR a, b;
        while (std::chrono::steady_clock::now() < deadline)
            if (graph->GetEvent(&c, &a, &b, 200) == S_OK && c == EC_COMPLETE) return true;
        return false;
    }
};

// The captured frames that are not silent. The device plays silence before and after the
// stream and, when the queue runs dry on a loaded machine, inside it; the signal itself has
// no silent frame.
std::vector<int16_t> SoundFrames(const std::vector<int16_t>& pcm) {
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < pcm.size(); i += kChannels)
        if (pcm[i] != 0 || pcm[i + 1] != 0) out.insert(out.end(), {pcm[i], pcm[i + 1]});
    return out;
}

// The captured stream, from its first non-silent sample.
std::vector<int16_t> FromFirstSound(const std::vector<int16_t>& pcm) {
    size_t i = 0;
    while (i < pcm.size() && pcm[i] == 0) ++i;
    i -= i % kChannels;
    return std::vector<int16_t>(pcm.begin() + long(i), pcm.end());
}

void PlayAtVolume(long volume, double* measuredGain, bool* silent) {
    DiskAudio disk;
    std::vector<int16_t> delivered;
    {
        AudioGraph g;
        ASSERT_TRUE(g.audio->HasDevice());
        ASSERT_EQ(g.graph->put_Volume(volume), S_OK);
        ASSERT_EQ(g.graph->Run(), S_OK);
        delivered = g.Play(4);
        ASSERT_TRUE(g.WaitComplete());
        EXPECT_EQ(g.audio->QueuedBytes(), 0);
        g.graph->Stop();
    }
    auto sound = SoundFrames(disk.Read());
    *silent = sound.empty();
    if (sound.empty()) return;
    // Every delivered frame, in order, and nothing else.
    ASSERT_EQ(sound.size(), delivered.size());
    double gain = CBaseAudioRenderer::VolumeToGain(volume);
    for (size_t i = 0; i < delivered.size(); ++i) {
        ASSERT_NEAR(sound[i], std::lround(delivered[i] * gain), 1) << "sample " << i;
    }
    *measuredGain = double(sound[0]) / delivered[0];
}

TEST(CSdlAudioRendererTest, CapturedPcmIsTheDeliveredPcmScaledByVolume) {
    double gain = 0;
    bool silent = false;
    PlayAtVolume(0, &gain, &silent);
    EXPECT_FALSE(silent);
    EXPECT_NEAR(gain, 1.0, 1e-3);
    PlayAtVolume(-903, &gain, &silent);
    EXPECT_FALSE(silent);
    EXPECT_NEAR(gain, 0.354, 0.01);  // -9.03 dB
    PlayAtVolume(-10000, &gain, &silent);
    EXPECT_TRUE(silent);
}

TEST(CSdlAudioRendererTest, ClockFollowsPlayedAudioAndStandsWhilePaused) {
    DiskAudio disk;
    AudioGraph g;
    ASSERT_TRUE(g.audio->HasDevice());
    IReferenceClock* clock = g.audio->GetProvidedClock();
    ASSERT_NE(clock, nullptr);
    ASSERT_EQ(g.graph->Pause(), S_OK);
    EXPECT_EQ(g.graph->GetSyncSource(), clock);
    REFERENCE_TIME t0 = 0;
    clock->GetTime(&t0);
    ASSERT_EQ(g.graph->Run(), S_OK);
    g.Play(5);  // 0.5 s
    ASSERT_TRUE(g.WaitComplete());
    REFERENCE_TIME t1 = 0;
    clock->GetTime(&t1);
    // At least what was played has passed on the clock.
    EXPECT_GE(t1 - t0, 5 * UNITS / 10 - 50 * MILLISECONDS);

    ASSERT_EQ(g.graph->Pause(), S_OK);
    REFERENCE_TIME p1 = 0, p2 = 0;
    clock->GetTime(&p1);
    // A paused SDL device goes on playing silence into the capture file: once it has played
    // a quarter of a second more (the capture grows by two 4 KiB writes), the clock must
    // still stand where it stood.
    const std::uintmax_t pausedAt = test::FileSize(disk.file);
    ASSERT_TRUE(test::WaitForFileWrites(
        disk.file, [&] { return test::FileSize(disk.file) >= pausedAt + 2 * 4096; }));
    clock->GetTime(&p2);
    EXPECT_EQ(p2, p1);
    // Running again, it goes on from where it stood (never backwards).
    ASSERT_EQ(g.graph->Run(), S_OK);
    REFERENCE_TIME prev = p1;
    for (int i = 0; i < 1000; ++i) {
        REFERENCE_TIME t = 0;
        clock->GetTime(&t);
        ASSERT_GE(t, prev);
        prev = t;
    }
    g.graph->Stop();
}

TEST(CSdlAudioRendererTest, FlushDropsQueuedAudioAtOnce) {
    DiskAudio disk;
    AudioGraph g;
    ASSERT_EQ(g.graph->Pause(), S_OK);
    // Paused: the first block is queued and Receive returns; the queue is not drained.
    auto sig = Signal(kRate / 10, 0);
    CSampleRef s;
    ASSERT_EQ(g.src->Pin()->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
    std::memcpy(s->Data(), sig.data(), sig.size() * 2);
    s->SetActualDataLength(long(sig.size() * 2));
    ASSERT_EQ(g.src->Pin()->Deliver(s.get()), S_OK);
    EXPECT_EQ(g.audio->QueuedBytes(), static_cast<long long>(sig.size() * 2));
    ASSERT_EQ(g.src->Pin()->DeliverBeginFlush(), S_OK);
    EXPECT_EQ(g.audio->QueuedBytes(), 0);
    ASSERT_EQ(g.src->Pin()->DeliverEndFlush(), S_OK);
    s.Release();
    g.graph->Stop();
}

TEST(CSdlAudioRendererTest, TimedSampleAfterAGapIsPrecededBySilence) {
    DiskAudio disk;
    {
        AudioGraph g;
        ASSERT_EQ(g.graph->Pause(), S_OK);
        auto sig = Signal(kRate / 10, 0);
        CSampleRef s;
        ASSERT_EQ(g.src->Pin()->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
        std::memcpy(s->Data(), sig.data(), sig.size() * 2);
        s->SetActualDataLength(long(sig.size() * 2));
        REFERENCE_TIME start = UNITS / 2, stop = start + UNITS / 10;
        s->SetTime(&start, &stop);
        // Queued while paused: 0.5 s of silence, then the block.
        ASSERT_EQ(g.src->Pin()->Deliver(s.get()), S_OK);
        EXPECT_EQ(g.audio->QueuedBytes(),
                  static_cast<long long>(kRate / 2 * kChannels * 2 + sig.size() * 2));
        s.Release();
        ASSERT_EQ(g.src->Pin()->DeliverEndOfStream(), S_OK);
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(g.WaitComplete());
        g.graph->Stop();
    }
    auto captured = disk.Read();
    size_t first = captured.size() - FromFirstSound(captured).size();
    EXPECT_GE(first, size_t(kRate / 2 * kChannels));
}

TEST(CSdlAudioRendererTest, AudioClockDrivesTheVideoOfAWholeGraph) {
    DiskAudio disk;
    test::StreamParams a, v;
    a.video = false;
    a.count = 6;
    a.duration = UNITS / 10;
    a.rate = kRate;
    v.count = 25;  // 1 s of video against 0.6 s of audio
    v.duration = 400000;
    CFilterGraph graph;
    auto src = std::make_unique<test::CTestSource>(&a, &v);
    test::CTestSource* s = src.get();
    auto ar = std::make_unique<CSdlAudioRenderer>();
    CSdlAudioRenderer* audio = ar.get();
    auto vr = std::make_unique<CNullVideoRenderer>(false);
    CNullVideoRenderer* video = vr.get();
    graph.AddFilter(std::move(src), "src");
    graph.AddFilter(std::move(ar), "Audio Renderer");
    graph.AddFilter(std::move(vr), "Video Renderer");
    ASSERT_EQ(graph.Connect(s->AudioPin(), CFilterGraph::FindInputPin(audio)), S_OK);
    ASSERT_EQ(graph.Connect(s->VideoPin(), CFilterGraph::FindInputPin(video)), S_OK);
    ASSERT_EQ(graph.SetDefaultSyncSource(), S_OK);
    EXPECT_EQ(graph.GetSyncSource(), audio->GetProvidedClock());
    ASSERT_EQ(graph.Run(), S_OK);
    long c;
    LONG_PTR p1, p2;
    bool complete = false;
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!complete && std::chrono::steady_clock::now() < deadline)
        complete = graph.GetEvent(&c, &p1, &p2, 200) == S_OK && c == EC_COMPLETE;
    ASSERT_TRUE(complete);
    // The video outlasts the audio: the device clock kept running on silence.
    auto log = video->Log().Snapshot();
    EXPECT_EQ(video->Log().Count(), 25u);
    for (const auto& p : log) {
        if (p.preroll) continue;
        ASSERT_TRUE(p.haveStreamTime);
        EXPECT_GE(p.streamTime, p.start);
    }
    graph.Stop();
}

}  // namespace
}  // namespace zvp
