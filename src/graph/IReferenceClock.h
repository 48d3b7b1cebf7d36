#pragma once

#include "graph/GraphTypes.h"

namespace zvp {

// The graph's reference clock, in 100 ns units. Its time never goes backwards. Stream time
// of a running filter = clock time - the filter's start time (m_tStart).
// Threads: GetTime is called from any thread.
class IReferenceClock {
  public:
    virtual ~IReferenceClock() = default;
    virtual HRESULT GetTime(REFERENCE_TIME* pTime) = 0;
};

}  // namespace zvp
