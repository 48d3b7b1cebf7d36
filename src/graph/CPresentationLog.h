#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "graph/GraphTypes.h"

namespace zvp {

// One presentation by a null renderer.
struct PresentedSample {
    bool timed = false;             // the sample carried a start time
    REFERENCE_TIME start = 0;       // its start time (0 when untimed)
    REFERENCE_TIME stop = 0;        // its stop time (start + 1 without one)
    REFERENCE_TIME presentAt = 0;   // stream time it was due (start, or the audio position)
    bool haveStreamTime = false;    // streamTime is valid (running with a clock)
    REFERENCE_TIME streamTime = 0;  // clock stream time when presented
    std::chrono::steady_clock::time_point wall;  // wall time when presented
    long bytes = 0;                              // actual data length
    uint64_t head = 0;     // the first 8 data bytes (little-endian), 0 if shorter
    bool preroll = false;  // shown as the poster frame while paused
    bool discontinuity = false;
};

// What a null renderer presented, for tests and benchmarks. Threads: Add/Note* on the
// streaming or flushing thread, the readers on any thread; all guarded by `lock_`.
class CPresentationLog {
  public:
    void Add(const PresentedSample& s);
    void NoteFlush();
    void NoteEndOfStream();
    std::vector<PresentedSample> Snapshot() const;
    size_t Count() const;  // presentations other than pre-rolls
    size_t PrerollCount() const;
    int FlushCount() const;
    int EndOfStreamCount() const;
    long long TotalBytes() const;  // bytes of presentations other than pre-rolls
    void Clear();
    // Waits until Count() >= n (false after `timeout`).
    bool WaitForCount(size_t n, std::chrono::milliseconds timeout) const;
    bool WaitForPreroll(size_t n, std::chrono::milliseconds timeout) const;

  private:
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<PresentedSample> samples_;  // guarded by lock_
    size_t count_ = 0;                      // guarded by lock_
    size_t prerolls_ = 0;                   // guarded by lock_
    long long bytes_ = 0;                   // guarded by lock_
    int flushes_ = 0;                       // guarded by lock_
    int eos_ = 0;                           // guarded by lock_
};

}  // namespace zvp
