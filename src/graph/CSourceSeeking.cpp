#include "graph/CSourceSeeking.h"

namespace zvp {

CSourceSeeking::CSourceSeeking(const char* pName, HRESULT* phr, CCritSec* pLock)
    : m_dwSeekingCaps(AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                      AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetStopPos |
                      AM_SEEKING_CanGetDuration),
      m_pLock(pLock) {}

HRESULT CSourceSeeking::IsFormatSupported(const TimeFormat* pFormat) {
    if (!pFormat) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CSourceSeeking::QueryPreferredFormat(TimeFormat* pFormat) {
    if (!pFormat) return E_POINTER;
    *pFormat = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CSourceSeeking::SetTimeFormat(const TimeFormat* pFormat) {
    if (!pFormat) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CSourceSeeking::IsUsingTimeFormat(const TimeFormat* pFormat) {
    if (!pFormat) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CSourceSeeking::GetTimeFormat(TimeFormat* pFormat) {
    if (!pFormat) return E_POINTER;
    *pFormat = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CSourceSeeking::GetDuration(REFERENCE_TIME* pDuration) {
    if (!pDuration) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pDuration = m_rtDuration;
    return S_OK;
}

HRESULT CSourceSeeking::GetStopPosition(REFERENCE_TIME* pStop) {
    if (!pStop) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pStop = m_rtStop;
    return S_OK;
}

HRESULT CSourceSeeking::GetCurrentPosition(REFERENCE_TIME* pCurrent) {
    return E_NOTIMPL;
}

HRESULT CSourceSeeking::GetCapabilities(DWORD* pCapabilities) {
    if (!pCapabilities) return E_POINTER;
    *pCapabilities = m_dwSeekingCaps;
    return S_OK;
}

HRESULT CSourceSeeking::CheckCapabilities(DWORD* pCapabilities) {
    if (!pCapabilities) return E_POINTER;
    DWORD asked = *pCapabilities;
    DWORD have = asked & m_dwSeekingCaps;
    *pCapabilities = have;
    if (have == asked) return S_OK;
    return have ? S_FALSE : E_FAIL;
}

HRESULT CSourceSeeking::ConvertTimeFormat(REFERENCE_TIME* pTarget, const TimeFormat* pTargetFormat,
                                          REFERENCE_TIME Source, const TimeFormat* pSourceFormat) {
    if (!pTarget) return E_POINTER;
    if ((pTargetFormat && *pTargetFormat != TIME_FORMAT_MEDIA_TIME) ||
        (pSourceFormat && *pSourceFormat != TIME_FORMAT_MEDIA_TIME))
        return E_INVALIDARG;
    *pTarget = Source;
    return S_OK;
}

HRESULT CSourceSeeking::SetPositions(REFERENCE_TIME* pCurrent, DWORD CurrentFlags,
                                     REFERENCE_TIME* pStop, DWORD StopFlags) {
    DWORD startBits = CurrentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopBits = StopFlags & AM_SEEKING_PositioningBitsMask;
    if (startBits) {
        if (!pCurrent) return E_POINTER;
        if (startBits != AM_SEEKING_AbsolutePositioning &&
            startBits != AM_SEEKING_RelativePositioning)
            return E_INVALIDARG;
    }
    if (stopBits && !pStop) return E_POINTER;
    {
        CAutoLock lock(m_pLock);
        if (startBits == AM_SEEKING_AbsolutePositioning) {
            m_rtStart = *pCurrent;
        } else if (startBits == AM_SEEKING_RelativePositioning) {
            m_rtStart += *pCurrent;
        }
        if (stopBits == AM_SEEKING_AbsolutePositioning) {
            m_rtStop = *pStop;
        } else if (stopBits == AM_SEEKING_IncrementalPositioning) {
            m_rtStop = m_rtStart + *pStop;
        } else if (stopBits == AM_SEEKING_RelativePositioning) {
            m_rtStop += *pStop;
        }
    }
    HRESULT hr = S_OK;
    if (stopBits) hr = ChangeStop();
    if (startBits) hr = ChangeStart();
    return hr;
}

HRESULT CSourceSeeking::GetPositions(REFERENCE_TIME* pCurrent, REFERENCE_TIME* pStop) {
    CAutoLock lock(m_pLock);
    if (pCurrent) *pCurrent = m_rtStart;
    if (pStop) *pStop = m_rtStop;
    return S_OK;
}

HRESULT CSourceSeeking::GetAvailable(REFERENCE_TIME* pEarliest, REFERENCE_TIME* pLatest) {
    CAutoLock lock(m_pLock);
    if (pEarliest) *pEarliest = 0;
    if (pLatest) *pLatest = m_rtDuration;
    return S_OK;
}

HRESULT CSourceSeeking::SetRate(double dRate) {
    if (dRate == 0.0) return E_INVALIDARG;
    {
        CAutoLock lock(m_pLock);
        m_dRateSeeking = dRate;
    }
    return ChangeRate();
}

HRESULT CSourceSeeking::GetRate(double* pdRate) {
    if (!pdRate) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pdRate = m_dRateSeeking;
    return S_OK;
}

HRESULT CSourceSeeking::GetPreroll(REFERENCE_TIME* pPreroll) {
    if (!pPreroll) return E_POINTER;
    *pPreroll = 0;
    return S_OK;
}

}  // namespace zvp
