// The default streaming loop while the allocator refuses buffers: it waits without a command
// and carries on by itself when the flush ends, and a stop still ends it.
#include "graph/CSourceStream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "graph/CFilterGraph.h"
#include "graph/CMemAllocator.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CSource.h"

namespace zvp {
namespace {

constexpr auto kGenerous = std::chrono::seconds(10);

// An endless stream of untimed PCM blocks that counts what it filled and every refused
// buffer request.
class CCountingStream : public CSourceStream {
  public:
    explicit CCountingStream(CSource* source) : CSourceStream("Counting", nullptr, source, "Out") {}
    ~CCountingStream() override = default;

    HRESULT GetMediaType(CMediaType* pmt) override {
        return pmt->InitAudioPcm(2, 48000) ? S_OK : E_FAIL;
    }
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES*) override {
        ALLOCATOR_PROPERTIES want{2, 64, 1, 0}, got;
        return pAlloc->SetProperties(&want, &got);
    }
    HRESULT GetDeliveryBuffer(CSampleRef* ppSample, REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd,
                              DWORD dwFlags) override {
        HRESULT hr = CSourceStream::GetDeliveryBuffer(ppSample, pStart, pEnd, dwFlags);
        if (FAILED(hr)) Count(refused_);
        return hr;
    }

    // Waits until more than `than` blocks were filled (buffers refused).
    bool WaitFilled(int than) { return WaitAbove(filled_, than); }
    bool WaitRefused(int than) { return WaitAbove(refused_, than); }
    int Filled() {
        std::lock_guard lock(lock_);
        return filled_;
    }
    int Refused() {
        std::lock_guard lock(lock_);
        return refused_;
    }

  protected:
    HRESULT FillBuffer(IMediaSample* pSample) override {
        pSample->SetActualDataLength(64);
        pSample->SetTime(nullptr, nullptr);
        Count(filled_);
        return S_OK;
    }

  private:
    void Count(int& counter) {
        std::lock_guard lock(lock_);
        ++counter;
        changed_.notify_all();
    }
    bool WaitAbove(int& counter, int than) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, kGenerous, [&] { return counter > than; });
    }

    std::mutex lock_;
    std::condition_variable changed_;
    int filled_ = 0;   // guarded by lock_
    int refused_ = 0;  // guarded by lock_
};

TEST(CSourceStreamTest, StreamingResumesWhenTheFlushEndsAndStopsWhileRefused) {
    CFilterGraph graph;
    auto source = std::make_unique<CSource>("source", nullptr);
    auto* pin = static_cast<CCountingStream*>(
        source->AddPin(std::make_unique<CCountingStream>(source.get())));
    auto renderer = std::make_unique<CNullAudioRenderer>(true);
    CBaseFilter* audio = renderer.get();
    graph.AddFilter(std::move(source), "source");
    graph.AddFilter(std::move(renderer), "audio");
    ASSERT_EQ(graph.Connect(pin, CFilterGraph::FindInputPin(audio)), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(pin->WaitFilled(0));

    // Only the allocator flushes: deliveries keep succeeding, buffer requests fail.
    pin->Allocator()->SetFlushing(true);
    ASSERT_TRUE(pin->WaitRefused(0));
    const int filledWhileRefused = pin->Filled();
    // No command follows: the end of the flush alone lets the thread carry on.
    ASSERT_EQ(pin->DeliverEndFlush(), S_OK);
    EXPECT_TRUE(pin->WaitFilled(filledWhileRefused));

    // A stop while buffers are refused ends the thread.
    const int refused = pin->Refused();
    pin->Allocator()->SetFlushing(true);
    ASSERT_TRUE(pin->WaitRefused(refused));
    EXPECT_EQ(graph.Stop(), S_OK);
    EXPECT_FALSE(pin->ThreadExists());
}

}  // namespace
}  // namespace zvp
