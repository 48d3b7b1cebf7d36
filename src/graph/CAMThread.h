#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "graph/CCritSec.h"
#include "graph/GraphTypes.h"

namespace zvp {

// A worker thread commanded by synchronous requests.
//
// Protocol: CallWorker(request) posts the request and blocks until the worker Reply()s; the
// request stays pending until then. The worker takes requests with GetRequest() (blocks),
// peeks with CheckRequest() (never blocks, leaves the request pending) or waits for one with
// a timeout (WaitForRequest). Callers are serialised: a second CallWorker waits until the
// first has its reply.
//
// Ways out: CallWorker returns E_FAIL (as DWORD) at once when no thread exists, and also
// when the thread procedure returns while the request is unanswered; Close() joins.
//
// Life: Create() starts ThreadProc on a new thread. The derived class must make ThreadProc
// end and call Close() in its own destructor (this base's destructor only joins, and a
// ThreadProc still running then would run on a half-destroyed object).
class CAMThread {
  public:
    CAMThread() = default;
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    // Starts the thread; false when one already exists or it cannot start.
    bool Create();
    // Sends a request and waits for the reply (any thread but the worker).
    DWORD CallWorker(DWORD dwParam);
    // Waits for the thread procedure to end and joins it. Call from outside the worker.
    void Close();
    bool ThreadExists() const;

    // --- on the worker thread ---
    // Blocks until a request is pending and returns it (still pending).
    DWORD GetRequest();
    // True with the pending request in *pParam (when not null); never blocks.
    bool CheckRequest(DWORD* pParam);
    // Answers the pending request: the caller's CallWorker returns `dw`.
    void Reply(DWORD dw);
    // Waits up to `msTimeout` ms (INFINITE_WAIT: no limit) for a request or a Wake();
    // true when a request is pending. Lets a worker idle without polling.
    bool WaitForRequest(long msTimeout);
    // Wakes a WaitForRequest once (any thread), e.g. when a queue the worker waits on
    // gained space.
    void Wake();

    // Serialises CallWorker callers (held for a whole request/reply).
    CCritSec m_AccessLock;
    // Free for the derived class to guard its worker state.
    CCritSec m_WorkerLock;

  protected:
    virtual DWORD ThreadProc() = 0;

  private:
    void Main();

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool pending_ = false;   // guarded by mutex_: a request awaits its reply
    bool replied_ = false;   // guarded by mutex_
    bool woken_ = false;     // guarded by mutex_
    bool running_ = false;   // guarded by mutex_: ThreadProc has not returned
    DWORD param_ = 0;        // guarded by mutex_
    DWORD reply_ = 0;        // guarded by mutex_
    std::thread thread_;     // created and joined by the controlling thread
    std::mutex threadLock_;  // guards thread_ (Create/Close/ThreadExists)
};

}  // namespace zvp
