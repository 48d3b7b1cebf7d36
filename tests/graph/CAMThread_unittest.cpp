// The synchronous request/reply protocol of the worker-thread helper.
#include "graph/CAMThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

namespace zvp {
namespace {

using namespace std::chrono_literals;

// A worker driven by the test: it takes requests and answers them when told to.
class CScriptedThread : public CAMThread {
  public:
    ~CScriptedThread() override {
        if (ThreadExists()) {
            CallWorker(kExit);
            Close();
        }
    }
    static constexpr DWORD kExit = 99;
    static constexpr DWORD kHold = 7;  // peeked, then answered only after `release`
    std::promise<void> holding;        // set once the held request has been peeked
    std::promise<void> release;
    std::atomic<bool> peekedPending{false};
    std::atomic<bool> stillPendingAfterPeek{false};

  protected:
    DWORD ThreadProc() override {
        for (;;) {
            DWORD req = GetRequest();
            if (req == kExit) {
                Reply(0);
                return 0;
            }
            if (req == kHold) {
                DWORD seen = 0;
                peekedPending = CheckRequest(&seen) && seen == kHold;
                holding.set_value();
                release.get_future().wait();
                stillPendingAfterPeek = CheckRequest(nullptr);
                Reply(1234);
                continue;
            }
            if (req == 13) return 5;  // ends without replying
            Reply(req + 1);
        }
    }
};

TEST(CAMThreadTest, RequestBlocksUntilRepliedAndStaysPending) {
    CScriptedThread t;
    ASSERT_TRUE(t.Create());
    EXPECT_FALSE(t.Create());
    EXPECT_EQ(t.CallWorker(41), 42u);

    auto call =
        std::async(std::launch::async, [&] { return t.CallWorker(CScriptedThread::kHold); });
    // The worker holds the request unanswered: the caller is still inside CallWorker.
    ASSERT_EQ(t.holding.get_future().wait_for(20s), std::future_status::ready);
    EXPECT_EQ(call.wait_for(0s), std::future_status::timeout);
    t.release.set_value();
    ASSERT_EQ(call.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(call.get(), 1234u);
    EXPECT_TRUE(t.peekedPending);
    EXPECT_TRUE(t.stillPendingAfterPeek);
    // After the reply nothing is pending.
    EXPECT_FALSE(t.CheckRequest(nullptr));
}

TEST(CAMThreadTest, CallsWithoutThreadOrAfterItEndedFail) {
    CScriptedThread t;
    EXPECT_EQ(t.CallWorker(1), static_cast<DWORD>(E_FAIL));
    ASSERT_TRUE(t.Create());
    // The thread ends without replying: the caller is released with a failure.
    EXPECT_EQ(t.CallWorker(13), static_cast<DWORD>(E_FAIL));
    t.Close();
    EXPECT_EQ(t.CallWorker(1), static_cast<DWORD>(E_FAIL));
    // It can be created again.
    ASSERT_TRUE(t.Create());
    EXPECT_EQ(t.CallWorker(1), 2u);
}

// Counts the WaitForRequest calls that end without a request (a Wake); the test waits on it.
class CWaitingThread : public CAMThread {
  public:
    ~CWaitingThread() override { Close(); }

    // Waits until at least `n` wakes were counted; returns the count.
    int WaitForWakes(int n) {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait_for(lock, std::chrono::seconds(20), [&] { return wakes_ >= n; });
        return wakes_;
    }
    int Wakes() {
        std::lock_guard<std::mutex> lock(m_);
        return wakes_;
    }

  protected:
    DWORD ThreadProc() override {
        for (;;) {
            if (WaitForRequest(INFINITE_WAIT)) {
                DWORD r = GetRequest();
                Reply(r);
                if (r == 0) return 0;
            } else {
                std::lock_guard<std::mutex> lock(m_);
                ++wakes_;
                cv_.notify_all();
            }
        }
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    int wakes_ = 0;  // guarded by m_
};

TEST(CAMThreadTest, WaitForRequestWakesOnRequestAndOnWake) {
    CWaitingThread t;
    ASSERT_TRUE(t.Create());
    // A Wake ends an unlimited wait without a request, once.
    t.Wake();
    ASSERT_EQ(t.WaitForWakes(1), 1);
    EXPECT_EQ(t.CallWorker(5), 5u);
    // Each Wake ends one wait, whether it comes before or during that wait.
    t.Wake();
    ASSERT_EQ(t.WaitForWakes(2), 2);
    EXPECT_EQ(t.CallWorker(0), 0u);
    t.Close();
    EXPECT_EQ(t.Wakes(), 2);
}

}  // namespace
}  // namespace zvp
