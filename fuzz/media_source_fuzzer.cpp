// Feeds arbitrary bytes to the player's source filter as a file: load, pins connected to null
// renderers that present at once, play until the end or kMaxSamples samples on a pin, a seek
// to the middle, play again, stop. Subtitles use in-memory settings.
//
// Checks, besides the sanitizers and libFuzzer's timeout (a hang is a finding): a load that
// succeeds gives a pin, and the graph stops.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "MediaInput.h"
#include "graph/CFilterGraph.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/CRendererInputPin.h"
#include "media/CVelloAudioStream.h"
#include "media/CVelloSource.h"
#include "media/CVelloVideoStream.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"

namespace {

using zvp::FAILED;
using zvp::LONG_PTR;
using zvp::REFERENCE_TIME;
using zvp::S_OK;

constexpr size_t kMaxSamples = 200;
// Play time allowed for one run before it is cut short; bad input may stall a pin.
constexpr auto kRunLimit = std::chrono::seconds(3);

struct Playback {
    std::unique_ptr<zvp::CFilterGraph> graph = std::make_unique<zvp::CFilterGraph>();
    zvp::CVelloSource* source = nullptr;
    zvp::CNullVideoRenderer* video = nullptr;
    zvp::CNullAudioRenderer* audio = nullptr;

    ~Playback() {
        graph.reset();
        zvp::ShutdownSubtitles();
    }

    bool Load(const std::string& file) {
        auto owned = std::make_unique<zvp::CVelloSource>();
        source = owned.get();
        graph->AddFilter(std::move(owned), "source");
        if (FAILED(source->Load(file))) return false;
        if (!source->VideoPin() && !source->AudioPin()) __builtin_trap();
        if (source->VideoPin()) {
            auto r = std::make_unique<zvp::CNullVideoRenderer>(true);
            video = r.get();
            graph->AddFilter(std::move(r), "video");
            graph->Connect(source->VideoPin(), video->InputPin());
        }
        if (source->AudioPin()) {
            auto r = std::make_unique<zvp::CNullAudioRenderer>(true);
            audio = r.get();
            graph->AddFilter(std::move(r), "audio");
            graph->Connect(source->AudioPin(), audio->InputPin());
        }
        return true;
    }

    size_t Samples() const {
        return std::max(video ? video->Log().Count() : 0, audio ? audio->Log().Count() : 0);
    }

    // Runs until the end, an abort, kMaxSamples more samples on a pin or kRunLimit.
    void Play() {
        const size_t limit = Samples() + kMaxSamples;
        graph->Run();
        const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
        while (std::chrono::steady_clock::now() < deadline && Samples() < limit) {
            long code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (graph->GetEvent(&code, &p1, &p2, 20) != S_OK) continue;
            graph->FreeEventParams(code, p1, p2);
            if (code == zvp::EC_COMPLETE || code == zvp::EC_ERRORABORT) break;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zvp::fuzz::MediaInput input;
    static const bool host = [] {
        zvp::SetSubtitleHost(std::make_shared<zvp::CMemorySubtitleHost>());
        return true;
    }();
    (void)host;
    const std::string path =
        input.Write(std::string_view(reinterpret_cast<const char*>(data), size));
    Playback p;
    if (!p.Load(path)) return 0;
    p.graph->Pause();
    p.Play();
    REFERENCE_TIME duration = 0;
    if (p.graph->GetDuration(&duration) == S_OK && duration > 0) {
        REFERENCE_TIME at = duration / 2;
        p.graph->SetPositions(&at, zvp::AM_SEEKING_AbsolutePositioning, nullptr, 0);
        p.Play();
    }
    if (p.graph->Stop() != S_OK) __builtin_trap();
    return 0;
}
