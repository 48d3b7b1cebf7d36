// Plays a file through the real source filter, its pins and the graph with the null
// renderers, and prints what was presented, one "name: value" per line.
//
//   pipeline_bench FILE [--fast|--realtime] [--seconds N] [--seek-every S]
//
// --fast (default): the renderers present at once, so the figures measure throughput.
// --realtime: the renderers present by the clock; the audio/video offset of each presented
//   picture (its source time minus the source time of the audio being played at that
//   instant) is reported as p50/p95/max of its magnitude in milliseconds.
// --seconds N: stop after N wall seconds (default: play to the end).
// --seek-every S: seek every S wall seconds, alternately forwards and backwards.
// --subtitle F: show the subtitle file F (SRT or ASS) over the pictures, as a file the user
//   picked.
// --digest N,M,...: prints a digest of the N-th, M-th ... presented picture (counted from 0,
//   the pre-rolled poster not counted) to compare the drawing of two builds.
// Playback starts, and resumes after each seek, once every renderer holds its first sample.
// ZVP_BENCH_VERBOSE=1 lists the pictures whose offset exceeds 20 ms on the error stream.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/AllocatorTuning.h"
#include "graph/CBaseOutputPin.h"
#include "graph/CFilterGraph.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/CRendererInputPin.h"
#include "graph/LentPicture.h"
#include "media/CVelloAudioStream.h"
#include "media/CVelloSource.h"
#include "media/CVelloVideoDecoder.h"
#include "media/CVelloVideoStream.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"

using namespace zvp;

namespace {

struct Options {
    std::string file;
    bool fast = true;
    double seconds = 0;         // 0: until the end
    double seekEvery = 0;       // 0: never
    std::string subtitle;       // external subtitle file, or empty
    std::vector<long> digests;  // ordinals of presented pictures to digest
};

// The null renderer that also digests chosen pictures (streaming thread; read after Stop).
class CDigestRenderer : public CNullVideoRenderer {
  public:
    CDigestRenderer(bool fast, std::vector<long> chosen)
        : CNullVideoRenderer(fast), chosen_(std::move(chosen)) {
        SetTakesFramePlanes(true);
    }
    const std::vector<std::string>& Lines() const { return lines_; }

  protected:
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        const long n = presented_++;
        if (std::find(chosen_.begin(), chosen_.end(), n) != chosen_.end()) {
            uint64_t h = 1469598103934665603ull;
            const auto hash = [&h](const BYTE* data, long bytes) {
                for (long i = 0; i < bytes; ++i) h = (h ^ data[i]) * 1099511628211ull;
            };
            if (const AVFrame* frame = pSample->LentFrame()) {
                // The same digest as the copy: the picture packed, the drawn rows included.
                packed_.resize(size_t(frame->width) * size_t(frame->height) * 3 / 2);
                if (PackLentPicture(*frame, pSample->LentBand(), pSample->Data(), frame->width,
                                    frame->height, packed_.data()))
                    hash(packed_.data(), long(packed_.size()));
            } else {
                hash(pSample->Data(), pSample->GetActualDataLength());
            }
            REFERENCE_TIME start = 0, stop = 0;
            pSample->GetTime(&start, &stop);
            char line[128];
            std::snprintf(line, sizeof line, "digest %ld (%lld ms): %016llx", n,
                          static_cast<long long>(start / MILLISECONDS),
                          static_cast<unsigned long long>(h));
            lines_.push_back(line);
        }
        return CNullVideoRenderer::DoRenderSample(pSample);
    }

  private:
    std::vector<long> chosen_;
    std::vector<uint8_t> packed_;
    long presented_ = 0;
    std::vector<std::string> lines_;
};

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--fast") {
            o.fast = true;
        } else if (a == "--realtime") {
            o.fast = false;
        } else if (a == "--seconds" && i + 1 < argc) {
            o.seconds = std::atof(argv[++i]);
        } else if (a == "--seek-every" && i + 1 < argc) {
            o.seekEvery = std::atof(argv[++i]);
        } else if (a == "--subtitle" && i + 1 < argc) {
            o.subtitle = argv[++i];
        } else if (a == "--digest" && i + 1 < argc) {
            for (char* p = argv[++i]; *p;) {
                o.digests.push_back(std::strtol(p, &p, 10));
                if (*p == ',')
                    ++p;
                else if (*p)
                    return false;
            }
        } else if (!a.empty() && a[0] != '-' && o.file.empty()) {
            o.file = a;
        } else {
            return false;
        }
    }
    return !o.file.empty();
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Magnitudes of the audio/video offsets, in milliseconds.
std::vector<double> Offsets(const std::vector<PresentedSample>& video,
                            const std::vector<PresentedSample>& audio, int bytesPerSecond) {
    std::vector<double> out;
    if (bytesPerSecond <= 0) return out;
    // Segments start with a discontinuity (first play, each seek); the n-th video segment
    // plays with the n-th audio segment.
    auto segmentsOf = [](const std::vector<PresentedSample>& log) {
        std::vector<int> seg(log.size());
        int n = 0;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].discontinuity && !log[i].preroll && i > 0) ++n;
            seg[i] = n;
        }
        return seg;
    };
    std::vector<PresentedSample> v, a;
    for (const auto& s : video)
        if (!s.preroll) v.push_back(s);
    for (const auto& s : audio)
        if (!s.preroll) a.push_back(s);
    const std::vector<int> vs = segmentsOf(v), as = segmentsOf(a);
    for (size_t i = 0; i < v.size(); ++i) {
        // The audio sample playing when the picture was shown.
        const PresentedSample* playing = nullptr;
        for (size_t k = 0; k < a.size(); ++k) {
            if (as[k] != vs[i] || a[k].wall > v[i].wall) continue;
            playing = &a[k];
        }
        if (!playing) continue;
        const double into =
            std::chrono::duration<double>(v[i].wall - playing->wall).count() * double(UNITS);
        const double length = double(playing->bytes) * double(UNITS) / bytesPerSecond;
        if (into > length) continue;  // an audio gap: nothing was being played
        const double audioTime = double(playing->presentAt) + into;
        out.push_back(std::fabs(double(v[i].start) - audioTime) / double(MILLISECONDS));
        if (std::getenv("ZVP_BENCH_VERBOSE") && out.back() > 20.0) {
            std::fprintf(stderr, "picture %zu at %.3f s: offset %.2f ms (late %.2f ms)\n", i,
                         double(v[i].start) / UNITS,
                         double(v[i].start) - audioTime > 0 ? out.back() : -out.back(),
                         double(v[i].streamTime - v[i].start) / MILLISECONDS);
        }
    }
    return out;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    zvp::SetAllocatorThresholds();  // as the player does
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: pipeline_bench FILE [--fast|--realtime] [--seconds N] "
                     "[--seek-every S] [--subtitle F] [--digest N,M,...]\n");
        return 2;
    }
    SetSubtitleHost(std::make_shared<CMemorySubtitleHost>());

    auto graph = std::make_unique<CFilterGraph>();
    auto owned = std::make_unique<CVelloSource>();
    CVelloSource* source = owned.get();
    graph->AddFilter(std::move(owned), "source");
    if (FAILED(source->Load(o.file))) {
        std::fprintf(stderr, "cannot load %s\n", o.file.c_str());
        return 1;
    }
    if (!o.subtitle.empty() && !OpenSubtitle(10, 0, o.subtitle)) {
        std::fprintf(stderr, "cannot open subtitle %s\n", o.subtitle.c_str());
        return 1;
    }
    CNullVideoRenderer* video = nullptr;
    CDigestRenderer* digester = nullptr;
    CNullAudioRenderer* audio = nullptr;
    if (source->VideoPin()) {
        auto r = std::make_unique<CDigestRenderer>(o.fast, o.digests);
        digester = r.get();
        video = r.get();
        graph->AddFilter(std::move(r), "video");
        if (FAILED(graph->Connect(source->VideoPin(), video->InputPin()))) return 1;
    }
    if (source->AudioPin()) {
        auto r = std::make_unique<CNullAudioRenderer>(o.fast);
        audio = r.get();
        graph->AddFilter(std::move(r), "audio");
        if (FAILED(graph->Connect(source->AudioPin(), audio->InputPin()))) return 1;
    }
    REFERENCE_TIME duration = 0;
    graph->GetDuration(&duration);

    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    // As a player does: pause until every renderer holds its first sample, then run.
    FILTER_STATE state;
    if (FAILED(graph->Pause())) return 1;
    graph->GetState(10000, &state);
    if (FAILED(graph->Run())) return 1;
    double nextSeek = o.seekEvery > 0 ? o.seekEvery : 1e300;
    int seeks = 0;
    bool complete = false;
    while (!complete) {
        const double now = elapsed();
        if (o.seconds > 0 && now >= o.seconds) break;
        double until = std::min(nextSeek, o.seconds > 0 ? o.seconds : 1e300) - now;
        long waitMs = long(std::clamp(until * 1000.0, 1.0, 1000.0));
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (graph->GetEvent(&code, &p1, &p2, waitMs) == S_OK) {
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT)
                complete = true;
        }
        if (!complete && elapsed() >= nextSeek) {
            // Alternately 3 s back and 5 s on, within the file.
            REFERENCE_TIME position = 0;
            graph->GetCurrentPosition(&position);
            position += (seeks % 2 == 0 ? 5 : -3) * UNITS;
            if (duration > 0) position = std::clamp<REFERENCE_TIME>(position, 0, duration - UNITS);
            graph->Pause();
            graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0);
            graph->GetState(10000, &state);
            graph->Run();
            ++seeks;
            nextSeek += o.seekEvery;
        }
    }
    const double wall = elapsed();
    graph->Stop();
    const double cpu = CpuSeconds() - cpu0;

    const size_t frames = video ? video->Log().Count() : 0;
    const long long bytes = audio ? audio->Log().TotalBytes() : 0;
    std::printf("file: %s\n", o.file.c_str());
    std::printf("mode: %s\n", o.fast ? "fast" : "realtime");
    std::printf("completed: %s\n", complete ? "yes" : "no");
    std::printf("seeks: %d\n", seeks);
    std::printf("frames presented: %zu\n", frames);
    std::printf("audio bytes played: %lld\n", bytes);
    std::printf("wall seconds: %.3f\n", wall);
    std::printf("CPU seconds: %.3f\n", cpu);
    std::printf("frames per second: %.1f\n", wall > 0 ? double(frames) / wall : 0.0);
    const CVelloVideoDecoder::CopyCounters& copies = CVelloVideoDecoder::Copies();
    const double converted = double(copies.pictures.load());
    std::printf("bytes copied per picture: %.0f\n",
                converted > 0 ? double(copies.copied_bytes.load()) / converted : 0.0);
    std::printf("full-picture copies per picture: %.2f\n",
                copies.picture_bytes.load() > 0
                    ? double(copies.copied_bytes.load()) / double(copies.picture_bytes.load())
                    : 0.0);
    if (digester)
        for (const std::string& line : digester->Lines()) std::printf("%s\n", line.c_str());
    if (!o.fast && video && audio) {
        const std::vector<double> offsets = Offsets(
            video->Log().Snapshot(), audio->Log().Snapshot(), audio->Format().avgBytesPerSec);
        std::printf("av offsets measured: %zu\n", offsets.size());
        std::printf("av offset p50 ms: %.2f\n", Percentile(offsets, 0.50));
        std::printf("av offset p95 ms: %.2f\n", Percentile(offsets, 0.95));
        std::printf("av offset max ms: %.2f\n",
                    offsets.empty() ? 0.0 : *std::max_element(offsets.begin(), offsets.end()));
    }
    // Memory bounds: the packet queues' limits and what they held at most, and the pictures
    // the video pin's allocator keeps.
    const CVelloSource::QueueBytes queued = source->GetQueueBytes();
    std::printf("packet queue cap bytes: %lld\n",
                static_cast<long long>(queued.videoLimit + queued.audioLimit));
    std::printf("packet queue peak bytes: %lld\n",
                static_cast<long long>(queued.videoPeak + queued.audioPeak));
    ALLOCATOR_PROPERTIES pictures{};
    if (auto* pin = dynamic_cast<CBaseOutputPin*>(source->VideoPin()); pin && pin->Allocator())
        pin->Allocator()->GetProperties(&pictures);
    std::printf("picture buffer bytes: %lld\n",
                static_cast<long long>(pictures.cBuffers) * pictures.cbBuffer);
    graph.reset();
    ShutdownSubtitles();
    return 0;
}
