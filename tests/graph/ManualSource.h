#pragma once

// A filter with one output pin operated by hand from the test thread (which plays the part
// of a streaming thread): it offers the given types and asks for `buffers` x `bytes`.

#include <vector>

#include "graph/CBaseFilter.h"
#include "graph/CBaseOutputPin.h"

namespace zvp::test {

class CManualPin : public CBaseOutputPin {
  public:
    CManualPin(CBaseFilter* f, CCritSec* lock, std::vector<CMediaType> types)
        : CBaseOutputPin("Manual", f, lock, nullptr, "Out"), types_(std::move(types)) {}
    HRESULT GetMediaType(int i, CMediaType* pmt) override {
        if (i < 0) return E_INVALIDARG;
        if (i >= int(types_.size())) return VFW_S_NO_MORE_ITEMS;
        *pmt = types_[size_t(i)];
        proposed.push_back(i);
        return S_OK;
    }
    HRESULT CheckMediaType(const CMediaType* pmt) override {
        for (auto& t : types_)
            if (t == *pmt) return S_OK;
        return E_FAIL;
    }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES*) override {
        decidedWith = m_mt;
        ALLOCATOR_PROPERTIES want{buffers, bytes, 1, 0}, got;
        return a->SetProperties(&want, &got);
    }
    std::vector<int> proposed;
    CMediaType decidedWith;
    long buffers = 1;
    long bytes = 4096;

  private:
    std::vector<CMediaType> types_;
};

class CManualFilter : public CBaseFilter {
  public:
    explicit CManualFilter(std::vector<CMediaType> types)
        : CBaseFilter("Manual", &lock_), pin_(this, &lock_, std::move(types)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }
    CManualPin* Pin() { return &pin_; }

  private:
    CCritSec lock_;
    CManualPin pin_;
};

}  // namespace zvp::test
