#pragma once

#include <cstdint>
#include <thread>

#include "app/Mutex.h"
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
// Life: Create() starts ThreadProc on a new thread, which first gets the crash handler's
// alternate signal stack (PrepareCrashHandlerThread). The derived class must make ThreadProc
// end and call Close() in its own destructor (this base's destructor only joins, and a
// ThreadProc still running then would run on a half-destroyed object).
class CAMThread {
  public:
    CAMThread() = default;
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    // Starts the thread; false when one already exists or it cannot start.
    bool Create() EXCLUDES(threadLock_, mutex_);
    // Sends a request and waits for the reply (any thread but the worker).
    DWORD CallWorker(DWORD dwParam) EXCLUDES(mutex_);
    // Waits for the thread procedure to end and joins it. Call from outside the worker.
    void Close() EXCLUDES(threadLock_);
    bool ThreadExists() const EXCLUDES(threadLock_);

    // --- on the worker thread ---
    // Blocks until a request is pending and returns it (still pending).
    DWORD GetRequest() EXCLUDES(mutex_);
    // True with the pending request in *pParam (when not null); never blocks.
    bool CheckRequest(DWORD* pParam) EXCLUDES(mutex_);
    // Answers the pending request: the caller's CallWorker returns `dw`.
    void Reply(DWORD dw) EXCLUDES(mutex_);
    // Waits up to `msTimeout` ms (INFINITE_WAIT: no limit) for a request or a Wake();
    // true when a request is pending. Lets a worker idle without polling.
    bool WaitForRequest(long msTimeout) EXCLUDES(mutex_);
    // Wakes a WaitForRequest once (any thread), e.g. when a queue the worker waits on
    // gained space or a flush that kept it from buffers ended. A wake given while the
    // worker is not waiting is kept for its next wait.
    void Wake() EXCLUDES(mutex_);

    // Serialises CallWorker callers (held for a whole request/reply).
    CCritSec m_AccessLock;
    // Free for the derived class to guard its worker state.
    CCritSec m_WorkerLock;

  protected:
    virtual DWORD ThreadProc() = 0;

  private:
    void Main() EXCLUDES(mutex_);
    bool RequestPendingLocked() const REQUIRES(mutex_) { return pending_ && !replied_; }

    // Taken after threadLock_ (Create), never before it.
    mutable Mutex mutex_;
    CondVar cv_;
    bool pending_ GUARDED_BY(mutex_) = false;  // a request awaits its reply
    bool replied_ GUARDED_BY(mutex_) = false;
    bool woken_ GUARDED_BY(mutex_) = false;
    bool running_ GUARDED_BY(mutex_) = false;  // ThreadProc has not returned
    DWORD param_ GUARDED_BY(mutex_) = 0;
    DWORD reply_ GUARDED_BY(mutex_) = 0;
    // Guards thread_ (Create/Close/ThreadExists); created and joined by the controlling
    // thread.
    mutable Mutex threadLock_;
    std::thread thread_ GUARDED_BY(threadLock_);
};

}  // namespace zvp
