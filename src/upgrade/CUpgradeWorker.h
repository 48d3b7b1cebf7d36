#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/Mutex.h"
#include "upgrade/IUpgradeHost.h"
#include "upgrade/UpgradeOffer.h"
#include "upgrade/WinHttpClient.h"

namespace zvp {

// The background upgrade check: on its own thread it cleans the Installer folder, asks the
// upgrade server for the latest installer of the running channel, and when that is newer and
// the relauncher is present, downloads it and queues the offer dialog onto the UI thread.
// Every outcome writes one info line.
//
// Threads: Start and Stop on the UI thread; the check on the worker thread, which reaches the
// host only through GetRunningVersionText and PostToUiThread. After Stop returns the thread has
// ended and an offer it queued is dropped instead of shown.
class CUpgradeWorker {
  public:
    enum class Outcome {
        kNotStarted,
        kRunning,
        kNoServer,
        kCheckFailed,  // no response, or a status other than "200"
        kRefusedName,  // the body is no acceptable installer name
        kNotNewer,
        kNoRelauncher,
        kDownloadFailed,  // also refused: plain http, no web address
        kOffered,
        kStopped,
    };

    CUpgradeWorker() = default;
    ~CUpgradeWorker() { Stop(); }
    CUpgradeWorker(const CUpgradeWorker&) = delete;
    CUpgradeWorker& operator=(const CUpgradeWorker&) = delete;

    // Starts the check once. `host` (not owned) must outlive Stop. False when already started.
    bool Start(IUpgradeHost* host, UpgradeConfig config) EXCLUDES(mutex_);
    // Cancels the running request (it returns within about a second) and joins the thread.
    // Idempotent.
    void Stop() EXCLUDES(mutex_);

    // The check's outcome so far. Any thread.
    Outcome GetOutcome() const EXCLUDES(mutex_);
    // Waits until the check has an outcome; false when `timeout` passed first. Any thread
    // but the worker's.
    bool WaitForOutcome(std::chrono::milliseconds timeout) const EXCLUDES(mutex_);

  private:
    void Run(IUpgradeHost* host, const UpgradeConfig& config);
    Outcome CheckForUpgrade(IUpgradeHost* host, const UpgradeConfig& config);
    void Finish(Outcome outcome) EXCLUDES(mutex_);

    // Made by Start before the thread; requests run on the worker thread, Cancel from Stop.
    std::unique_ptr<WinHttpClient> client_;
    // Shared with the queued offer, which stays silent once it is set.
    std::shared_ptr<std::atomic<bool>> stopped_ = std::make_shared<std::atomic<bool>>(false);
    std::thread thread_;  // UI thread only

    mutable Mutex mutex_;
    mutable CondVar changed_;
    Outcome outcome_ GUARDED_BY(mutex_) = Outcome::kNotStarted;
};

}  // namespace zvp
