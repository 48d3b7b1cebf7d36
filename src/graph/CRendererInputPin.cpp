#include "graph/CRendererInputPin.h"

#include "graph/CBaseRenderer.h"

namespace zvp {

CRendererInputPin::CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, const char* pName)
    : CBaseInputPin("CRendererInputPin", pRenderer, pRenderer->pStateLock(), phr, pName),
      m_pRenderer(pRenderer) {}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    return m_pRenderer->CheckMediaType(pmt);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CBaseInputPin::SetMediaType(pmt);
    if (FAILED(hr)) return hr;
    return m_pRenderer->SetMediaType(pmt);
}

HRESULT CRendererInputPin::CompleteConnect(CBasePin* pReceivePin) {
    HRESULT hr = CBaseInputPin::CompleteConnect(pReceivePin);
    if (FAILED(hr)) return hr;
    return m_pRenderer->CompleteConnect(pReceivePin);
}

HRESULT CRendererInputPin::BreakConnect() {
    m_pRenderer->BreakConnect();
    return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::Receive(IMediaSample* pSample) {
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pRenderer->Receive(pSample);
}

HRESULT CRendererInputPin::EndOfStream() {
    return m_pRenderer->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush() {
    CBaseInputPin::BeginFlush();
    return m_pRenderer->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush() {
    HRESULT hr = m_pRenderer->EndFlush();
    CBaseInputPin::EndFlush();
    return hr;
}

HRESULT CRendererInputPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    CBasePin::NewSegment(tStart, tStop, dRate);
    return m_pRenderer->NewSegment(tStart, tStop, dRate);
}

bool CRendererInputPin::TakesFramePlanes() const {
    return m_pRenderer->TakesFramePlanes();
}

}  // namespace zvp
