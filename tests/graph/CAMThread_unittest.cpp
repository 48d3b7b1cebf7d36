// The synchronous request/reply protocol of the worker-thread helper.
#include "graph/CAMThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

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
    EXPECT_EQ(call.wait_for(100ms), std::future_status::timeout);
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

class CWaitingThread : public CAMThread {
  public:
    ~CWaitingThread() override { Close(); }
    std::atomic<int> wakes{0};

  protected:
    DWORD ThreadProc() override {
        for (;;) {
            if (WaitForRequest(INFINITE_WAIT)) {
                DWORD r = GetRequest();
                Reply(r);
                if (r == 0) return 0;
            } else {
                wakes.fetch_add(1);
            }
        }
    }
};

TEST(CAMThreadTest, WaitForRequestWakesOnRequestAndOnWake) {
    CWaitingThread t;
    ASSERT_TRUE(t.Create());
    t.Wake();
    EXPECT_EQ(t.CallWorker(5), 5u);
    EXPECT_EQ(t.CallWorker(0), 0u);
    t.Close();
    EXPECT_LE(t.wakes.load(), 1);
}

}  // namespace
}  // namespace zvp
