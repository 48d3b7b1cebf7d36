#pragma once

#include <atomic>
#include <string>

#include "graph/CCritSec.h"
#include "graph/GraphTypes.h"
#include "graph/IMediaEventSink.h"
#include "graph/IReferenceClock.h"

namespace zvp {

class CBasePin;

// A filter: a set of pins, a state (stopped / paused / running), a reference clock and the
// stream start time m_tStart (clock time at which stream time 0 is presented).
//
// Pause from stopped activates every connected pin (CBasePin::Active: allocators commit,
// source pins start their streaming threads); Stop inactivates them (streaming threads end,
// allocators decommit); Run(tStart) pauses first when stopped, stores tStart and calls
// Run(tStart) on each connected pin.
//
// Threads: Stop/Pause/Run/SetSyncSource/JoinFilterGraph come from the graph's caller thread
// (the UI thread) and run under the state lock *m_pLock, which guards m_State, m_pClock and
// m_tStart. NotifyEvent may be called from any thread.
class CBaseFilter {
  public:
    // `pLock` is the filter's state lock (owned by the derived filter, outlives this base).
    CBaseFilter(const char* pName, CCritSec* pLock);
    virtual ~CBaseFilter();
    CBaseFilter(const CBaseFilter&) = delete;
    CBaseFilter& operator=(const CBaseFilter&) = delete;

    const std::string& Name() const { return m_pName; }

    virtual int GetPinCount() = 0;
    // Pin n (0-based) or null.
    virtual CBasePin* GetPin(int n) = 0;

    virtual HRESULT Stop();
    virtual HRESULT Pause();
    virtual HRESULT Run(REFERENCE_TIME tStart);
    // The current state. Renderers answer VFW_S_STATE_INTERMEDIATE while paused without
    // a pre-rolled sample; others S_OK. The timeout is in milliseconds (INFINITE_WAIT).
    virtual HRESULT GetState(long msTimeout, FILTER_STATE* pState);

    // The clock is not owned; the graph keeps it alive while it is set.
    virtual HRESULT SetSyncSource(IReferenceClock* pClock);
    HRESULT GetSyncSource(IReferenceClock** ppClock);
    // A clock this filter offers to the graph (the audio renderer), or null. Owned by the
    // filter, valid for its lifetime.
    virtual IReferenceClock* GetProvidedClock() { return nullptr; }

    // Clock time - m_tStart. VFW_E_NO_CLOCK without a clock.
    virtual HRESULT StreamTime(REFERENCE_TIME& rtStream);

    // Joins (or leaves, with null) a graph; the sink receives NotifyEvent calls.
    virtual HRESULT JoinFilterGraph(IMediaEventSink* pGraph, const char* pName);
    // Reports an event to the graph (dropped when not in a graph).
    HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);

    bool IsActive();   // paused or running
    bool IsStopped();  // stopped
    FILTER_STATE State();
    CCritSec* pStateLock() { return m_pLock; }

  protected:
    FILTER_STATE m_State = State_Stopped;  // guarded by *m_pLock
    IReferenceClock* m_pClock = nullptr;   // guarded by *m_pLock; not owned
    REFERENCE_TIME m_tStart = 0;           // guarded by *m_pLock
    CCritSec* m_pLock;
    std::string m_pName;
    std::atomic<IMediaEventSink*> m_pSink{nullptr};  // set while the filter is in a graph
};

}  // namespace zvp
