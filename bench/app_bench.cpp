// Micro-benchmarks of the application shell: log lines written to a file per second and
// event deliveries per second with ten registrations.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/ISubject.h"
#include "app/Logger.h"
#include "app/ObserverHandlers.h"

namespace {

void BM_LogToFile(benchmark::State& state) {
    auto& logger = zvp::Logger::Instance();
    const auto path = std::filesystem::temp_directory_path() / "zvp-log-bench.log";
    logger.SetStdoutOutput(false);
    logger.OpenLogFile(path.string());
    int i = 0;
    for (auto _ : state)
        zvp::Log({"Bench::Log", zvp::kLogInfo}, "line %d of %s", ++i, "the benchmark");
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("lines");
    logger.OpenLogFile("/dev/null");
    std::filesystem::remove(path);
}
BENCHMARK(BM_LogToFile);

class Sink : public zvp::Observer<Sink> {
  public:
    void OnEvent(zvp::ISubject*, zvp::EventArg a, zvp::EventArg) { total += a; }
    uint64_t total = 0;
};

void BM_NotifyTenRegistrations(benchmark::State& state) {
    zvp::ISubject subject;
    Sink sinks[10];
    const char* names[] = {"MediaLoaded", "MediaPlaying", "MediaPositionChanged"};
    for (int i = 0; i < 10; ++i)
        subject.Attach(&sinks[i], names[i % 3], Sink::Handler(&Sink::OnEvent));
    for (auto _ : state) subject.Notify("MediaPositionChanged", 1, 2);
    // Deliveries: registrations whose name matched, per emit.
    state.SetItemsProcessed(state.iterations() * 3);
    state.SetLabel("deliveries");
    benchmark::DoNotOptimize(sinks[2].total);
}
BENCHMARK(BM_NotifyTenRegistrations);

}  // namespace

BENCHMARK_MAIN();
