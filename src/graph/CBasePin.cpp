#include "graph/CBasePin.h"

#include "app/Logger.h"
#include "graph/CBaseFilter.h"

namespace zvp {

CBasePin::CBasePin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   const char* pName, PIN_DIRECTION dir)
    : m_pObjectName(pObjectName ? pObjectName : ""),
      m_pFilter(pFilter),
      m_pLock(pLock),
      m_pName(pName ? pName : ""),
      m_dir(dir) {}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::ConnectionMediaType(CMediaType* pmt) const {
    if (!pmt) return E_POINTER;
    if (!m_Connected) {
        pmt->InitMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    *pmt = m_mt;
    return S_OK;
}

HRESULT CBasePin::Connect(CBasePin* pReceivePin, const CMediaType* pmt) {
    if (!pReceivePin) return E_POINTER;
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (m_pFilter && !m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (pmt && pmt->IsValid()) return AttemptConnection(pReceivePin, pmt);

    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int i = 0;; ++i) {
        CMediaType mt;
        hr = GetMediaType(i, &mt);
        if (hr != S_OK) break;
        hr = AttemptConnection(pReceivePin, &mt);
        if (SUCCEEDED(hr)) return hr;
        // A type the renderer refused is a normal miss; other failures are remembered.
        if (hr != VFW_E_TYPE_NOT_ACCEPTED) last = hr;
    }
    Log(LogPoint{"CBasePin::Connect", kLogInfo}, "%s: no acceptable media type (%08x)",
        m_pName.c_str(), unsigned(last));
    return last;
}

HRESULT CBasePin::AttemptConnection(CBasePin* pReceivePin, const CMediaType* pmt) {
    HRESULT hr = CheckMediaType(pmt);
    if (hr != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    m_Connected = pReceivePin;
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(this, pmt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(pReceivePin);
            if (SUCCEEDED(hr)) return S_OK;
            pReceivePin->Disconnect();
        }
    }
    m_Connected = nullptr;
    m_mt.InitMediaType();
    BreakConnect();
    return hr;
}

HRESULT CBasePin::ReceiveConnection(CBasePin* pConnector, const CMediaType* pmt) {
    if (!pConnector || !pmt) return E_POINTER;
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (m_pFilter && !m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    HRESULT hr = CheckConnect(pConnector);
    if (SUCCEEDED(hr)) {
        hr = CheckMediaType(pmt);
        if (hr != S_OK) hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (SUCCEEDED(hr)) {
        m_Connected = pConnector;
        hr = SetMediaType(pmt);
        if (SUCCEEDED(hr)) hr = CompleteConnect(pConnector);
    }
    if (FAILED(hr)) {
        m_Connected = nullptr;
        m_mt.InitMediaType();
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::Disconnect() {
    if (!m_Connected) return S_FALSE;
    if (m_pFilter && !m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    BreakConnect();
    m_Connected = nullptr;
    m_mt.InitMediaType();
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    m_mt = *pmt;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (iPosition < 0) return E_INVALIDARG;
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::CheckConnect(CBasePin* pPin) {
    if (!pPin) return E_POINTER;
    return pPin->Direction() == m_dir ? VFW_E_NO_ACCEPTABLE_TYPES : S_OK;
}

HRESULT CBasePin::CompleteConnect(CBasePin* pReceivePin) {
    return S_OK;
}

HRESULT CBasePin::BreakConnect() {
    return S_OK;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

}  // namespace zvp
