#pragma once

#include "media/CSeekableStream.h"
#include "media/CVelloVideoDecoder.h"

namespace zvp {

// The source's video output pin "Video": one decoded picture per sample, YV12 (preferred) or
// bottom-up RGB24 with rows padded to 4 bytes, stamped relative to the source's first audio
// time. One buffer of exactly one picture is negotiated.
//
// Threads: type negotiation on the graph's thread while stopped; FillBuffer on the pin's
// streaming thread; OnSeekBegin on the seeking thread.
class CVelloVideoStream : public CSeekableStream {
  public:
    CVelloVideoStream(HRESULT* phr, CVelloSource* pSource);

    // 0: YV12, 1: RGB24, 2 and above VFW_S_NO_MORE_ITEMS.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT CheckMediaType(const CMediaType* pMediaType) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;
    HRESULT OnSeekBegin() override;

    // The subtype proposed last (graph thread).
    SubType ProposedSubtype() const { return m_ProposedSubtype; }

  protected:
    // Decodes the next picture while the previous sample waits downstream.
    HRESULT PrepareSample() override;
    HRESULT OnThreadStartPlay() override;
    HRESULT FillBuffer(IMediaSample* pSample) override;

  private:
    CVelloVideoDecoder m_Decoder;
    SubType m_ProposedSubtype = SubType::YV12;  // graph thread while stopped
    CMediaType m_OutputType;                    // streaming thread; set from the connection
    bool m_bOutputTypeSet = false;              // streaming thread
    bool m_bEndReached = false;                 // streaming thread: no picture is left
};

}  // namespace zvp
