#pragma once

#include <string>

#include "graph/CCritSec.h"
#include "graph/CMediaType.h"
#include "graph/GraphTypes.h"

namespace zvp {

class CBaseFilter;

// A pin: a named, directed connection point of a filter with the media type of its
// connection and the current segment (NewSegment: start, stop, rate).
//
// Connection (made by the graph on its caller thread, while the filter is stopped):
// output->Connect(input, null) offers the output pin's types by position (GetMediaType(0),
// (1), ... until VFW_S_NO_MORE_ITEMS); a type is taken when the output pin's own
// CheckMediaType and the input pin's ReceiveConnection (its CheckMediaType) accept it; then
// both pins SetMediaType and the output pin's CompleteConnect decides the allocator
// (DecideBufferSize). The type proposed last is therefore the connection's type.
//
// Threads: connection, Active/Inactive/Run on the graph's caller thread under the filter's
// state lock (m_pLock is that lock); m_Connected and m_mt change only while the filter is
// stopped, so streaming threads may read them without the lock while active.
class CBasePin {
  public:
    CBasePin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
             const char* pName, PIN_DIRECTION dir);
    virtual ~CBasePin();
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;

    const std::string& Name() const { return m_pName; }
    PIN_DIRECTION Direction() const { return m_dir; }
    CBaseFilter* Filter() const { return m_pFilter; }
    bool IsConnected() const { return m_Connected != nullptr; }
    CBasePin* GetConnected() const { return m_Connected; }
    // The connection's media type; VFW_E_NOT_CONNECTED when not connected.
    HRESULT ConnectionMediaType(CMediaType* pmt) const;
    const CMediaType& CurrentMediaType() const { return m_mt; }

    // Output side: connects to `pReceivePin`, with `pmt` (a complete type) or by
    // enumerating this pin's types when null. VFW_E_ALREADY_CONNECTED,
    // VFW_E_NO_ACCEPTABLE_TYPES, VFW_E_NOT_CONNECTED (DecideBufferSize failed), ...
    virtual HRESULT Connect(CBasePin* pReceivePin, const CMediaType* pmt);
    // Input side: accepts a connection from `pConnector` with `pmt`
    // (VFW_E_TYPE_NOT_ACCEPTED when CheckMediaType refuses).
    virtual HRESULT ReceiveConnection(CBasePin* pConnector, const CMediaType* pmt);
    // Breaks this side of the connection (the graph disconnects both sides).
    virtual HRESULT Disconnect();

    // Type negotiation hooks.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    // The pin's preferred types by position: S_OK, VFW_S_NO_MORE_ITEMS past the end,
    // E_INVALIDARG below 0. The base has none.
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);
    virtual HRESULT CheckConnect(CBasePin* pPin);
    virtual HRESULT CompleteConnect(CBasePin* pReceivePin);
    virtual HRESULT BreakConnect();
    // Input side: true when samples may carry a lent decoder frame instead of their bytes
    // (CMediaSample::LendFrame). Asked by the upstream streaming thread; fixed for a pin's life.
    virtual bool TakesFramePlanes() const { return false; }

    // State changes from the filter (only for connected pins).
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    virtual HRESULT Run(REFERENCE_TIME tStart) { return S_OK; }

    // Data-flow notifications travelling downstream (input pins act on them; output pins
    // answer E_UNEXPECTED). Called on the upstream streaming thread or, for flushes, on the
    // thread that seeks.
    virtual HRESULT EndOfStream() { return S_OK; }
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
    double CurrentRate() const { return m_dRate; }

  protected:
    std::string m_pObjectName;
    CBaseFilter* m_pFilter;  // the owning filter
    CCritSec* m_pLock;       // the filter's state lock
    std::string m_pName;
    PIN_DIRECTION m_dir;
    CBasePin* m_Connected = nullptr;  // the peer; changes only while stopped
    CMediaType m_mt;                  // the connection's type; changes only while stopped
    // The current segment (NewSegment); written and read on the streaming thread.
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = kMaxReferenceTime;
    double m_dRate = 1.0;

  private:
    HRESULT AttemptConnection(CBasePin* pReceivePin, const CMediaType* pmt);
};

}  // namespace zvp
