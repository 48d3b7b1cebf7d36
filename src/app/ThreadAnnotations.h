#pragma once

// Clang's thread-safety attributes. The clang build checks them (-Wthread-safety, as errors);
// for other compilers every macro expands to nothing.
//
// std::mutex carries no attributes in libstdc++: annotated code locks the wrappers of
// app/Mutex.h and app/SharedMutex.h instead.

#if defined(__clang__)
#define ZVP_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define ZVP_THREAD_ANNOTATION(x)
#endif

// A class that is a lock.
#define CAPABILITY(x) ZVP_THREAD_ANNOTATION(capability(x))
// A class whose object holds a lock for its scope.
#define SCOPED_CAPABILITY ZVP_THREAD_ANNOTATION(scoped_lockable)

// A member that may be used only while the lock is held.
#define GUARDED_BY(x) ZVP_THREAD_ANNOTATION(guarded_by(x))
// A pointer whose pointee may be used only while the lock is held.
#define PT_GUARDED_BY(x) ZVP_THREAD_ANNOTATION(pt_guarded_by(x))

// Lock order: this lock is taken before (after) the others.
#define ACQUIRED_BEFORE(...) ZVP_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) ZVP_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))

// The caller holds the lock (exclusively, or at least shared).
#define REQUIRES(...) ZVP_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) ZVP_THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))

// The function takes (gives up) the lock and returns holding it (without it).
#define ACQUIRE(...) ZVP_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) ZVP_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) ZVP_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) ZVP_THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) ZVP_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))

// The caller must not hold the lock (the function takes it, or calls out to what may).
#define EXCLUDES(...) ZVP_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

// The function returns a reference to the lock.
#define RETURN_CAPABILITY(x) ZVP_THREAD_ANNOTATION(lock_returned(x))

// The function is not checked (it hands the lock to a foreign waiter).
#define NO_THREAD_SAFETY_ANALYSIS ZVP_THREAD_ANNOTATION(no_thread_safety_analysis)
