#include "engine/CSeekWorker.h"

#include "app/CrashHandler.h"
#include "app/Logger.h"
#include "graph/CFilterGraph.h"

namespace zvp {

CSeekWorker::~CSeekWorker() {
    {
        MutexLock lock(lock_);
        exit_ = true;
    }
    changed_.NotifyAll();
    if (thread_.joinable()) thread_.join();
}

void CSeekWorker::Request(CFilterGraph* graph, REFERENCE_TIME position) {
    {
        MutexLock lock(lock_);
        queued_ = Seek{graph, position};
    }
    changed_.NotifyAll();
    if (thread_.joinable()) return;
    try {
        thread_ = std::thread([this] { Main(); });
    } catch (...) {
        // No thread: seek here, as before there was a worker.
        Log({"CSeekWorker::Request", kLogError}, "no seek thread; seeking on the caller");
        Seek seek{};
        {
            MutexLock lock(lock_);
            seek = *queued_;
            queued_.reset();
        }
        REFERENCE_TIME t = seek.position;
        seek.graph->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_NoPositioning);
    }
}

void CSeekWorker::Main() {
    PrepareCrashHandlerThread();
    MutexLock lock(lock_);
    for (;;) {
        while (!exit_ && !queued_) changed_.Wait(lock_);
        if (!queued_) return;  // exit with nothing left to do
        const Seek seek = *queued_;
        queued_.reset();
        running_ = seek.position;
        lock.Unlock();
        REFERENCE_TIME t = seek.position;
        const HRESULT hr = seek.graph->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr,
                                                    AM_SEEKING_NoPositioning);
        lock.Lock();
        running_.reset();
        if (FAILED(hr)) ++refused_;
        changed_.NotifyAll();
    }
}

void CSeekWorker::Wait() {
    MutexLock lock(lock_);
    while (queued_ || running_) changed_.Wait(lock_);
}

bool CSeekWorker::Busy() {
    MutexLock lock(lock_);
    return queued_ || running_;
}

std::optional<REFERENCE_TIME> CSeekWorker::Target() {
    MutexLock lock(lock_);
    if (queued_) return queued_->position;
    return running_;
}

int CSeekWorker::Refused() {
    MutexLock lock(lock_);
    return refused_;
}

}  // namespace zvp
