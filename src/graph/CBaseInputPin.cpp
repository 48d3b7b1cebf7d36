#include "graph/CBaseInputPin.h"

#include "graph/CBaseFilter.h"

namespace zvp {

CBaseInputPin::CBaseInputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                             HRESULT* phr, const char* pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_INPUT) {}

HRESULT CBaseInputPin::NotifyAllocator(std::shared_ptr<CMemAllocator> pAllocator, bool bReadOnly) {
    if (!pAllocator) return E_POINTER;
    m_pAllocator = std::move(pAllocator);
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
    if (!pProps) return E_POINTER;
    *pProps = ALLOCATOR_PROPERTIES{};
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* pSample) {
    if (!pSample) return E_POINTER;
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    if (m_bFlushing.load()) return S_FALSE;
    if (const CMediaType* mt = pSample->GetMediaType()) {
        if (CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
        CMediaType copy = *mt;
        SetMediaType(&copy);
    }
    return S_OK;
}

HRESULT CBaseInputPin::BeginFlush() {
    m_bFlushing.store(true);
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
    m_bFlushing.store(false);
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
    m_pAllocator.reset();
    return S_OK;
}

}  // namespace zvp
