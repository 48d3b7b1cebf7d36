#pragma once

#include "graph/CCritSec.h"
#include "graph/GraphTypes.h"

namespace zvp {

// The seeking interface of a source pin: duration, start and stop positions and rate in
// 100 ns units (TIME_FORMAT_MEDIA_TIME only) and capabilities (default
// CanSeekAbsolute | CanSeekForwards | CanSeekBackwards | CanGetStopPos | CanGetDuration).
// A change of the start position calls ChangeStart(), of the stop position ChangeStop(),
// of the rate ChangeRate(); each runs after the new value was stored, without the lock.
//
// The graph finds a pin's seeking by dynamic_cast<CSourceSeeking*> on the pin, so a source
// pin that derives from both CSourceStream and CSourceSeeking is seekable.
//
// Threads: any thread (the graph's caller); m_rtDuration, m_rtStart, m_rtStop,
// m_dRateSeeking are guarded by *m_pLock.
class CSourceSeeking {
  public:
    virtual ~CSourceSeeking() = default;

    HRESULT IsFormatSupported(const TimeFormat* pFormat);
    HRESULT QueryPreferredFormat(TimeFormat* pFormat);
    HRESULT SetTimeFormat(const TimeFormat* pFormat);
    HRESULT IsUsingTimeFormat(const TimeFormat* pFormat);
    HRESULT GetTimeFormat(TimeFormat* pFormat);
    HRESULT GetDuration(REFERENCE_TIME* pDuration);
    HRESULT GetStopPosition(REFERENCE_TIME* pStop);
    // E_NOTIMPL: the graph knows the current position.
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* pCurrent);
    HRESULT GetCapabilities(DWORD* pCapabilities);
    // S_OK when all asked bits are supported, S_FALSE for some (*pCapabilities is reduced to
    // them), E_FAIL for none.
    HRESULT CheckCapabilities(DWORD* pCapabilities);
    HRESULT ConvertTimeFormat(REFERENCE_TIME* pTarget, const TimeFormat* pTargetFormat,
                              REFERENCE_TIME Source, const TimeFormat* pSourceFormat);
    // Start flags: AM_SEEKING_NoPositioning, Absolute or Relative; stop flags: also
    // Incremental (relative to the new start). E_INVALIDARG for other bits, E_POINTER for a
    // null position with positioning. Returns ChangeStart's result when the start changed,
    // else ChangeStop's.
    virtual HRESULT SetPositions(REFERENCE_TIME* pCurrent, DWORD CurrentFlags,
                                 REFERENCE_TIME* pStop, DWORD StopFlags);
    HRESULT GetPositions(REFERENCE_TIME* pCurrent, REFERENCE_TIME* pStop);
    HRESULT GetAvailable(REFERENCE_TIME* pEarliest, REFERENCE_TIME* pLatest);
    // E_INVALIDARG for a rate of 0; else stores it and calls ChangeRate.
    virtual HRESULT SetRate(double dRate);
    HRESULT GetRate(double* pdRate);
    HRESULT GetPreroll(REFERENCE_TIME* pPreroll);

  protected:
    // `pLock` guards the positions (owned by the derived class, outlives this base).
    CSourceSeeking(const char* pName, HRESULT* phr, CCritSec* pLock);

    virtual HRESULT ChangeStart() = 0;
    virtual HRESULT ChangeStop() = 0;
    virtual HRESULT ChangeRate() = 0;

    REFERENCE_TIME m_rtDuration = 0;  // guarded by *m_pLock
    REFERENCE_TIME m_rtStart = 0;     // guarded by *m_pLock
    REFERENCE_TIME m_rtStop = 0;      // guarded by *m_pLock
    double m_dRateSeeking = 1.0;      // guarded by *m_pLock
    DWORD m_dwSeekingCaps;
    CCritSec* m_pLock;
};

}  // namespace zvp
