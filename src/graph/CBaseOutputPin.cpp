#include "graph/CBaseOutputPin.h"

#include "app/Logger.h"

namespace zvp {

CBaseOutputPin::CBaseOutputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                               HRESULT* phr, const char* pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CompleteConnect(CBasePin* pReceivePin) {
    auto* input = dynamic_cast<CBaseInputPin*>(pReceivePin);
    if (!input) return VFW_E_NO_ALLOCATOR;
    auto allocator = CMemAllocator::Create(m_pName.c_str());
    ALLOCATOR_PROPERTIES request;
    input->GetAllocatorRequirements(&request);
    if (request.cbAlign <= 0) request.cbAlign = 1;
    HRESULT hr = DecideBufferSize(allocator.get(), &request);
    if (FAILED(hr)) {
        Log(LogPoint{"CBaseOutputPin::CompleteConnect", kLogInfo},
            "%s: DecideBufferSize failed (%08x)", m_pName.c_str(), unsigned(hr));
        return hr;
    }
    hr = input->NotifyAllocator(allocator, false);
    if (FAILED(hr)) return hr;
    m_pAllocator = std::move(allocator);
    m_pInputPin = input;
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pAllocator) m_pAllocator->Decommit();
    m_pAllocator.reset();
    m_pInputPin = nullptr;
    return S_OK;
}

HRESULT CBaseOutputPin::Active() {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(CSampleRef* ppSample, REFERENCE_TIME* pStartTime,
                                          REFERENCE_TIME* pEndTime, DWORD dwFlags) {
    if (!ppSample) return E_POINTER;
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample) {
    if (!pSample) return E_POINTER;
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    if (m_pAllocator) m_pAllocator->SetFlushing(true);
    return m_pInputPin->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_pInputPin->EndFlush();
    if (m_pAllocator) m_pAllocator->SetFlushing(false);
    return hr;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                          double dRate) {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->NewSegment(tStart, tStop, dRate);
}

}  // namespace zvp
