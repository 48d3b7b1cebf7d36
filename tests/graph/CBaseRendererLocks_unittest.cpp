// What the renderer holds when it calls out: its hooks and its reports to the graph must run
// with neither the filter's state lock nor the renderer's own lock held, so that a hook or a
// graph may call back into the renderer from any thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "graph/CBaseRenderer.h"
#include "graph/CMemAllocator.h"
#include "graph/IMediaEventSink.h"

namespace zvp {
namespace {

constexpr auto kGenerous = std::chrono::seconds(10);

// Records each hook and event, and whether another thread could take both of the renderer's
// locks (the state lock, then the streaming-state lock through GetState) while it ran.
class CProbeRenderer : public CBaseRenderer, public IMediaEventSink {
  public:
    CProbeRenderer() : CBaseRenderer("probe", nullptr) { JoinFilterGraph(this, "probe"); }
    ~CProbeRenderer() override {
        JoinFilterGraph(nullptr, nullptr);
        // The probes of a lock that was held have finished by now: every lock is free.
        for (auto& probe : probes_) probe.wait();
    }

    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }

    HRESULT Notify(CBaseFilter*, long code, LONG_PTR, LONG_PTR) override {
        Record("event " + std::to_string(code));
        return S_OK;
    }

    // Waits until `what` was recorded.
    bool WaitFor(const std::string& what) {
        std::unique_lock lock(lock_);
        return seen_.wait_for(lock, kGenerous, [&] {
            for (const auto& s : calls_)
                if (s == what) return true;
            return false;
        });
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(lock_);
        return calls_;
    }
    std::vector<std::string> CalledUnderLock() {
        std::lock_guard lock(lock_);
        return underLock_;
    }

  protected:
    HRESULT DoRenderSample(IMediaSample*) override {
        Record("DoRenderSample");
        return S_OK;
    }
    void OnReceiveFirstSample(IMediaSample*) override { Record("OnReceiveFirstSample"); }
    void OnStartStreaming() override { Record("OnStartStreaming"); }
    void OnStopStreaming() override { Record("OnStopStreaming"); }
    void OnRunning() override { Record("OnRunning"); }
    void OnPausing() override { Record("OnPausing"); }
    void OnBeginFlush() override { Record("OnBeginFlush"); }
    void OnEndFlush() override { Record("OnEndFlush"); }
    void OnEndOfStream() override { Record("OnEndOfStream"); }
    bool IsEndOfStreamPlayed() override {
        Record("IsEndOfStreamPlayed");
        return true;
    }

  private:
    void Record(const std::string& what) {
        // A probe blocked by a lock this thread holds must outlive this call: it is kept
        // and waited for in the destructor.
        std::future<void> probe = std::async(std::launch::async, [this] {
            CAutoLock state(pStateLock());
            FILTER_STATE s;
            GetState(0, &s);
        });
        const bool free = probe.wait_for(kGenerous) == std::future_status::ready;
        std::lock_guard lock(lock_);
        probes_.push_back(std::move(probe));
        calls_.push_back(what);
        if (!free) underLock_.push_back(what);
        seen_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable seen_;
    std::vector<std::string> calls_;      // guarded by lock_
    std::vector<std::string> underLock_;  // guarded by lock_
    std::vector<std::future<void>> probes_;
};

TEST(CBaseRendererLocksTest, HooksAndReportsRunWithoutTheRenderersLocks) {
    auto allocator = CMemAllocator::Create();
    ALLOCATOR_PROPERTIES want{1, 16, 1, 0}, got;
    ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    CSampleRef sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);

    CProbeRenderer r;
    const std::string paused = "event " + std::to_string(EC_PAUSED);
    const std::string complete = "event " + std::to_string(EC_COMPLETE);
    const std::string flushed = "event " + std::to_string(EC_RENDERER_FLUSHED);

    ASSERT_EQ(r.Pause(), S_OK);
    // The poster frame arrives while paused; its presentation waits for Run.
    std::thread streaming([&] { EXPECT_EQ(r.Receive(sample.get()), S_OK); });
    ASSERT_TRUE(r.WaitFor("OnReceiveFirstSample"));
    ASSERT_EQ(r.Run(0), S_OK);
    streaming.join();
    ASSERT_EQ(r.EndOfStream(), S_OK);
    ASSERT_EQ(r.Pause(), S_OK);
    ASSERT_EQ(r.BeginFlush(), S_OK);
    ASSERT_EQ(r.EndFlush(), S_OK);
    ASSERT_EQ(r.Stop(), S_OK);
    sample.Release();

    // The presentation runs on the streaming thread once the renderer runs: it has no order
    // with OnRunning.
    std::vector<std::string> calls = r.Calls();
    const auto rendered = std::find(calls.begin(), calls.end(), "DoRenderSample");
    ASSERT_NE(rendered, calls.end());
    calls.erase(rendered);
    EXPECT_EQ(calls, (std::vector<std::string>{"OnStartStreaming", paused, "OnReceiveFirstSample",
                                               "OnRunning", "OnEndOfStream", "IsEndOfStreamPlayed",
                                               complete, "OnPausing", paused, flushed,
                                               "OnBeginFlush", "OnEndFlush", "OnStopStreaming"}));
    EXPECT_EQ(r.CalledUnderLock(), std::vector<std::string>{});
}

}  // namespace
}  // namespace zvp
