#pragma once

#include "graph/CBaseInputPin.h"

namespace zvp {

class CBaseRenderer;

// The input pin of a CBaseRenderer: forwards type negotiation and the data flow (samples,
// end of stream, flushes, segments) to its renderer after the base checks.
// Threads: as CBaseInputPin.
class CRendererInputPin : public CBaseInputPin {
  public:
    CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, const char* pName);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT CompleteConnect(CBasePin* pReceivePin) override;
    HRESULT BreakConnect() override;
    bool TakesFramePlanes() const override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

  private:
    CBaseRenderer* m_pRenderer;  // the owning renderer
};

}  // namespace zvp
