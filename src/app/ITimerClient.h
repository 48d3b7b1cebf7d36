#pragma once

#include <cstdint>

namespace zvp {

// Receives ticks of a timer started through TimerService; called on the UI thread.
class ITimerClient {
  public:
    virtual ~ITimerClient() = default;
    virtual void OnTimer(uint32_t timerId) = 0;
};

}  // namespace zvp
