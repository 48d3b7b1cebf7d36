// Plays one file through the real engine with the null renderers and reports how it went.
//
//   zvp-playcheck FILE [--realtime] [--no-seek] [--limit SECONDS]
//
// Load, Play, a seek to half the duration, then waits for the end of playback. The engine's
// own log lines say how the load and the playback ended; this program adds one summary line
//   playcheck: <loaded|load-failed> ended=<event|none> wall=<s> video_end=<s> audio_end=<s>
//              samples=<video>/<audio> size=<bytes>
// (video_end/audio_end: the end time of the last picture and audio block presented, -1 for
// none). --realtime presents by the clock (default: at once); --no-seek skips the seek;
// --limit bounds the wait (default 20 s), after which the playback is stopped and
// "ended=timeout" is reported.
// Exit status: 0 when the load failed or the playback ended, 1 on timeout, 2 on bad usage.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ISubject.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineDS.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"

using namespace zvp;

namespace {

struct Options {
    std::string file;
    bool realtime = false;
    bool seek = true;
    double limit = 20.0;
};

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--realtime") {
            o.realtime = true;
        } else if (a == "--no-seek") {
            o.seek = false;
        } else if (a == "--limit" && i + 1 < argc) {
            o.limit = std::atof(argv[++i]);
        } else if (a == "--" && i + 1 < argc && o.file.empty()) {
            o.file = argv[++i];
        } else if (!a.empty() && a[0] != '-' && o.file.empty()) {
            o.file = a;
        } else {
            return false;
        }
    }
    return !o.file.empty() && o.limit > 0;
}

// End time in seconds of the last presentation in `log`, -1 when nothing was presented.
double LastEnd(const CPresentationLog& log) {
    double last = -1.0;
    for (const PresentedSample& s : log.Snapshot())
        if (!s.preroll && s.timed) last = std::max(last, s.stop / 1e7);
    return last;
}

// Watches the engine's events; keeps the renderers' figures while their graph exists (the
// engine releases the graph on the way to "Completed").
class Watcher : public IObserver {
  public:
    explicit Watcher(CEngineDS& engine) : engine_(engine) {
        for (const char* name :
             {"PositionChanged", "Stopped", "Completed", "UserAbort", "ErrorAbort", "LoadFailed"})
            engine_.Attach(this, name, 0);
    }
    ~Watcher() override { engine_.Detach(this); }

    void OnNotify(ISubject*, std::string name, HandlerKey, EventArg, EventArg) override {
        if (name == "PositionChanged") Sample();
        // The graph, and the renderers with it, is gone before these are published.
        if (name == "Stopped" || name == "LoadFailed") {
            video = nullptr;
            audio = nullptr;
        }
        if (name == "UserAbort" || name == "ErrorAbort") abortName = name;
        if (name == "Completed") {
            ended = abortName.empty() ? name : abortName;
            QApplication::quit();
        }
    }
    void Sample() {
        if (video) {
            videoEnd = std::max(videoEnd, LastEnd(video->Log()));
            videoCount = video->Log().Count();
        }
        if (audio) {
            audioEnd = std::max(audioEnd, LastEnd(audio->Log()));
            audioCount = audio->Log().Count();
        }
    }

    CNullVideoRenderer* video = nullptr;  // owned by the engine's graph
    CNullAudioRenderer* audio = nullptr;  // owned by the engine's graph
    std::string ended;
    std::string abortName;
    double videoEnd = -1.0;
    double audioEnd = -1.0;
    size_t videoCount = 0;
    size_t audioCount = 0;

  private:
    CEngineDS& engine_;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: zvp-playcheck FILE [--realtime] [--no-seek] [--limit SECONDS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget host;
    host.resize(320, 240);
    CEngineDS engine;
    engine.Create(&host);
    Watcher watcher(engine);
    const bool fast = !o.realtime;
    EngineRenderers renderers;
    renderers.video = [&watcher, fast]() -> std::unique_ptr<CBaseFilter> {
        auto r = std::make_unique<CNullVideoRenderer>(fast);
        watcher.video = r.get();
        return r;
    };
    renderers.audio = [&watcher, fast]() -> std::unique_ptr<CBaseFilter> {
        auto r = std::make_unique<CNullAudioRenderer>(fast);
        watcher.audio = r.get();
        return r;
    };
    engine.SetRenderers(renderers);

    const auto start = std::chrono::steady_clock::now();
    CClipInfo clip;
    clip.path = o.file;
    const bool loaded = engine.Load(&clip);
    bool timedOut = false;
    if (loaded) {
        engine.Play();
        if (o.seek && clip.duration > 0) engine.SetPosition(clip.duration / 2);
        QTimer bound;
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, [&] {
            timedOut = true;
            QApplication::quit();
        });
        bound.start(static_cast<int>(o.limit * 1000));
        if (watcher.ended.empty()) QApplication::exec();
        if (timedOut) {
            watcher.Sample();
            engine.Stop();
        }
    }
    if (!loaded) clip.ReadFileAttributes();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "playcheck: %s ended=%s wall=%.2f video_end=%.2f audio_end=%.2f samples=%zu/%zu "
        "size=%llu\n",
        loaded ? "loaded" : "load-failed",
        timedOut ? "timeout" : (watcher.ended.empty() ? "none" : watcher.ended.c_str()), wall,
        watcher.videoEnd, watcher.audioEnd, watcher.videoCount, watcher.audioCount,
        static_cast<unsigned long long>(clip.fileSize));
    std::fflush(stdout);
    return timedOut ? 1 : 0;
}
