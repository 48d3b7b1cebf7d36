// Load/play/seek/stop cycles of the real engine over the test media, watching the process for
// growth: resident memory, heap in use, open descriptors and threads.
//   usage: soak_bench [--cycles N] [--every K] [--tick-ms T] [--no-bounds] [MEDIA_DIR]
// --no-bounds prints the same figures but exits 0 past a bound: a few cycles measure the
// allocator warming up (the sanitizer's quarantine filling), not growth.
// MEDIA_DIR defaults to $ZVP_MEDIA_DIR. Every clip of the folder takes part but hd1080.mp4 and
// silence_hour.flac (too slow to open for a cycle); a clip that does not load is a cycle of
// its own (the failure path is part of the soak).
//
// A cycle: Load, Play, the first position tick, a seek to a third of the duration, a pause on
// odd cycles, then in turn Stop, nothing (the next Load replaces the file), or Abort and Play.
// --tick-ms restarts the engine's position tick at T ms after each Play (the engine's own
// period is 250 ms), so a cycle waits less for its first tick: cheaper cycles under the
// sanitizers, with the same calls into the engine.
// Every K cycles (50) the engine is stopped, pending deletions are run and the figures are
// printed; the first sample is the baseline, later ones also print their growth since it.
// Exit status 1 when a growth passes its bound (heap 4 MiB, resident 32 MiB, 96 MiB under
// AddressSanitizer, any descriptor or thread), 2 on bad use or when a clip never ticks.
#include <dirent.h>
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/AllocatorTuning.h"
#include "app/IObserver.h"
#include "app/TimerService.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineDS.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZVP_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZVP_SOAK_ASAN 1
#endif
#endif
#ifdef ZVP_SOAK_ASAN
// The sanitizer runtime's count of bytes in use (its allocator does not feed mallinfo2).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kHeapBoundMiB = 4.0;
#ifdef ZVP_SOAK_ASAN
constexpr double kRssBoundMiB = 96.0;
#else
constexpr double kRssBoundMiB = 32.0;
#endif
// A tick comes every 250 ms; a clip that gives none within this is broken.
constexpr int kTickTimeoutMs = 20000;

struct Sample {
    double rssMiB = 0;
    double heapMiB = 0;
    long fds = 0;
    long threads = 0;
};

long StatusField(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
            return std::atol(line.c_str() + n + 1);
    }
    return -1;
}

long OpenDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    long n = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] != '.') ++n;
    }
    ::closedir(dir);
    return n - 1;  // the folder's own descriptor
}

Sample Measure() {
    Sample s;
    s.rssMiB = static_cast<double>(StatusField("VmRSS")) * 1024.0 / kMiB;
#ifdef ZVP_SOAK_ASAN
    s.heapMiB = static_cast<double>(__sanitizer_get_current_allocated_bytes()) / kMiB;
#else
    s.heapMiB = static_cast<double>(mallinfo2().uordblks) / kMiB;
#endif
    s.fds = OpenDescriptors();
    s.threads = StatusField("Threads");
    return s;
}

bool IsSoakClip(const std::string& name) {
    if (name == "hd1080.mp4" || name == "silence_hour.flac") return false;
    static const char* const kExtensions[] = {".mp4", ".avi",  ".mkv",  ".ts",   ".mpg",
                                              ".vob", ".rm",   ".mp3",  ".flac", ".wav",
                                              ".ogg", ".webm", ".h264", ".bin"};
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* ext) {
        const size_t n = std::strlen(ext);
        return name.size() > n && name.compare(name.size() - n, n, ext) == 0;
    });
}

std::vector<std::string> SoakClips(const std::string& folder) {
    std::vector<std::string> clips;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            if (IsSoakClip(e->d_name)) clips.push_back(folder + "/" + e->d_name);
        }
        ::closedir(dir);
    }
    std::sort(clips.begin(), clips.end());
    return clips;
}

// Counts the engine's position ticks (UI thread).
class TickCounter : public zvp::IObserver {
  public:
    void OnNotify(zvp::ISubject*, std::string, zvp::HandlerKey, zvp::EventArg,
                  zvp::EventArg) override {
        ++ticks;
    }
    int ticks = 0;
};

// Runs the event loop until `done` holds (true) or `timeoutMs` passes (false).
template <typename Done>
bool PumpUntil(Done done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void PrintSample(int cycle, const Sample& s) {
    std::printf("cycle %d: rss_mib %.1f heap_mib %.2f fds %ld threads %ld\n", cycle, s.rssMiB,
                s.heapMiB, s.fds, s.threads);
}

}  // namespace

int main(int argc, char** argv) {
    zvp::SetAllocatorThresholds();  // as the player does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    int cycles = 500;
    int every = 50;
    int tickMs = 0;
    bool bounds = true;
    const char* env = std::getenv("ZVP_MEDIA_DIR");
    std::string folder = env ? env : "media";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--cycles" && i + 1 < argc) {
            cycles = std::atoi(argv[++i]);
        } else if (a == "--every" && i + 1 < argc) {
            every = std::atoi(argv[++i]);
        } else if (a == "--tick-ms" && i + 1 < argc) {
            tickMs = std::atoi(argv[++i]);
        } else if (a == "--no-bounds") {
            bounds = false;
        } else if (!a.empty() && a[0] != '-') {
            folder = a;
        } else {
            std::fprintf(stderr,
                         "usage: soak_bench [--cycles N] [--every K] [--tick-ms T] [--no-bounds] "
                         "[MEDIA_DIR]\n");
            return 2;
        }
    }
    const std::vector<std::string> clips = SoakClips(folder);
    if (cycles < every || every < 1 || clips.empty()) {
        std::fprintf(stderr, "soak_bench: no clips in %s, or fewer cycles than --every\n",
                     folder.c_str());
        return 2;
    }
    // The figures interleave with the engine's log on the same stream.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("soak: %d cycles over %zu clips of %s\n", cycles, clips.size(), folder.c_str());

    QApplication app(argc, argv);
    QWidget host;
    host.resize(320, 240);
    int status = 0;
    {
        zvp::CEngineDS engine;
        engine.Create(&host);
        engine.resize(320, 240);
        TickCounter ticks;
        engine.Attach(&ticks, "PositionChanged", 0);
        zvp::CClipInfo clip;
        Sample base;
        Sample last;
        int failedLoads = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        // Milliseconds spent in each step, summed over the cycles.
        double loadMs = 0;
        double firstTickMs = 0;
        double endMs = 0;
        QElapsedTimer step;
        const auto lap = [&step](double& sum) {
            sum += static_cast<double>(step.nsecsElapsed()) / 1e6;
            step.restart();
        };
        const Sample start = Measure();
        PrintSample(0, start);

        for (int cycle = 1; cycle <= cycles && status == 0; ++cycle) {
            clip = zvp::CClipInfo();
            clip.path = clips[static_cast<size_t>(cycle - 1) % clips.size()];
            step.start();
            const bool loaded = engine.Load(&clip);
            lap(loadMs);
            if (!loaded) {
                ++failedLoads;
            } else {
                ticks.ticks = 0;
                engine.Play();
                if (tickMs > 0 && engine.GetStateName() == "Playing") {
                    zvp::TimerService::Instance().StartTimer(
                        zvp::CEngineDS::kPositionTimerId, static_cast<uint32_t>(tickMs), &engine);
                }
                if (!PumpUntil([&] { return ticks.ticks > 0 || !engine.GetGraph(); },
                               kTickTimeoutMs)) {
                    std::fprintf(stderr, "soak_bench: no position tick from %s\n",
                                 clip.path.c_str());
                    status = 2;
                    break;
                }
                lap(firstTickMs);
                engine.SetPosition(engine.GetDuration() / 3.0);
                if (cycle % 2 == 1) engine.Pause();
                switch (cycle % 3) {
                    case 0:
                        engine.Stop();
                        break;
                    case 1:  // the next Load replaces the file
                        break;
                    default:
                        engine.Abort();
                        engine.Play();
                        break;
                }
                lap(endMs);
            }
            if (cycle % every != 0) continue;

            engine.Stop();
            Settle();
            last = Measure();
            PrintSample(cycle, last);
            if (cycle == every) {
                base = last;
                continue;
            }
            const Sample growth{last.rssMiB - base.rssMiB, last.heapMiB - base.heapMiB,
                                last.fds - base.fds, last.threads - base.threads};
            std::printf(
                "  growth since cycle %d: rss_mib %+.1f heap_mib %+.2f fds %+ld threads %+ld\n",
                every, growth.rssMiB, growth.heapMiB, growth.fds, growth.threads);
            if (growth.heapMiB > kHeapBoundMiB || growth.rssMiB > kRssBoundMiB || growth.fds > 0 ||
                growth.threads > 0) {
                std::printf(
                    "soak: growth past its bound (heap %.0f MiB, rss %.0f MiB, no fd or "
                    "thread)\n",
                    kHeapBoundMiB, kRssBoundMiB);
                status = 1;
            }
        }
        engine.Detach(&ticks);
        const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
        std::printf("soak: %d cycles in %.1f s (%.0f ms a cycle), %d failed loads\n", cycles,
                    seconds, seconds * 1000.0 / cycles, failedLoads);
        std::printf(
            "soak: ms a cycle: load %.0f, play to the first tick %.0f, seek to the end "
            "of the cycle %.0f\n",
            loadMs / cycles, firstTickMs / cycles, endMs / cycles);
        const bool grown = status == 1;
        std::printf("RESULT|soak heap growth MiB|%.2f|-|-|<= %.0f|%s\n",
                    last.heapMiB - base.heapMiB, kHeapBoundMiB, grown ? "missed" : "met");
        std::printf("RESULT|soak rss growth MiB|%.1f|-|-|<= %.0f|%s\n", last.rssMiB - base.rssMiB,
                    kRssBoundMiB, grown ? "missed" : "met");
        std::printf("RESULT|soak cycle ms|%.0f|-|-|-|-\n", seconds * 1000.0 / cycles);
    }
    return bounds ? status : 0;
}
