#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Mutex.h"
#include "graph/CSystemClock.h"
#include "graph/GraphTypes.h"
#include "graph/IMediaEventSink.h"

class QObject;
class QWidget;

namespace zvp {

class CBaseFilter;
class CBasePin;
class IReferenceClock;

// The graph runner: owns the filters added to it, connects pins, runs/pauses/stops them
// together against one reference clock, seeks through the source pins' seeking, and keeps
// the event queue the owner drains.
//
// Clock: the first filter offering a clock (the audio renderer) else the system clock; set on
// every filter at the first Pause (or SetDefaultSyncSource).
//
// State changes: Pause from stopped pauses the renderers first, then the other filters
// (source pins start streaming; each renderer pre-rolls one sample, EC_PAUSED follows when
// all have, unless Run or a seek came first; Run's and a seek's own pauses report nothing).
// Run sets the start time so that the stream continues where it paused (stream
// time 0 at the first Run). Stop stops renderers first (releasing streaming threads blocked
// in delivery), then the others. Seeking while running pauses, seeks, and runs again with
// stream time restarting at 0; while paused or stopped it seeks only. The current position
// is the last seek position plus stream time, clamped to the duration; Stop keeps the position
// where it stopped and does not rewind the sources (the owner seeks before running again).
//
// Events: filters report through Notify. EC_COMPLETE from a renderer is counted; the graph
// queues one EC_COMPLETE when every connected renderer has completed (counting restarts at
// Run from stopped and at each seek). EC_ERRORABORT, EC_USERABORT and other codes are
// queued as they come. After each queued event the notify callback (if any) is invoked on
// the notify target's thread through a queued call.
//
// Threads: the control operations (AddFilter, Connect, Run, Pause, Stop, SetPositions,
// put_Volume, the queries) come from one controlling thread at a time (the UI thread, or a
// worker it hands a seek to and waits for before its next call) and are serialised by
// `controlLock_`. Notify, GetEvent and FreeEventParams may be called on any
// thread; the event queue is guarded by `eventLock_`, a leaf lock.
//
// Life: the destructor stops the graph, disconnects and destroys the filters. Never hangs:
// every streaming wait ends on stop.
class CFilterGraph : public IMediaEventSink {
  public:
    CFilterGraph();
    ~CFilterGraph() override;
    CFilterGraph(const CFilterGraph&) = delete;
    CFilterGraph& operator=(const CFilterGraph&) = delete;

    // Takes ownership of `filter` (E_POINTER for null, VFW_E_WRONG_STATE unless stopped).
    // The filter stays valid until the graph is destroyed.
    HRESULT AddFilter(std::unique_ptr<CBaseFilter> filter, const char* name) EXCLUDES(controlLock_);
    int GetFilterCount() const EXCLUDES(controlLock_);
    CBaseFilter* GetFilter(int n) const EXCLUDES(controlLock_);
    // Connects an output pin to an input pin by the output pin's preferred types
    // (VFW_E_WRONG_STATE unless stopped; the pins' results otherwise).
    HRESULT Connect(CBasePin* pOut, CBasePin* pIn) EXCLUDES(controlLock_);
    // The first input pin of `filter`, or null.
    static CBasePin* FindInputPin(CBaseFilter* filter);

    // IMediaControl.
    HRESULT Run() EXCLUDES(controlLock_);
    HRESULT Pause() EXCLUDES(controlLock_);
    HRESULT Stop() EXCLUDES(controlLock_);
    // The graph's state; VFW_S_STATE_INTERMEDIATE while paused and a renderer has not yet
    // pre-rolled after waiting up to `msTimeout` ms.
    HRESULT GetState(long msTimeout, FILTER_STATE* pState) EXCLUDES(controlLock_);

    // IMediaSeeking (100 ns units). SetPositions: only a start position with
    // AM_SEEKING_AbsolutePositioning or RelativePositioning moves the stream; it goes to
    // the source pins' seeking in pin order until one accepts (S_OK), else the last
    // failure (E_NOTIMPL when no pin can seek). A stop position is passed on as it is.
    HRESULT SetPositions(REFERENCE_TIME* pCurrent, DWORD dwCurrentFlags, REFERENCE_TIME* pStop,
                         DWORD dwStopFlags) EXCLUDES(controlLock_);
    HRESULT GetCurrentPosition(REFERENCE_TIME* pCurrent) EXCLUDES(controlLock_);
    // The largest duration of the source pins; E_NOTIMPL when none can tell.
    HRESULT GetDuration(REFERENCE_TIME* pDuration) EXCLUDES(controlLock_);
    // The capabilities all seekable source pins share; E_NOTIMPL when none.
    HRESULT GetCapabilities(DWORD* pCapabilities) EXCLUDES(controlLock_);

    // Chooses the clock now (see above).
    HRESULT SetDefaultSyncSource() EXCLUDES(controlLock_);
    IReferenceClock* GetSyncSource() const EXCLUDES(controlLock_);

    // IBasicVideo / IVideoWindow through the first video renderer.
    HRESULT GetVideoSize(long* pWidth, long* pHeight) EXCLUDES(controlLock_);
    // The video renderer's widget (UI thread), or null.
    QWidget* GetVideoWidget() EXCLUDES(controlLock_);

    // IBasicAudio through the first audio renderer; E_NOTIMPL without one.
    HRESULT put_Volume(long lVolume) EXCLUDES(controlLock_);
    HRESULT get_Volume(long* plVolume) EXCLUDES(controlLock_);

    // IMediaEvent. Takes the oldest event; waits up to `msTimeout` ms (0: no wait,
    // INFINITE_WAIT: no limit) and returns E_ABORT when none came.
    HRESULT GetEvent(long* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, long msTimeout)
        EXCLUDES(eventLock_);
    HRESULT FreeEventParams(long lEventCode, LONG_PTR lParam1, LONG_PTR lParam2);
    // Invokes `callback` on `target`'s thread (queued) after each event is queued; null
    // target stops notifications. The owner clears it before destroying `target`.
    HRESULT SetNotifyTarget(QObject* target, std::function<void()> callback) EXCLUDES(eventLock_);

    // IMediaEventSink, for filters.
    HRESULT Notify(CBaseFilter* sender, long eventCode, LONG_PTR p1, LONG_PTR p2) override
        EXCLUDES(eventLock_);

  private:
    struct Event {
        long code;
        LONG_PTR p1;
        LONG_PTR p2;
    };
    struct Entry {
        std::unique_ptr<CBaseFilter> filter;
        std::string name;
    };

    bool IsRenderer(CBaseFilter* f) const;
    // `announce`: report EC_PAUSED once the renderers are ready (not for a seek's pause).
    HRESULT PauseLocked(bool announce = true) REQUIRES(controlLock_) EXCLUDES(eventLock_);
    HRESULT StopLocked() REQUIRES(controlLock_) EXCLUDES(eventLock_);
    HRESULT RunFiltersLocked(REFERENCE_TIME tStart) REQUIRES(controlLock_) EXCLUDES(eventLock_);
    void ChooseClockLocked() REQUIRES(controlLock_);
    REFERENCE_TIME ClockNow() const REQUIRES(controlLock_);
    REFERENCE_TIME StreamTimeLocked() const REQUIRES(controlLock_);
    void ResetCompletionLocked() REQUIRES(controlLock_) EXCLUDES(eventLock_);
    void QueueEvent(long code, LONG_PTR p1, LONG_PTR p2) REQUIRES(eventLock_);

    // Taken before eventLock_, never the other way round.
    mutable Mutex controlLock_;
    std::vector<Entry> filters_ GUARDED_BY(controlLock_);
    FILTER_STATE state_ GUARDED_BY(controlLock_) = State_Stopped;
    CSystemClock systemClock_;
    IReferenceClock* clock_ GUARDED_BY(controlLock_) = nullptr;  // not owned
    REFERENCE_TIME tStart_ GUARDED_BY(controlLock_) = 0;
    REFERENCE_TIME pausedStreamTime_ GUARDED_BY(controlLock_) = 0;  // stream time at pause
    REFERENCE_TIME segmentStart_ GUARDED_BY(controlLock_) = 0;      // last seek position
    long volume_ GUARDED_BY(controlLock_) = 0;

    mutable Mutex eventLock_;
    CondVar eventCv_;
    std::deque<Event> events_ GUARDED_BY(eventLock_);
    std::set<CBaseFilter*> renderers_ GUARDED_BY(eventLock_);  // connected renderers
    std::set<CBaseFilter*> completed_ GUARDED_BY(eventLock_);
    std::set<CBaseFilter*> prerolled_ GUARDED_BY(eventLock_);
    bool completeSent_ GUARDED_BY(eventLock_) = false;
    bool pausePending_ GUARDED_BY(eventLock_) = false;        // EC_PAUSED not yet sent
    QObject* notifyTarget_ GUARDED_BY(eventLock_) = nullptr;  // not owned
    std::function<void()> notifyCallback_ GUARDED_BY(eventLock_);
};

}  // namespace zvp
