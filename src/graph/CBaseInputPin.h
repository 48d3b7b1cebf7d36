#pragma once

#include <atomic>
#include <memory>

#include "graph/CBasePin.h"
#include "graph/CMemAllocator.h"

namespace zvp {

// An input pin (renderers). Receives samples, end of stream and flushes from the connected
// output pin.
//
// Threads: Receive/EndOfStream/NewSegment on the upstream streaming thread; BeginFlush/
// EndFlush on the thread that seeks; NotifyAllocator on the graph's thread at connection.
// m_bFlushing is atomic; derived renderers guard the rest with their own locks.
class CBaseInputPin : public CBasePin {
  public:
    CBaseInputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                  const char* pName);

    // The allocator that the output pin chose for the connection.
    virtual HRESULT NotifyAllocator(std::shared_ptr<CMemAllocator> pAllocator, bool bReadOnly);
    // Requirements the output pin's DecideBufferSize may honour (the base asks nothing).
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps);

    // Base checks for a delivered sample: VFW_E_NOT_CONNECTED or VFW_E_WRONG_STATE when not
    // connected or the filter is stopped, S_FALSE while flushing, VFW_E_TYPE_NOT_ACCEPTED
    // when an attached new media type is refused (else it becomes the pin's type). Derived
    // pins call this first and go on only on S_OK.
    virtual HRESULT Receive(IMediaSample* pSample);

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT BreakConnect() override;
    bool IsFlushing() const { return m_bFlushing.load(); }

  protected:
    std::atomic<bool> m_bFlushing{false};
    std::shared_ptr<CMemAllocator> m_pAllocator;  // set at connection, cleared when broken
};

}  // namespace zvp
