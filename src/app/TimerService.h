#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "app/ITimerClient.h"

class QTimer;

namespace zvp {

// Process-wide timers addressed by numeric id (10: the engine's 250 ms position tick,
// 0: the control centre's clip-change delay), each dispatched to one ITimerClient.
//
// Threads: UI thread only (the thread of the Qt application); ticks arrive from its event
// loop. A client may start or stop timers, its own included, from inside OnTimer.
class TimerService {
  public:
    static TimerService& Instance();

    // Starts (or restarts) timer `timerId` firing every `periodMs`, calling `client`
    // (not owned) and replacing an earlier client of the same id.
    void StartTimer(uint32_t timerId, uint32_t periodMs, ITimerClient* client);

    // Stops timer `timerId` and forgets its client: 0, or -1 when the id is not recorded.
    int StopTimer(uint32_t timerId);

    bool IsRunning(uint32_t timerId) const { return timers_.count(timerId) != 0; }

    // The client of running timer `timerId`, or null when it is not running.
    ITimerClient* ClientOf(uint32_t timerId) const {
        auto it = timers_.find(timerId);
        return it == timers_.end() ? nullptr : it->second.client;
    }

    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

  private:
    TimerService() = default;
    void OnTick(uint32_t timerId);

    struct Entry {
        std::unique_ptr<QTimer> timer;
        ITimerClient* client = nullptr;
    };
    std::map<uint32_t, Entry> timers_;
    // Timers stopped while one of them is delivering a tick; freed when the tick returns.
    std::vector<std::unique_ptr<QTimer>> retired_;
    int delivering_ = 0;
};

}  // namespace zvp
