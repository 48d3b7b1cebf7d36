#pragma once

#include <mutex>

#include "app/ThreadAnnotations.h"

namespace zvp {

// A recursive lock, as the filter and pin code expects: a thread that holds it may take it
// again (CSource::Stop runs under the filter lock that CBaseFilter::Stop takes too).
//
// Thread-safety analysis: the analysis sees Lock/Unlock and CAutoLock, but it cannot model
// re-entry, and a filter's state lock is reached through CBaseFilter::m_pLock, an alias the
// analysis cannot tie to the derived filter's own member. So the members a CCritSec guards
// are documented in comments, not GUARDED_BY, and functions taking one are not marked
// EXCLUDES (the callers legitimately hold it already).
class CAPABILITY("mutex") CCritSec {
  public:
    CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() ACQUIRE() { mutex_.lock(); }
    void Unlock() RELEASE() { mutex_.unlock(); }
    // For std::lock_guard / std::unique_lock.
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }
    bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

  private:
    std::recursive_mutex mutex_;
};

// Holds a CCritSec for its scope: `CAutoLock lock(&m_cSharedState);`
class SCOPED_CAPABILITY CAutoLock {
  public:
    explicit CAutoLock(CCritSec* lock) ACQUIRE(lock) : lock_(lock) { lock_->Lock(); }
    ~CAutoLock() RELEASE() { lock_->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

  private:
    CCritSec* lock_;
};

}  // namespace zvp
