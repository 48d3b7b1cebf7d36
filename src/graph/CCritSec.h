#pragma once

#include <mutex>

namespace zvp {

// A recursive lock, as the filter and pin code expects: a thread that holds it may take it
// again (CSource::Stop runs under the filter lock that CBaseFilter::Stop takes too).
class CCritSec {
  public:
    CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    // For std::lock_guard / std::unique_lock.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

  private:
    std::recursive_mutex mutex_;
};

// Holds a CCritSec for its scope: `CAutoLock lock(&m_cSharedState);`
class CAutoLock {
  public:
    explicit CAutoLock(CCritSec* lock) : lock_(lock) { lock_->Lock(); }
    ~CAutoLock() { lock_->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

  private:
    CCritSec* lock_;
};

}  // namespace zvp
