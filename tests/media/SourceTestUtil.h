#pragma once

// Helpers for the source filter tests: a graph with the source and null renderers, a video
// renderer that keeps a digest of every picture, and the plain libavcodec reference decode.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graph/CFilterGraph.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/CRendererInputPin.h"
#include "media/CVelloAudioStream.h"
#include "media/CVelloSource.h"
#include "media/CVelloVideoStream.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"
#include "support/TestUtil.h"

namespace zvp::test {

// FNV-1a over `rows` rows of `width` bytes, `stride` apart.
inline uint64_t HashRows(const uint8_t* data, int width, int rows, int stride) {
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* row = data + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) h = (h ^ row[x]) * 1099511628211ull;
    }
    return h;
}

// A null video renderer that also keeps, per presented picture, a digest of its Y plane
// (YV12) and, on request, a copy of the first picture. `rgbOnly` refuses YV12.
class DigestVideoRenderer : public CNullVideoRenderer {
  public:
    explicit DigestVideoRenderer(bool fast, bool rgbOnly = false)
        : CNullVideoRenderer(fast), rgbOnly_(rgbOnly) {}

    HRESULT CheckMediaType(const CMediaType* pmt) override {
        if (rgbOnly_ && pmt && pmt->Subtype() != MEDIASUBTYPE_RGB24) return E_FAIL;
        return CNullVideoRenderer::CheckMediaType(pmt);
    }
    std::vector<uint64_t> Digests() {
        std::lock_guard lock(lock_);
        return digests_;
    }
    // The first picture received (the pre-rolled one), waiting up to 20 s for it.
    std::vector<uint8_t> FirstPicture() {
        std::unique_lock lock(lock_);
        firstSeen_.wait_for(lock, std::chrono::seconds(20), [&] { return !first_.empty(); });
        return first_;
    }

  protected:
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        const VideoFormat f = Format();
        {
            std::lock_guard lock(lock_);
            if (f.subtype == MEDIASUBTYPE_YV12 &&
                pSample->GetActualDataLength() >= f.width * f.height)
                digests_.push_back(HashRows(pSample->Data(), f.width, f.height, f.width));
        }
        KeepFirst(pSample);
        return CNullVideoRenderer::DoRenderSample(pSample);
    }
    void OnReceiveFirstSample(IMediaSample* pSample) override {
        KeepFirst(pSample);
        CNullVideoRenderer::OnReceiveFirstSample(pSample);
    }

  private:
    void KeepFirst(IMediaSample* pSample) {
        {
            std::lock_guard lock(lock_);
            if (!first_.empty()) return;
            first_.assign(pSample->Data(), pSample->Data() + pSample->GetActualDataLength());
        }
        firstSeen_.notify_all();
    }

    const bool rgbOnly_;
    std::mutex lock_;
    std::condition_variable firstSeen_;
    std::vector<uint64_t> digests_;  // guarded by lock_
    std::vector<uint8_t> first_;     // guarded by lock_
};

// The graph of one file: source, and a null renderer on each of its pins.
struct Pipeline {
    std::unique_ptr<CFilterGraph> graph = std::make_unique<CFilterGraph>();
    CVelloSource* source = nullptr;
    DigestVideoRenderer* video = nullptr;
    CNullAudioRenderer* audio = nullptr;
    HRESULT loadResult = E_FAIL;

    // As the engine does when the media is closed: the graph goes, then the subtitles.
    ~Pipeline() {
        graph.reset();
        ShutdownSubtitles();
    }

    // Loads `file` and connects every pin; false when the load fails.
    bool Build(const std::string& file, bool fast, bool rgbOnly = false) {
        auto owned = std::make_unique<CVelloSource>();
        source = owned.get();
        graph->AddFilter(std::move(owned), "source");
        loadResult = source->Load(file);
        if (FAILED(loadResult)) return false;
        if (source->VideoPin()) {
            auto r = std::make_unique<DigestVideoRenderer>(fast, rgbOnly);
            video = r.get();
            graph->AddFilter(std::move(r), "video");
            EXPECT_EQ(graph->Connect(source->VideoPin(), video->InputPin()), S_OK);
        }
        if (source->AudioPin()) {
            auto r = std::make_unique<CNullAudioRenderer>(fast);
            audio = r.get();
            graph->AddFilter(std::move(r), "audio");
            EXPECT_EQ(graph->Connect(source->AudioPin(), audio->InputPin()), S_OK);
        }
        return true;
    }

    // Waits for `code` among the graph's events; false after `timeout`.
    bool WaitForEvent(long code, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            long ev = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (graph->GetEvent(&ev, &p1, &p2, long(left.count())) != S_OK) return false;
            if (ev == code) return true;
        }
    }
};

// The Y-plane digests of every picture of the best video stream, decoded with plain
// libavcodec (no threads), in output order.
std::vector<uint64_t> ReferenceDigests(const std::string& file);

// Installs an in-memory subtitle host so that tests never touch the user's settings.
class SubtitleHostEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { SetSubtitleHost(std::make_shared<CMemorySubtitleHost>()); }
    void TearDown() override { ShutdownSubtitles(); }
};

}  // namespace zvp::test
