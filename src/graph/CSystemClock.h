#pragma once

#include <chrono>

#include "graph/IReferenceClock.h"

namespace zvp {

// The reference clock used when the graph has no audio renderer: the monotonic system
// clock in 100 ns units since construction. Thread-safe (no state changes after
// construction).
class CSystemClock : public IReferenceClock {
  public:
    CSystemClock() : origin_(std::chrono::steady_clock::now()) {}
    HRESULT GetTime(REFERENCE_TIME* pTime) override;

  private:
    const std::chrono::steady_clock::time_point origin_;
};

}  // namespace zvp
