#pragma once

#include <chrono>
#include <mutex>

#include "graph/IReferenceClock.h"

namespace zvp {

// The reference clock of the audio renderer: the position the audio device has played,
// interpolated between the device's requests. Each time the device takes a block (sound or
// silence), the clock may advance with wall time up to the end of everything handed over;
// it stands still while not running and never goes backwards.
// Threads: OnDeviceConsumed on the device thread, SetRunning on the graph's thread,
// GetTime on any thread; all state is guarded by `lock_`.
class CAudioClock : public IReferenceClock {
  public:
    HRESULT GetTime(REFERENCE_TIME* pTime) override;
    // The device took `duration` (100 ns) of audio just now.
    void OnDeviceConsumed(REFERENCE_TIME duration);
    void SetRunning(bool running);

  private:
    REFERENCE_TIME NowLocked(std::chrono::steady_clock::time_point now);

    std::mutex lock_;
    bool running_ = false;                         // guarded by lock_
    REFERENCE_TIME consumed_ = 0;                  // guarded by lock_: total handed over
    REFERENCE_TIME base_ = 0;                      // guarded by lock_: time at `since_`
    REFERENCE_TIME last_ = 0;                      // guarded by lock_: last time returned
    std::chrono::steady_clock::time_point since_;  // guarded by lock_
};

}  // namespace zvp
