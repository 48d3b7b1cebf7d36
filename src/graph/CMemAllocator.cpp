#include "graph/CMemAllocator.h"

#include <cstdint>

namespace zvp {

std::shared_ptr<CMemAllocator> CMemAllocator::Create(const char* name) {
    return std::shared_ptr<CMemAllocator>(new CMemAllocator(name));
}

CMemAllocator::CMemAllocator(const char* name) : name_(name ? name : "") {}

CMemAllocator::~CMemAllocator() = default;

HRESULT CMemAllocator::SetProperties(const ALLOCATOR_PROPERTIES* pRequest,
                                     ALLOCATOR_PROPERTIES* pActual) {
    if (!pRequest || !pActual) return E_POINTER;
    long align = pRequest->cbAlign <= 0 ? 1 : pRequest->cbAlign;
    if ((align & (align - 1)) != 0) return VFW_E_BADALIGN;
    if (pRequest->cBuffers < 0 || pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
    props_.cBuffers = pRequest->cBuffers < 1 ? 1 : pRequest->cBuffers;
    props_.cbBuffer = pRequest->cbBuffer < 1 ? 1 : pRequest->cbBuffer;
    props_.cbAlign = align;
    props_.cbPrefix = pRequest->cbPrefix;
    propsSet_ = true;
    buffers_.clear();
    free_.clear();
    *pActual = props_;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) const {
    if (!pProps) return E_POINTER;
    std::lock_guard<std::mutex> lock(lock_);
    *pProps = props_;
    return S_OK;
}

HRESULT CMemAllocator::Commit() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!propsSet_) return VFW_E_SIZENOTSET;
    if (committed_) return S_OK;
    if (buffers_.empty()) {
        size_t total = size_t(props_.cbBuffer) + size_t(props_.cbPrefix) + size_t(props_.cbAlign);
        buffers_.reserve(size_t(props_.cBuffers));
        for (long i = 0; i < props_.cBuffers; ++i) {
            Buffer b;
            b.memory = std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[total]());
            if (!b.memory) {
                buffers_.clear();
                free_.clear();
                return E_OUTOFMEMORY;
            }
            uintptr_t base =
                reinterpret_cast<uintptr_t>(b.memory.get()) + uintptr_t(props_.cbPrefix);
            uintptr_t aligned =
                (base + uintptr_t(props_.cbAlign) - 1) & ~uintptr_t(props_.cbAlign - 1);
            b.sample = std::make_unique<CMediaSample>(this, reinterpret_cast<BYTE*>(aligned),
                                                      props_.cbBuffer);
            free_.push_back(b.sample.get());
            buffers_.push_back(std::move(b));
        }
    }
    committed_ = true;
    return S_OK;
}

HRESULT CMemAllocator::Decommit() {
    std::lock_guard<std::mutex> lock(lock_);
    committed_ = false;
    freed_.notify_all();
    return S_OK;
}

void CMemAllocator::SetFlushing(bool flushing) {
    std::lock_guard<std::mutex> lock(lock_);
    flushing_ = flushing;
    if (flushing) freed_.notify_all();
}

HRESULT CMemAllocator::GetBuffer(CSampleRef* ppBuffer, const REFERENCE_TIME* pStart,
                                 const REFERENCE_TIME* pEnd, DWORD dwFlags) {
    if (!ppBuffer) return E_POINTER;
    ppBuffer->Release();
    std::unique_lock<std::mutex> lock(lock_);
    freed_.wait(lock, [&] { return !committed_ || flushing_ || !free_.empty(); });
    if (!committed_) return VFW_E_NOT_COMMITTED;
    if (flushing_) return VFW_E_WRONG_STATE;
    CMediaSample* sample = free_.back();
    free_.pop_back();
    if (outstanding_++ == 0) selfWhileOut_ = shared_from_this();
    sample->ResetForDelivery();
    if (pStart) sample->SetTime(pStart, pEnd);
    *ppBuffer = CSampleRef::Adopt(sample);
    return S_OK;
}

void CMemAllocator::ReleaseBuffer(CMediaSample* sample) {
    std::shared_ptr<CMemAllocator> keepAlive;
    {
        std::lock_guard<std::mutex> lock(lock_);
        sample->SetMediaType(nullptr);
        free_.push_back(sample);
        if (--outstanding_ == 0) keepAlive = std::move(selfWhileOut_);
        freed_.notify_all();
    }
    // `keepAlive` may destroy this allocator here, after the lock is released.
}

long CMemAllocator::FreeCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return long(free_.size());
}

bool CMemAllocator::IsCommitted() const {
    std::lock_guard<std::mutex> lock(lock_);
    return committed_;
}

}  // namespace zvp
