#pragma once

#include "graph/CCritSec.h"
#include "graph/CSourceSeeking.h"
#include "graph/CSourceStream.h"

namespace zvp {

class CVelloSource;

// The common base of the source's two output pins: a CSourceStream whose streaming loop a
// seek can interrupt, and the pin's seeking (CSourceSeeking, capabilities 0x37, 100 ns
// units; 0x30 without the seeking bits for a file of unknown duration, fixed when the pin is
// created) whose start-position change asks the source to seek.
//
// Threads: FillBuffer and the processing loop on the pin's streaming thread; the seeking
// calls and the seek hooks (OnSeekBegin/OnSeekEnd, called by CVelloSource::Seek under the
// filter's state lock) on the graph's thread.
// Locks: m_cSharedState guards m_rtSampleTime and the seeking positions (it is the lock of
// CSourceSeeking); m_SeekingLock guards m_bSeeking. Neither is held while decoding or while
// calling downstream or into the source.
class CSeekableStream : public CSourceStream, public CSourceSeeking {
  public:
    // A FillBuffer result meaning "a stop or seek interrupted the fill": the sample is
    // dropped and the loop waits for the command that follows.
    static constexpr HRESULT kFillInterrupted = 2;

    CSeekableStream(const char* pObjectName, HRESULT* phr, CVelloSource* pSource,
                    const char* pPinName);

    // Seek hooks. OnSeekBegin: sample time 0, seeking flag set, downstream flush begins, the
    // streaming thread is stopped (waits for its reply). OnSeekEnd: flag cleared, the
    // streaming thread restarted, downstream flush ends. Both return 0.
    virtual HRESULT OnSeekBegin();
    virtual HRESULT OnSeekEnd();

    // The position the source seeked to (start of the new segment).
    void SetStartPosition(REFERENCE_TIME start);

    // 0 or below → E_INVALIDARG; otherwise stored; playback speed does not change.
    HRESULT SetRate(double dRate) override;
    // Quality messages from downstream are ignored.
    HRESULT QualityNotify() { return E_NOTIMPL; }
    // The single-type form is not used by these pins.
    HRESULT GetMediaType(CMediaType* pMediaType) override { return E_UNEXPECTED; }
    using CSourceStream::GetMediaType;

    bool IsSeeking();
    REFERENCE_TIME SampleTime();

  protected:
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override { return S_OK; }
    HRESULT OnThreadStartPlay() override;
    // Fills and delivers until end of stream or a stop. Delivery answers: end of stream
    // (VFW_E_SAMPLE_REJECTED_EOS) and E_UNEXPECTED end the loop quietly; S_FALSE (flushing)
    // and VFW_E_WRONG_STATE (a renderer stopped before this pin) mean a seek or stop is under
    // way, and the loop goes on until its command arrives; any other failure ends the loop
    // with end of stream downstream and EC_ERRORABORT (the error as first parameter) through
    // the filter's event sink.
    HRESULT DoBufferProcessingLoop() override;

    // Called by the processing loop before it asks for a buffer: a pin may prepare its next
    // sample meanwhile (the buffer may be held downstream until the current sample is due).
    // S_OK, or kFillInterrupted when a stop or seek interrupted it.
    virtual HRESULT PrepareSample() { return S_OK; }

    // Only the master pin's request is carried out; the other gets E_NOTIMPL.
    HRESULT ChangeStart() override;
    HRESULT ChangeStop() override { return E_NOTIMPL; }
    HRESULT ChangeRate() override { return E_NOTIMPL; }

    // Sets duration and stop to the media's duration and start to 0 (DecideBufferSize).
    void SetDurationFromMedia();
    // True once (and clears the flag) when the next sample is a discontinuity.
    bool TakeDiscontinuity();

    CVelloSource* const m_pSource;
    CCritSec m_cSharedState;
    CCritSec m_SeekingLock;
    REFERENCE_TIME m_rtSampleTime = 0;  // guarded by m_cSharedState
    bool m_bDiscontinuity = false;      // streaming thread only
    bool m_bSeeking = false;            // guarded by m_SeekingLock
    int64_t m_llReserved = 0;           // for the derived pins
};

}  // namespace zvp
