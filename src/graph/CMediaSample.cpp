#include "graph/CMediaSample.h"

#include "graph/CMemAllocator.h"

namespace zvp {

CMediaSample::CMediaSample(CMemAllocator* allocator, BYTE* buffer, long size)
    : allocator_(allocator), buffer_(buffer), size_(size) {}

HRESULT CMediaSample::GetPointer(BYTE** ppBuffer) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = buffer_;
    return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(long length) {
    if (length < 0 || length > size_) return E_INVALIDARG;
    actual_ = length;
    return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) const {
    if (!pTimeStart || !pTimeEnd) return E_POINTER;
    if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = start_;
    if (!stopValid_) {
        *pTimeEnd = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *pTimeEnd = stop_;
    return S_OK;
}

HRESULT CMediaSample::SetTime(const REFERENCE_TIME* pTimeStart, const REFERENCE_TIME* pTimeEnd) {
    if (!pTimeStart) {
        timeValid_ = stopValid_ = false;
        return S_OK;
    }
    timeValid_ = true;
    start_ = *pTimeStart;
    stopValid_ = pTimeEnd != nullptr;
    stop_ = pTimeEnd ? *pTimeEnd : 0;
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(int64_t* pStart, int64_t* pEnd) const {
    if (!pStart || !pEnd) return E_POINTER;
    if (!mediaTimeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *pStart = mediaStart_;
    *pEnd = mediaStop_;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(const int64_t* pStart, const int64_t* pEnd) {
    if (!pStart) {
        mediaTimeValid_ = false;
        return S_OK;
    }
    if (!pEnd) return E_POINTER;
    mediaTimeValid_ = true;
    mediaStart_ = *pStart;
    mediaStop_ = *pEnd;
    return S_OK;
}

HRESULT CMediaSample::SetMediaType(const CMediaType* pMediaType) {
    if (!pMediaType) {
        mediaType_.reset();
        return S_OK;
    }
    mediaType_ = std::make_unique<CMediaType>(*pMediaType);
    return S_OK;
}

void CMediaSample::ResetForDelivery() {
    actual_ = size_;  // a fresh buffer counts as full until the filler says otherwise
    timeValid_ = stopValid_ = false;
    mediaTimeValid_ = false;
    sync_ = discontinuity_ = preroll_ = false;
    mediaType_.reset();
    frame_.reset();
    band_ = RowBand();
    refs_.store(1, std::memory_order_relaxed);
}

void CMediaSample::Release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        // The decoder's picture goes back to its pool now, not when the buffer is next used.
        frame_.reset();
        // The allocator may be destroyed by this call; nothing touches `this` after it.
        allocator_->ReleaseBuffer(this);
    }
}

}  // namespace zvp
