#pragma once

#include <memory>
#include <vector>

#include "graph/CBaseFilter.h"
#include "graph/CCritSec.h"

namespace zvp {

class CSourceStream;

// A source filter: its output pins are CSourceStreams, each with its own streaming thread.
// It owns its pins (numbered in the order they were added) and its state lock.
//
// Pause from stopped makes each connected pin Active (its streaming thread starts and is
// sent init, then pause); Stop makes each pin Inactive (stop and exit are sent, the thread
// is joined). Both under the state lock.
//
// Life: a source must be stopped before it is destroyed (the graph stops every filter
// before destroying it), since a running streaming thread would call into the derived pin.
class CSource : public CBaseFilter {
  public:
    CSource(const char* pName, HRESULT* phr);
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;
    // Adds a pin (on the graph's thread, while stopped) and returns it. Owned by the filter.
    CSourceStream* AddPin(std::unique_ptr<CSourceStream> pStream);
    // Removes and destroys a pin; S_FALSE when it is not one of this filter's.
    HRESULT RemovePin(CSourceStream* pStream);
    // The pin's number or -1.
    int FindPinNumber(CBasePin* pPin);

    CCritSec* pStateLock() { return &m_cStateLock; }

  protected:
    CCritSec m_cStateLock;
    // Guarded by m_cStateLock; changes only while stopped.
    std::vector<std::unique_ptr<CSourceStream>> m_paStreams;
};

}  // namespace zvp
