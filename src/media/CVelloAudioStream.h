#pragma once

#include "media/CSeekableStream.h"
#include "media/CVelloAudioDecoder.h"

namespace zvp {

// The source's audio output pin "Audio": samples of about 192,000 bytes of interleaved
// signed 16-bit PCM (one buffer of 576,000 bytes is negotiated). Samples carry times only
// for RealMedia files (start relative to the source's first audio time, open end).
//
// Threads: as CVelloVideoStream.
class CVelloAudioStream : public CSeekableStream {
  public:
    static constexpr long kBufferBytes = 576000;

    CVelloAudioStream(HRESULT* phr, CVelloSource* pSource);

    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT CheckMediaType(const CMediaType* pMediaType) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;
    HRESULT OnSeekBegin() override;

  protected:
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override;
    HRESULT OnThreadStartPlay() override;
    // Returns the last, partly filled sample before the end of the stream (S_FALSE on the
    // next call), so that no decoded audio is lost.
    HRESULT FillBuffer(IMediaSample* pSample) override;

  private:
    // The one output type: the connection's type once connected (kept for the whole file,
    // whichever track plays), before that 16-bit PCM in the description's target format.
    bool BuildType(CMediaType* pMediaType);

    CVelloAudioDecoder m_Decoder;
    bool m_bEndPending = false;  // streaming thread only
};

}  // namespace zvp
