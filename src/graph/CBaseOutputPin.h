#pragma once

#include <memory>

#include "graph/CBaseInputPin.h"
#include "graph/CBasePin.h"
#include "graph/CMemAllocator.h"

namespace zvp {

// An output pin. At connection it creates the connection's allocator and asks the derived
// pin to size it (DecideBufferSize); while active the allocator is committed.
//
// Threads: GetDeliveryBuffer, Deliver, DeliverEndOfStream, DeliverNewSegment on the pin's
// streaming thread; DeliverBeginFlush/DeliverEndFlush on the thread that seeks (the source
// calls them under its state lock); Active/Inactive on the graph's thread.
class CBaseOutputPin : public CBasePin {
  public:
    CBaseOutputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   const char* pName);

    // Sizes the allocator: call pAlloc->SetProperties and check what was granted.
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) = 0;

    // A free buffer from the allocator (blocks while all are out; fails while flushing or
    // inactive). VFW_E_NO_ALLOCATOR when not connected.
    virtual HRESULT GetDeliveryBuffer(CSampleRef* ppSample, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags);
    // Hands a sample to the connected input pin's Receive and returns its result
    // (VFW_E_NOT_CONNECTED when not connected). The caller keeps its reference.
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT DeliverEndOfStream();
    // Puts the allocator into flushing (blocked GetDeliveryBuffer calls fail) and tells
    // the input pin to flush (it drops what it holds and stops blocking).
    virtual HRESULT DeliverBeginFlush();
    // Tells the input pin the flush has ended, then lets the allocator hand out buffers.
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    HRESULT CompleteConnect(CBasePin* pReceivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;    // commits the allocator
    HRESULT Inactive() override;  // decommits it (blocked GetDeliveryBuffer calls fail)

    // An output pin receives no data-flow calls.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    IMemAllocator* Allocator() const { return m_pAllocator.get(); }

  protected:
    // Both set at connection, cleared when broken (only while stopped).
    CBaseInputPin* m_pInputPin = nullptr;
    std::shared_ptr<CMemAllocator> m_pAllocator;
};

}  // namespace zvp
