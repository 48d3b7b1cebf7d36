#pragma once

#include <optional>
#include <thread>

#include "app/Mutex.h"
#include "graph/GraphTypes.h"

namespace zvp {

class CFilterGraph;

// Carries out a graph's seeks on a thread of its own, so that the file reads, flushes and
// waits of a seek do not hold the UI thread. One seek runs at a time; a request made while
// one runs waits for it, and a newer request replaces one that has not started (only the
// latest position of a slider drag is sought).
//
// The owner keeps the graph's control operations in order: before any other control call
// on the graph (run, pause, stop, volume, queries under the graph's control lock) or before
// destroying it, it calls Wait. Between Request and Wait only the seek worker controls it.
//
// Threads: Request, Wait, Busy and Target on the owner's (UI) thread; the seeks on the
// worker, which starts with the first request. `lock_` guards every field but `thread_`
// (owner's thread only); no graph call is made under it. The destructor waits for the seek
// under way and ends the worker.
class CSeekWorker {
  public:
    CSeekWorker() = default;
    ~CSeekWorker();
    CSeekWorker(const CSeekWorker&) = delete;
    CSeekWorker& operator=(const CSeekWorker&) = delete;

    // Queues an absolute seek of `graph` (alive until Wait returns) to `position` in 100 ns
    // units.
    void Request(CFilterGraph* graph, REFERENCE_TIME position) EXCLUDES(lock_);
    // Returns once no seek is queued or running.
    void Wait() EXCLUDES(lock_);
    // A seek is queued or running.
    bool Busy() EXCLUDES(lock_);
    // The position of the newest queued or running seek; nothing when idle.
    std::optional<REFERENCE_TIME> Target() EXCLUDES(lock_);
    // Seeks the graph did not take (logged by the graph), counted for tests.
    int Refused() EXCLUDES(lock_);

  private:
    struct Seek {
        CFilterGraph* graph;
        REFERENCE_TIME position;
    };
    void Main() EXCLUDES(lock_);

    Mutex lock_;
    CondVar changed_;
    std::optional<Seek> queued_ GUARDED_BY(lock_);
    std::optional<REFERENCE_TIME> running_ GUARDED_BY(lock_);
    bool exit_ GUARDED_BY(lock_) = false;
    int refused_ GUARDED_BY(lock_) = 0;
    std::thread thread_;
};

}  // namespace zvp
