#pragma once

#include <functional>
#include <string>
#include <thread>

#include "graph/GraphTypes.h"

namespace zvp {

class CVelloSource;

// Runs a source's Open (the file reads and probing of a load) on a thread of its own, so that
// a load does not hold the UI thread while the file is probed. One open at a time.
//
// Threads: Start, Wait and Busy on the owner's (UI) thread; the open on the worker, which
// touches nothing but the source it was given and then calls `done`. The owner must neither
// use nor destroy that source until Wait has returned. The thread's end orders the result
// before Wait's return, so no lock is needed. The destructor waits for the open under way.
class CSourceOpener {
  public:
    CSourceOpener() = default;
    ~CSourceOpener();
    CSourceOpener(const CSourceOpener&) = delete;
    CSourceOpener& operator=(const CSourceOpener&) = delete;

    // Opens `path` into `source` on a new thread (after waiting for the previous open);
    // `done` (may be empty) runs on that thread once the open has ended, so must only post
    // work to the owner's thread.
    void Start(CVelloSource* source, std::string path, std::function<void()> done);
    // Returns once no open runs; the result of the last open (S_OK when none ran).
    HRESULT Wait();
    // An open was started and not yet waited for.
    bool Busy() const { return thread_.joinable(); }

  private:
    std::thread thread_;
    HRESULT result_ = S_OK;  // written by the worker; read after the join
};

}  // namespace zvp
