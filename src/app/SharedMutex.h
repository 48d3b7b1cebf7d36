#pragma once

#include <shared_mutex>

#include "app/ThreadAnnotations.h"

namespace zvp {

// A reader/writer lock the thread-safety analysis knows (std::shared_mutex underneath).
class CAPABILITY("shared mutex") SharedMutex {
  public:
    SharedMutex() = default;
    SharedMutex(const SharedMutex&) = delete;
    SharedMutex& operator=(const SharedMutex&) = delete;

    void Lock() ACQUIRE() { mutex_.lock(); }
    void Unlock() RELEASE() { mutex_.unlock(); }
    void LockShared() ACQUIRE_SHARED() { mutex_.lock_shared(); }
    void UnlockShared() RELEASE_SHARED() { mutex_.unlock_shared(); }

  private:
    std::shared_mutex mutex_;
};

// Holds a SharedMutex exclusively, or shared (with `Shared{}`), for its scope.
class SCOPED_CAPABILITY SharedMutexLock {
  public:
    // Exclusive.
    explicit SharedMutexLock(SharedMutex& mutex) ACQUIRE(mutex) : mutex_(mutex), shared_(false) {
        mutex_.Lock();
    }
    // Shared.
    struct Shared {};
    SharedMutexLock(SharedMutex& mutex, Shared) ACQUIRE_SHARED(mutex)
        : mutex_(mutex), shared_(true) {
        mutex_.LockShared();
    }
    ~SharedMutexLock() RELEASE() {
        if (shared_) {
            mutex_.UnlockShared();
        } else {
            mutex_.Unlock();
        }
    }
    SharedMutexLock(const SharedMutexLock&) = delete;
    SharedMutexLock& operator=(const SharedMutexLock&) = delete;

  private:
    SharedMutex& mutex_;
    const bool shared_;
};

}  // namespace zvp
