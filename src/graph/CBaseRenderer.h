#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "graph/CBaseFilter.h"
#include "graph/CCritSec.h"
#include "graph/CMediaSample.h"
#include "graph/CMediaType.h"

namespace zvp {

class CRendererInputPin;

// A renderer: a filter with one input pin that presents samples by their stream time.
//
// Receive (on the upstream streaming thread): refused with VFW_E_WRONG_STATE while stopped,
// S_FALSE while flushing, VFW_E_SAMPLE_REJECTED_EOS after end of stream; otherwise
// ProcessSample. The default ProcessSample pre-rolls the first sample that arrives while
// paused (OnReceiveFirstSample: a video renderer shows it), then waits until the renderer
// runs and the clock's stream time reaches the sample's start time (untimed samples and
// fast mode: as soon as it runs), then DoRenderSample. A wait ends early on stop or flush
// (the sample is dropped, S_FALSE).
//
// End of stream: once received, further samples are refused; EC_COMPLETE is reported once
// when the renderer runs and IsEndOfStreamPlayed() (default: at once). A flush or stop
// clears it. EC_PAUSED is reported (to the graph, which counts renderers) when a paused
// renderer becomes ready: it pre-rolled a sample or received end of stream.
//
// Threads: state changes on the graph's thread under the interface lock (the filter's state
// lock); Receive/EndOfStream on the upstream streaming thread; flushes on the seeking
// thread. `rendererLock_` guards the streaming state below and is never held while calling
// a hook, the clock or the graph.
class CBaseRenderer : public CBaseFilter {
  public:
    CBaseRenderer(const char* pName, HRESULT* phr);
    ~CBaseRenderer() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    CRendererInputPin* InputPin() const { return m_pInputPin.get(); }

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(long msTimeout, FILTER_STATE* pState) override;
    HRESULT SetSyncSource(IReferenceClock* pClock) override;

    // Fast mode: present samples as soon as the renderer runs, ignoring their times.
    void SetFastMode(bool fast);

    // --- called by the input pin ---
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt) { return S_OK; }
    virtual HRESULT CompleteConnect(CBasePin* pReceivePin) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    HRESULT Receive(IMediaSample* pSample);
    HRESULT EndOfStream();
    HRESULT BeginFlush();
    HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
        return S_OK;
    }

  protected:
    // Presents one sample (no lock held).
    virtual HRESULT DoRenderSample(IMediaSample* pSample) = 0;
    // Default timing (see above); renderers with other timing override it.
    virtual HRESULT ProcessSample(IMediaSample* pSample);
    // The first sample received while paused (the poster frame). No lock held.
    virtual void OnReceiveFirstSample(IMediaSample* pSample) {}
    // Hooks without any lock held: streaming begins (stopped → paused), ends (→ stopped),
    // run/pause transitions, flush begin/end, end of stream received.
    virtual void OnStartStreaming() {}
    virtual void OnStopStreaming() {}
    virtual void OnRunning() {}
    virtual void OnPausing() {}
    virtual void OnBeginFlush() {}
    virtual void OnEndFlush() {}
    virtual void OnEndOfStream() {}
    // True when everything received before end of stream has been presented.
    virtual bool IsEndOfStreamPlayed() { return true; }

    // Marks the pre-roll of a paused renderer; true when this call did it (the caller
    // shows the sample). Reports EC_PAUSED.
    bool MarkPrerolled();
    // Waits until the renderer runs and, for a timed sample outside fast mode, until stream
    // time reaches `start`. False when a stop or flush ended the wait.
    bool WaitForRenderTime(bool timed, REFERENCE_TIME start);
    // Reports EC_COMPLETE once when due (see above). Any thread, no lock held.
    void CheckCompletion();
    // The current stream time by the clock, false without a clock or while stopped.
    bool CurrentStreamTime(REFERENCE_TIME* pStreamTime);
    // True while samples are being dropped (stopped or flushing).
    bool IsAborting();
    bool IsFastMode();

    CCritSec m_InterfaceLock;  // the filter's state lock
    std::unique_ptr<CRendererInputPin> m_pInputPin;

  private:
    void NotifyReady();

    std::mutex rendererLock_;
    std::condition_variable stateChanged_;
    FILTER_STATE rstate_ = State_Stopped;  // guarded by rendererLock_
    IReferenceClock* rclock_ = nullptr;    // guarded by rendererLock_; not owned
    REFERENCE_TIME rtStart_ = 0;           // guarded by rendererLock_
    bool flushing_ = false;                // guarded by rendererLock_
    bool eos_ = false;                     // guarded by rendererLock_
    bool completeSent_ = false;            // guarded by rendererLock_
    bool ready_ = false;                   // guarded by rendererLock_: pre-rolled or ended
    bool fast_ = false;                    // guarded by rendererLock_
};

}  // namespace zvp
