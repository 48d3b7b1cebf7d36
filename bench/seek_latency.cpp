// Seek latency through the player's own playback controller and engine, with the null
// renderers presenting by the clock: the file plays, and SEEKS times the controller seeks to
// a whole second picked by a fixed-seed generator (the engine seeks to whole seconds). For
// each seek it measures
//   - seek to picture: from the seek call until the video renderer presents the first picture
//     of the new segment (the discontinuity that starts it);
//   - UI block: how long the seek call kept the calling (UI) thread.
// Between seeks the clip plays on for a fifth of a second, as it does for a viewer.
//
//   seek_latency FILE [--seeks N] [--seed S] [--settle MS]
//
// Prints "name: value" lines: the positions in seconds (so that a peer can be driven to the
// same ones), then p50/p95/max of both figures in milliseconds, and how long the load kept the
// UI thread at a stretch: the file is probed on a worker as in the player, so this is the
// longest gap in the UI thread's event loop from the Load call to the first picture (the Load
// call itself, then the graph building when the probe is done). Exit status 1 when the file
// cannot be loaded or a seek shows no picture within 10 s.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/AllocatorTuning.h"
#include "engine/CClipInfo.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "playlist/CPlaybackController.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"

using namespace zvp;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    std::string file;
    int seeks = 50;
    unsigned seed = 20261209;
    int settleMs = 200;
};

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seeks" && i + 1 < argc) {
            o.seeks = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--seed" && i + 1 < argc) {
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--settle" && i + 1 < argc) {
            o.settleMs = std::max(0, std::atoi(argv[++i]));
        } else if (!a.empty() && a[0] != '-' && o.file.empty()) {
            o.file = a;
        } else {
            return false;
        }
    }
    return !o.file.empty();
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Presentations that start a segment (first play, each seek), pre-rolled ones included.
std::vector<Clock::time_point> SegmentStarts(const CPresentationLog& log) {
    std::vector<Clock::time_point> out;
    for (const PresentedSample& s : log.Snapshot())
        if (s.discontinuity) out.push_back(s.wall);
    return out;
}

// Runs the event loop (as the window's thread does) until `done` or `timeoutMs` passes.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 2);
    }
    return true;
}

void PrintStats(const char* name, const std::vector<double>& ms) {
    std::printf("%s p50 ms: %.1f\n", name, Percentile(ms, 0.50));
    std::printf("%s p95 ms: %.1f\n", name, Percentile(ms, 0.95));
    std::printf("%s max ms: %.1f\n", name,
                ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
}

}  // namespace

int main(int argc, char** argv) {
    zvp::SetAllocatorThresholds();  // as the player does
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: seek_latency FILE [--seeks N] [--seed S] [--settle MS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetSubtitleHost(std::make_shared<CMemorySubtitleHost>());

    QWidget window;
    window.resize(640, 360);
    CPlaybackController controller;
    if (!controller.Initialize(&window)) {
        std::fprintf(stderr, "cannot create the engine window\n");
        return 1;
    }
    CNullVideoRenderer* video = nullptr;
    EngineRenderers renderers;
    renderers.video = [&video] {
        auto r = std::make_unique<CNullVideoRenderer>(false);
        r->SetTakesFramePlanes(true);
        video = r.get();
        return std::unique_ptr<CBaseFilter>(std::move(r));
    };
    renderers.audio = [] {
        return std::unique_ptr<CBaseFilter>(std::make_unique<CNullAudioRenderer>(false));
    };
    controller.GetEngine().SetRenderers(renderers);
    controller.GetEngine().SetBackgroundLoad(true);

    // A heartbeat on the UI thread: the longest gap between its beats is the longest the
    // event loop was held.
    Clock::time_point lastBeat = Clock::now();
    double longestGapMs = 0.0;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longestGapMs = std::max(longestGapMs, Ms(now - lastBeat));
        lastBeat = now;
    });

    CClipInfo clip;
    clip.path = o.file;
    heartbeat.start();
    lastBeat = Clock::now();
    const bool loaded = controller.Load(&clip);
    if (loaded) controller.TogglePlay();
    longestGapMs = std::max(longestGapMs, Ms(Clock::now() - lastBeat));
    if (!loaded || !PumpUntil([&] { return !controller.GetEngine().IsLoading(); }, 10000) ||
        !video) {
        std::fprintf(stderr, "cannot load %s (or it has no video)\n", o.file.c_str());
        return 1;
    }
    if (!PumpUntil([&] { return !SegmentStarts(video->Log()).empty(); }, 10000)) {
        std::fprintf(stderr, "no first picture\n");
        return 1;
    }
    heartbeat.stop();
    const double loadMs = longestGapMs;

    // Whole seconds that leave at least a second of play after the settle time.
    const int last = std::max(0, int(clip.duration) - 2);
    std::mt19937 random(o.seed);
    std::vector<int> positions;
    for (int i = 0; i < o.seeks; ++i) positions.push_back(int(random() % unsigned(last + 1)));

    std::vector<double> toPicture, blocked;
    for (int target : positions) {
        const size_t before = SegmentStarts(video->Log()).size();
        const Clock::time_point start = Clock::now();
        controller.SetPosition(target);
        blocked.push_back(Ms(Clock::now() - start));
        std::vector<Clock::time_point> starts;
        if (!PumpUntil(
                [&] {
                    starts = SegmentStarts(video->Log());
                    return starts.size() > before;
                },
                10000)) {
            std::fprintf(stderr, "seek to %d s showed no picture\n", target);
            return 1;
        }
        toPicture.push_back(Ms(starts[before] - start));
        const Clock::time_point settled = Clock::now() + std::chrono::milliseconds(o.settleMs);
        PumpUntil([&] { return Clock::now() >= settled; }, o.settleMs + 1000);
    }
    controller.Stop();
    controller.CloseMedia();

    std::printf("file: %s\n", o.file.c_str());
    std::printf("seeks: %zu\n", positions.size());
    std::printf("positions:");
    for (int p : positions) std::printf(" %d", p);
    std::printf("\n");
    PrintStats("seek to picture", toPicture);
    PrintStats("ui block", blocked);
    std::printf("load ui block ms: %.1f\n", loadMs);
    ShutdownSubtitles();
    return 0;
}
