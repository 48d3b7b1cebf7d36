#include "graph/CAMThread.h"

#include <chrono>

namespace zvp {

CAMThread::~CAMThread() {
    Close();
}

bool CAMThread::Create() {
    std::lock_guard<std::mutex> tl(threadLock_);
    if (thread_.joinable()) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = replied_ = woken_ = false;
        running_ = true;
    }
    try {
        thread_ = std::thread([this] { Main(); });
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        return false;
    }
    return true;
}

void CAMThread::Main() {
    ThreadProc();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    cv_.notify_all();
}

DWORD CAMThread::CallWorker(DWORD dwParam) {
    CAutoLock access(&m_AccessLock);
    std::unique_lock<std::mutex> lock(mutex_);
    if (!running_) return static_cast<DWORD>(E_FAIL);
    param_ = dwParam;
    replied_ = false;
    pending_ = true;
    cv_.notify_all();
    cv_.wait(lock, [&] { return replied_ || !running_; });
    pending_ = false;
    if (!replied_) return static_cast<DWORD>(E_FAIL);
    replied_ = false;
    return reply_;
}

void CAMThread::Close() {
    std::lock_guard<std::mutex> tl(threadLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool CAMThread::ThreadExists() const {
    std::lock_guard<std::mutex> tl(const_cast<std::mutex&>(threadLock_));
    return thread_.joinable();
}

DWORD CAMThread::GetRequest() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return pending_ && !replied_; });
    return param_;
}

bool CAMThread::CheckRequest(DWORD* pParam) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_ || replied_) return false;
    if (pParam) *pParam = param_;
    return true;
}

void CAMThread::Reply(DWORD dw) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_ || replied_) return;
    reply_ = dw;
    replied_ = true;
    cv_.notify_all();
}

bool CAMThread::WaitForRequest(long msTimeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [&] { return (pending_ && !replied_) || woken_; };
    if (msTimeout < 0) {
        cv_.wait(lock, ready);
    } else {
        cv_.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
    }
    woken_ = false;
    return pending_ && !replied_;
}

void CAMThread::Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    cv_.notify_all();
}

}  // namespace zvp
