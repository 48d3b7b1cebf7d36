#include "graph/CAudioClock.h"

#include <algorithm>

namespace zvp {

REFERENCE_TIME CAudioClock::NowLocked(std::chrono::steady_clock::time_point now) {
    if (running_) {
        auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - since_);
        REFERENCE_TIME t = std::min(base_ + elapsed.count() / 100, consumed_);
        last_ = std::max(last_, t);
    }
    return last_;
}

HRESULT CAudioClock::GetTime(REFERENCE_TIME* pTime) {
    if (!pTime) return E_POINTER;
    std::lock_guard<std::mutex> lock(lock_);
    *pTime = NowLocked(std::chrono::steady_clock::now());
    return S_OK;
}

void CAudioClock::OnDeviceConsumed(REFERENCE_TIME duration) {
    std::lock_guard<std::mutex> lock(lock_);
    auto now = std::chrono::steady_clock::now();
    base_ = NowLocked(now);
    since_ = now;
    consumed_ = std::max(consumed_, base_) + duration;
}

void CAudioClock::SetRunning(bool running) {
    std::lock_guard<std::mutex> lock(lock_);
    auto now = std::chrono::steady_clock::now();
    base_ = NowLocked(now);
    since_ = now;
    running_ = running;
}

}  // namespace zvp
