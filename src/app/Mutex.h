#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/ThreadAnnotations.h"

namespace zvp {

// A non-recursive lock the thread-safety analysis knows (std::mutex underneath).
class CAPABILITY("mutex") Mutex {
  public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock() ACQUIRE() { mutex_.lock(); }
    void Unlock() RELEASE() { mutex_.unlock(); }
    bool TryLock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

  private:
    friend class CondVar;
    std::mutex mutex_;
};

// Holds a Mutex for its scope; Unlock/Lock let it go and take it again inside the scope.
class SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~MutexLock() RELEASE() {
        if (locked_) mutex_.Unlock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void Unlock() RELEASE() {
        mutex_.Unlock();
        locked_ = false;
    }
    void Lock() ACQUIRE() {
        mutex_.Lock();
        locked_ = true;
    }

  private:
    Mutex& mutex_;
    bool locked_ = true;
};

// A condition variable waited on with a held Mutex (std::condition_variable underneath).
// Waits may wake spuriously: callers loop on their condition.
class CondVar {
  public:
    CondVar() = default;
    CondVar(const CondVar&) = delete;
    CondVar& operator=(const CondVar&) = delete;

    // Releases `mutex` while waiting; returns holding it again.
    void Wait(Mutex& mutex) REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
        cv_.wait(lock);
        lock.release();
    }
    // As Wait, until `deadline`; false when the deadline passed.
    template <class Clock, class Duration>
    bool WaitUntil(Mutex& mutex, const std::chrono::time_point<Clock, Duration>& deadline)
        REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
        const bool woken = cv_.wait_until(lock, deadline) == std::cv_status::no_timeout;
        lock.release();
        return woken;
    }
    // As Wait, for at most `timeout`; false when it passed.
    template <class Rep, class Period>
    bool WaitFor(Mutex& mutex, const std::chrono::duration<Rep, Period>& timeout) REQUIRES(mutex) {
        return WaitUntil(mutex, std::chrono::steady_clock::now() + timeout);
    }

    void NotifyOne() { cv_.notify_one(); }
    void NotifyAll() { cv_.notify_all(); }

  private:
    std::condition_variable cv_;
};

}  // namespace zvp
