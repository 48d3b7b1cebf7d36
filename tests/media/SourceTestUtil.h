#pragma once

// Helpers for the source filter tests: a graph with the source and null renderers, a video
// renderer that keeps a digest of every picture, and the plain libavcodec reference decode.

#include <gtest/gtest.h>

#include <algorithm>
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
#include "graph/LentPicture.h"
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
// (YV12), on request the number of pixels of one colour inside a rectangle (RGB24), and a
// copy of the first picture. `rgbOnly` refuses YV12. It reads a YV12 sample's lent frame where
// there is one, unless `takesFrames` is false (then every picture arrives copied).
class DigestVideoRenderer : public CNullVideoRenderer {
  public:
    explicit DigestVideoRenderer(bool fast, bool rgbOnly = false, bool takesFrames = true)
        : CNullVideoRenderer(fast), rgbOnly_(rgbOnly), takesFrames_(takesFrames) {}

    bool TakesFramePlanes() const override { return takesFrames_; }
    // Presented pictures that came as lent frames, and those of them with rows drawn on.
    int LentPictures() {
        std::lock_guard lock(lock_);
        return lent_;
    }
    int BandedPictures() {
        std::lock_guard lock(lock_);
        return banded_;
    }
    HRESULT CheckMediaType(const CMediaType* pmt) override {
        if (rgbOnly_ && pmt && pmt->Subtype() != MEDIASUBTYPE_RGB24) return E_FAIL;
        return CNullVideoRenderer::CheckMediaType(pmt);
    }
    std::vector<uint64_t> Digests() {
        std::lock_guard lock(lock_);
        return digests_;
    }

    // Counts, in every RGB24 picture presented from now on, the pixels of the R, G, B colour
    // `rgb` inside the rectangle (top-down picture coordinates).
    struct Watch {
        int left = 0, top = 0, width = 0, height = 0;
        uint8_t rgb[3] = {};
    };
    struct Counted {
        REFERENCE_TIME start = 0;
        int pixels = 0;
    };
    void WatchColour(const Watch& watch) {
        std::lock_guard lock(lock_);
        watch_ = watch;
    }
    std::vector<Counted> CountedPictures() {
        std::lock_guard lock(lock_);
        return counted_;
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
            if (const AVFrame* frame = pSample->LentFrame()) {
                ++lent_;
                banded_ += !pSample->LentBand().empty();
                std::vector<uint8_t> packed(size_t(f.width) * size_t(f.height) * 3 / 2);
                if (PackLentPicture(*frame, pSample->LentBand(), pSample->Data(), f.width, f.height,
                                    packed.data()))
                    digests_.push_back(HashRows(packed.data(), f.width, f.height, f.width));
            } else if (f.subtype == MEDIASUBTYPE_YV12 &&
                       pSample->GetActualDataLength() >= f.width * f.height) {
                digests_.push_back(HashRows(pSample->Data(), f.width, f.height, f.width));
            }
            REFERENCE_TIME start = 0, stop = 0;
            if (f.subtype == MEDIASUBTYPE_RGB24 && watch_.width > 0 &&
                SUCCEEDED(pSample->GetTime(&start, &stop)) &&
                pSample->GetActualDataLength() >= long(CMediaType::Rgb24Stride(f.width)) * f.height)
                counted_.push_back({start, CountColour(pSample->Data(), f)});
        }
        KeepFirst(pSample);
        return CNullVideoRenderer::DoRenderSample(pSample);
    }
    void OnReceiveFirstSample(IMediaSample* pSample) override {
        KeepFirst(pSample);
        CNullVideoRenderer::OnReceiveFirstSample(pSample);
    }

  private:
    // Caller holds lock_.
    int CountColour(const uint8_t* picture, const VideoFormat& f) const {
        const int stride = int(CMediaType::Rgb24Stride(f.width));
        int n = 0;
        for (int y = std::max(watch_.top, 0); y < std::min(watch_.top + watch_.height, f.height);
             ++y) {
            const uint8_t* row = picture + static_cast<ptrdiff_t>(f.height - 1 - y) * stride;
            for (int x = std::max(watch_.left, 0);
                 x < std::min(watch_.left + watch_.width, f.width); ++x)
                n += std::memcmp(row + 3 * x, watch_.rgb, 3) == 0;
        }
        return n;
    }

    // A lent frame is kept packed as YV12 (Y, V, U), as a copied picture would be.
    void KeepFirst(IMediaSample* pSample) {
        {
            std::lock_guard lock(lock_);
            if (!first_.empty()) return;
            if (const AVFrame* frame = pSample->LentFrame()) {
                const int w = frame->width, h = frame->height;
                first_.resize(size_t(w) * size_t(h) * 3 / 2);
                if (!PackLentPicture(*frame, pSample->LentBand(), pSample->Data(), w, h,
                                     first_.data()))
                    first_.clear();
            } else {
                first_.assign(pSample->Data(), pSample->Data() + pSample->GetActualDataLength());
            }
        }
        firstSeen_.notify_all();
    }

    const bool rgbOnly_;
    const bool takesFrames_;
    std::mutex lock_;
    int lent_ = 0;    // guarded by lock_
    int banded_ = 0;  // guarded by lock_
    std::condition_variable firstSeen_;
    std::vector<uint64_t> digests_;  // guarded by lock_
    Watch watch_;                    // guarded by lock_
    std::vector<Counted> counted_;   // guarded by lock_
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
    bool Build(const std::string& file, bool fast, bool rgbOnly = false, bool takesFrames = true) {
        auto owned = std::make_unique<CVelloSource>();
        source = owned.get();
        graph->AddFilter(std::move(owned), "source");
        loadResult = source->Load(file);
        if (FAILED(loadResult)) return false;
        if (source->VideoPin()) {
            auto r = std::make_unique<DigestVideoRenderer>(fast, rgbOnly, takesFrames);
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
