#include "graph/CAMThread.h"

#include <chrono>

#include "app/CrashHandler.h"

namespace zvp {

CAMThread::~CAMThread() {
    Close();
}

bool CAMThread::Create() {
    MutexLock tl(threadLock_);
    if (thread_.joinable()) return false;
    {
        MutexLock lock(mutex_);
        pending_ = replied_ = woken_ = false;
        running_ = true;
    }
    try {
        thread_ = std::thread([this] { Main(); });
    } catch (...) {
        MutexLock lock(mutex_);
        running_ = false;
        return false;
    }
    return true;
}

void CAMThread::Main() {
    PrepareCrashHandlerThread();
    ThreadProc();
    MutexLock lock(mutex_);
    running_ = false;
    cv_.NotifyAll();
}

DWORD CAMThread::CallWorker(DWORD dwParam) {
    CAutoLock access(&m_AccessLock);
    MutexLock lock(mutex_);
    if (!running_) return static_cast<DWORD>(E_FAIL);
    param_ = dwParam;
    replied_ = false;
    pending_ = true;
    cv_.NotifyAll();
    while (!replied_ && running_) cv_.Wait(mutex_);
    pending_ = false;
    if (!replied_) return static_cast<DWORD>(E_FAIL);
    replied_ = false;
    return reply_;
}

void CAMThread::Close() {
    MutexLock tl(threadLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool CAMThread::ThreadExists() const {
    MutexLock tl(threadLock_);
    return thread_.joinable();
}

DWORD CAMThread::GetRequest() {
    MutexLock lock(mutex_);
    while (!RequestPendingLocked()) cv_.Wait(mutex_);
    return param_;
}

bool CAMThread::CheckRequest(DWORD* pParam) {
    MutexLock lock(mutex_);
    if (!RequestPendingLocked()) return false;
    if (pParam) *pParam = param_;
    return true;
}

void CAMThread::Reply(DWORD dw) {
    MutexLock lock(mutex_);
    if (!RequestPendingLocked()) return;
    reply_ = dw;
    replied_ = true;
    cv_.NotifyAll();
}

bool CAMThread::WaitForRequest(long msTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msTimeout);
    MutexLock lock(mutex_);
    while (!RequestPendingLocked() && !woken_) {
        if (msTimeout < 0) {
            cv_.Wait(mutex_);
        } else if (!cv_.WaitUntil(mutex_, deadline)) {
            break;
        }
    }
    woken_ = false;
    return RequestPendingLocked();
}

void CAMThread::Wake() {
    MutexLock lock(mutex_);
    woken_ = true;
    cv_.NotifyAll();
}

}  // namespace zvp
