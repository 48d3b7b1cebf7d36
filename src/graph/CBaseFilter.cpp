#include "graph/CBaseFilter.h"

#include "graph/CBasePin.h"

namespace zvp {

CBaseFilter::CBaseFilter(const char* pName, CCritSec* pLock)
    : m_pLock(pLock), m_pName(pName ? pName : "") {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            HRESULT hrPin = pin->Inactive();
            if (FAILED(hrPin) && SUCCEEDED(hr)) hr = hrPin;
        }
    }
    m_State = State_Stopped;
    return hr;
}

HRESULT CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            HRESULT hr = pin->Active();
            if (FAILED(hr)) return hr;
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(m_pLock);
    FILTER_STATE old = m_State;
    if (old == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    m_tStart = tStart;
    if (old != State_Running) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            HRESULT hr = pin->Run(tStart);
            if (FAILED(hr)) return hr;
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(long msTimeout, FILTER_STATE* pState) {
    if (!pState) return E_POINTER;
    *pState = State();
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(m_pLock);
    m_pClock = pClock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** ppClock) {
    if (!ppClock) return E_POINTER;
    CAutoLock lock(m_pLock);
    *ppClock = m_pClock;
    return S_OK;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME& rtStream) {
    CAutoLock lock(m_pLock);
    if (!m_pClock) return VFW_E_NO_CLOCK;
    REFERENCE_TIME now = 0;
    HRESULT hr = m_pClock->GetTime(&now);
    if (FAILED(hr)) return hr;
    rtStream = now - m_tStart;
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IMediaEventSink* pGraph, const char* pName) {
    m_pSink.store(pGraph);
    if (pName && *pName) m_pName = pName;
    return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
    IMediaEventSink* sink = m_pSink.load();
    if (!sink) return E_NOTIMPL;
    return sink->Notify(this, EventCode, EventParam1, EventParam2);
}

bool CBaseFilter::IsActive() {
    CAutoLock lock(m_pLock);
    return m_State != State_Stopped;
}

bool CBaseFilter::IsStopped() {
    CAutoLock lock(m_pLock);
    return m_State == State_Stopped;
}

FILTER_STATE CBaseFilter::State() {
    CAutoLock lock(m_pLock);
    return m_State;
}

}  // namespace zvp
