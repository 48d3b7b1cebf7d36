// Figures for the graph layer:
//  - BM_AllocatorGetRelease: one GetBuffer + release of a free buffer;
//  - BM_FastPipeline: pictures per second through source pin, allocator and a null video
//    renderer in fast mode (with a null audio renderer beside it), by picture size;
//  - BM_RealTimeLateness: how late the null renderers present against the clock while
//    playing in real time (mean and worst, milliseconds).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "app/Logger.h"
#include "graph/CFilterGraph.h"
#include "graph/CMemAllocator.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/TestSource.h"

namespace zvp {
namespace {

using test::CTestSource;
using test::StreamParams;

void BM_AllocatorGetRelease(benchmark::State& state) {
    auto a = CMemAllocator::Create();
    ALLOCATOR_PROPERTIES want{4, 1 << 16, 16, 0}, got;
    a->SetProperties(&want, &got);
    a->Commit();
    for (auto _ : state) {
        CSampleRef s;
        a->GetBuffer(&s, nullptr, nullptr, 0);
        benchmark::DoNotOptimize(s.get());
    }
}
BENCHMARK(BM_AllocatorGetRelease);

struct Graph {
    std::unique_ptr<CFilterGraph> graph = std::make_unique<CFilterGraph>();
    CNullVideoRenderer* video = nullptr;
    CNullAudioRenderer* audio = nullptr;
    Graph(const StreamParams& a, const StreamParams& v, bool fast) {
        auto src = std::make_unique<CTestSource>(&a, &v);
        CTestSource* s = src.get();
        graph->AddFilter(std::move(src), "src");
        auto vr = std::make_unique<CNullVideoRenderer>(fast);
        video = vr.get();
        auto ar = std::make_unique<CNullAudioRenderer>(fast);
        audio = ar.get();
        graph->AddFilter(std::move(vr), "video");
        graph->AddFilter(std::move(ar), "audio");
        graph->Connect(s->VideoPin(), CFilterGraph::FindInputPin(video));
        graph->Connect(s->AudioPin(), CFilterGraph::FindInputPin(audio));
    }
    bool RunToEnd() {
        graph->Run();
        long c;
        LONG_PTR p1, p2;
        while (graph->GetEvent(&c, &p1, &p2, 60000) == S_OK)
            if (c == EC_COMPLETE) return true;
        return false;
    }
};

void BM_FastPipeline(benchmark::State& state) {
    const int width = int(state.range(0)), height = width * 9 / 16 / 2 * 2;
    const int frames = 300;
    for (auto _ : state) {
        StreamParams v;
        v.count = frames;
        v.width = width;
        v.height = height;
        v.buffers = 2;
        StreamParams a;
        a.video = false;
        a.count = 10;
        a.duration = UNITS / 10;
        Graph g(a, v, true);
        if (!g.RunToEnd()) state.SkipWithError("no completion");
        g.graph->Stop();
    }
    state.counters["pictures/s"] = benchmark::Counter(double(frames) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + " YV12");
}
BENCHMARK(BM_FastPipeline)
    ->Arg(320)
    ->Arg(1280)
    ->Arg(1920)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_RealTimeLateness(benchmark::State& state) {
    double meanMs = 0, worstMs = 0;
    for (auto _ : state) {
        StreamParams v;
        v.count = 50;
        v.duration = 200000;  // 20 ms pictures, 1 s
        StreamParams a;
        a.video = false;
        a.count = 10;
        a.duration = UNITS / 10;
        Graph g(a, v, false);
        if (!g.RunToEnd()) state.SkipWithError("no completion");
        g.graph->Stop();
        double sum = 0;
        int n = 0;
        for (auto* log : {&g.video->Log(), &g.audio->Log()}) {
            for (const auto& s : log->Snapshot()) {
                if (s.preroll || !s.haveStreamTime) continue;
                double late = double(s.streamTime - s.presentAt) / double(MILLISECONDS);
                sum += late;
                worstMs = std::max(worstMs, late);
                ++n;
            }
        }
        meanMs = n ? sum / n : 0;
    }
    state.counters["mean_late_ms"] = meanMs;
    state.counters["worst_late_ms"] = worstMs;
}
BENCHMARK(BM_RealTimeLateness)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvp

int main(int argc, char** argv) {
    zvp::Logger::Instance().SetStdoutOutput(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
