#pragma once

#include <memory>

#include "app/Mutex.h"
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
// Threads: state changes (Stop, Pause, Run, SetSyncSource) come one at a time from the graph's
// thread; each updates the filter state under the interface lock (the filter's state lock) and
// calls its hooks after releasing it. Receive/EndOfStream run on the upstream streaming
// thread; flushes on the seeking thread. `rendererLock_` guards the streaming state below and
// is never held while calling a hook, the clock or the graph. `notifyLock_` orders the
// EC_COMPLETE and EC_RENDERER_FLUSHED reports: it is held across the decision and the report,
// so that an EC_COMPLETE cannot reach the graph after the EC_RENDERER_FLUSHED of a flush that
// began later. It is taken before `rendererLock_` (never the other way round) and only around
// the graph's Notify, which takes the graph's own leaf lock and never calls back.
class CBaseRenderer : public CBaseFilter {
  public:
    CBaseRenderer(const char* pName, HRESULT* phr);
    ~CBaseRenderer() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    CRendererInputPin* InputPin() const { return m_pInputPin.get(); }

    HRESULT Stop() override EXCLUDES(rendererLock_);
    HRESULT Pause() override EXCLUDES(rendererLock_);
    HRESULT Run(REFERENCE_TIME tStart) override EXCLUDES(rendererLock_);
    HRESULT GetState(long msTimeout, FILTER_STATE* pState) override EXCLUDES(rendererLock_);
    HRESULT SetSyncSource(IReferenceClock* pClock) override EXCLUDES(rendererLock_);

    // Fast mode: present samples as soon as the renderer runs, ignoring their times.
    void SetFastMode(bool fast) EXCLUDES(rendererLock_);

    // --- called by the input pin ---
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt) { return S_OK; }
    virtual HRESULT CompleteConnect(CBasePin* pReceivePin) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }
    // True when DoRenderSample reads a YV12 sample's lent frame (CMediaSample::LentFrame)
    // where there is one; the input pin answers TakesFramePlanes with it.
    virtual bool TakesFramePlanes() const { return false; }
    HRESULT Receive(IMediaSample* pSample) EXCLUDES(rendererLock_);
    HRESULT EndOfStream() EXCLUDES(rendererLock_, notifyLock_);
    HRESULT BeginFlush() EXCLUDES(rendererLock_, notifyLock_);
    HRESULT EndFlush() EXCLUDES(rendererLock_);
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
    // Hooks, called without any lock held: streaming begins (stopped → paused), ends (→ stopped),
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
    bool MarkPrerolled() EXCLUDES(rendererLock_);
    // Waits until the renderer runs and, for a timed sample outside fast mode, until stream
    // time reaches `start`. False when a stop or flush ended the wait.
    bool WaitForRenderTime(bool timed, REFERENCE_TIME start) EXCLUDES(rendererLock_);
    // Reports EC_COMPLETE once when due (see above). Any thread, no lock held.
    void CheckCompletion() EXCLUDES(rendererLock_, notifyLock_);
    // The current stream time by the clock, false without a clock or while stopped.
    bool CurrentStreamTime(REFERENCE_TIME* pStreamTime) EXCLUDES(rendererLock_);
    // True while samples are being dropped (stopped or flushing).
    bool IsAborting() EXCLUDES(rendererLock_);
    bool IsFastMode() EXCLUDES(rendererLock_);

    // The filter's state lock (recursive, reached by the base through m_pLock: the members it
    // guards are not annotated, see CCritSec).
    CCritSec m_InterfaceLock;
    std::unique_ptr<CRendererInputPin> m_pInputPin;

  private:
    void NotifyReady() EXCLUDES(rendererLock_);
    // End of stream received, not yet reported, running and not flushing.
    bool CompletionDueLocked() REQUIRES(rendererLock_);

    Mutex notifyLock_;
    Mutex rendererLock_;
    CondVar stateChanged_;
    FILTER_STATE rstate_ GUARDED_BY(rendererLock_) = State_Stopped;
    IReferenceClock* rclock_ GUARDED_BY(rendererLock_) = nullptr;  // not owned
    REFERENCE_TIME rtStart_ GUARDED_BY(rendererLock_) = 0;
    bool flushing_ GUARDED_BY(rendererLock_) = false;
    bool eos_ GUARDED_BY(rendererLock_) = false;
    bool completeSent_ GUARDED_BY(rendererLock_) = false;
    bool ready_ GUARDED_BY(rendererLock_) = false;  // pre-rolled or ended
    bool fast_ GUARDED_BY(rendererLock_) = false;
};

}  // namespace zvp
