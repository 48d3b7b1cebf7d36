#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ISubject.h"
#include "app/ITimerClient.h"
#include "engine/CSeekWorker.h"
#include "engine/CSourceOpener.h"
#include "engine/IPlayback.h"

namespace zvp {

class CBaseFilter;
class CBasePin;
class CClipInfo;
class CFilterGraph;
class CPlaybackInfo;
class CVelloSource;

// Makers of the renderers the engine connects the source's pins to. Each returns a new
// renderer, or null when it cannot be made. Called on the UI thread during Load.
struct EngineRenderers {
    std::function<std::unique_ptr<CBaseFilter>()> video;          // tried first
    std::function<std::unique_ptr<CBaseFilter>()> videoFallback;  // when `video` gives null
    std::function<std::unique_ptr<CBaseFilter>()> audio;
};

// The playback engine: for one file at a time it builds a graph around a CVelloSource,
// connects the source's pins to a video and an audio renderer, hosts the video in itself (a
// child widget of the window given to Create), runs, pauses, stops and seeks the graph, sets
// volume and mute, and reports all of it as named events on its own subject:
//
//   "Loaded"/"LoadFailed"   (the CClipInfo*, the engine)     Load
//   "Playing"               (0, the engine)                   Play, Resume
//   "Paused"/"Stopped"      (0, the engine)                   Pause, Stop
//   "Aborted"               (percent played, the engine)      Abort
//   "Completed"             (100, the engine)                 end of clip or abort from the graph
//   "UserAbort"/"ErrorAbort" (0, the engine)                  abort from the graph
//   "PositionChanged"       (whole seconds, whole seconds of duration)
//   "VolumeChanged"         (volume 0..100, 0)    "MuteChanged" (mute flag, 0)
//
// A failed load logs "Load failed: {path}"; the end of playback the graph reports logs
// "Playback ended: Completed|UserAbort|ErrorAbort {path}".
//
// Every event whose second parameter is the engine goes through PublishState, which first
// records its name as the state name (so it may also read "LoadFailed", "Completed", ...).
//
// Threads: UI thread only. Events are published synchronously, so observers run inside the
// engine call that caused them (the controller switches its state inside Stop, for example).
// Seeks of a seekable file run on a seek worker (CSeekWorker): SetPosition publishes
// "PositionChanged" and returns while the graph seeks; every later call that controls the
// graph first waits for that seek, so the graph sees the calls, and observers the events, in
// the order the calls were made. Meanwhile GetPosition reports the target and GetDuration
// the duration last read.
// Graph events arrive as a queued call on the UI thread (OnGraphEvent); the position tick is
// timer id 10 of the TimerService, every 250 ms while playing or paused.
//
// Background loads (SetBackgroundLoad, the player's choice): Load checks the path, starts the
// file's probe on a CSourceOpener and returns true at once; the rest of the load (graph,
// renderers, "Loaded" or "LoadFailed") follows as a queued call on the UI thread when the
// probe ends. Meanwhile IsLoaded is true, Play and Resume are remembered and carried out right
// after "Loaded" (dropped after "LoadFailed"), positions and durations read 0, and every other
// call that controls the graph or the source first finishes the load (FinishLoad), so
// observers see the events in the order of the calls, as with a load on the UI thread.
// ReleaseGraph and destruction drop a load under way without publishing anything. The record
// given to Load must live until the load has finished: whoever deletes records calls
// FinishLoad first.
//
// Life: the widget is made with the engine but takes part in layouts only after Create.
// Destruction releases the graph (which stops it) and the position tick. The widget must not
// be deleted by its Qt parent: the owner destroys the engine before the parent, or the engine
// leaves its parent when the parent is being destroyed (Create arranges this).
class CEngineDS : public QWidget, public ISubject, public ITimerClient, public IPlayback {
  public:
    static constexpr uint32_t kPositionTimerId = 10;
    static constexpr uint32_t kPositionTimerPeriodMs = 250;

    CEngineDS();
    ~CEngineDS() override;
    CEngineDS(const CEngineDS&) = delete;
    CEngineDS& operator=(const CEngineDS&) = delete;

    // Makes the engine a child window of `parent`, named "Zeph Media Engine", visible, empty,
    // and transparent to mouse input so that clicks over the video reach the parent. Clears
    // the loaded flag. False for a null parent.
    bool Create(QWidget* parent);
    bool IsCreated() const { return created_; }

    // IPlayback.
    bool Load(CClipInfo* clip) override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Stop() override;
    // Seeks to the whole seconds of `seconds` and publishes "PositionChanged". A file that
    // can seek is sought on the seek worker (a failure there is logged, and the position
    // tick reports where playback stands); any other is sought here, and "PositionChanged"
    // follows only when the graph took the position.
    void SetPosition(double seconds) override;
    // Whole seconds (the position truncated; the target while a seek runs); 0 without a
    // graph.
    double GetPosition() override;
    void SetMute(bool mute) override;
    bool IsMuted() override { return muted_; }
    // Stores `volume` (no range check; callers clamp) and publishes "VolumeChanged".
    void SetVolume(int32_t volume) override;
    int32_t GetVolume() override { return volume_; }

    // Stop again (as the second stop entry of the engine's own interface).
    virtual void Stop2() { Stop(); }
    // Fractional seconds; 0 without a graph.
    virtual double GetDuration();
    virtual std::string GetEngineName() const { return "DirectShow Engine"; }
    // The widget the video is shown in (this engine).
    virtual QWidget* GetVideoWindowHandle() { return this; }

    // True from a successful Load (or a background load's start) until Stop, Abort, a failed
    // load or the next Load.
    bool IsLoaded() const { return loaded_; }
    // Loads probe their file on a worker (see above) instead of on the calling thread.
    void SetBackgroundLoad(bool on) { backgroundLoad_ = on; }
    // A background load's probe is under way or its completion not yet run.
    bool IsLoading() const { return loading_ != nullptr; }
    // Waits for a background load's probe, if one is under way, and completes the load
    // ("Loaded" or "LoadFailed", then "Playing" when Play was called meanwhile). Nothing
    // otherwise.
    void FinishLoad();
    bool IsPlayingOrPaused() const { return stateName_ == "Playing" || stateName_ == "Paused"; }
    const std::string& GetStateName() const { return stateName_; }

    // Stops, rewinds to 0 and keeps the graph, so a later Play starts the same file again.
    void Abort();
    // Stops the graph and seeks it to 0 without publishing anything.
    void StopGraph();
    // Seeks the graph to `seconds` without publishing anything; false (logged) when no
    // source pin took the position or there is no graph.
    bool SetDamnPosition(double seconds);
    // Releases the graph and the source without publishing anything, stops the position
    // tick and clears the subtitle registry. The video widget goes with its renderer.
    void ReleaseGraph();

    void StepBackward();
    void StepForward();
    void VolumeDown();
    void VolumeUp();
    // 0..100 of the duration in whole seconds; 0 for an unknown duration.
    int GetPlayedPercent();

    // Track selection through the source's open media file; false without a source or for a
    // negative index (or when the stream cannot be opened).
    bool SelectAudioStream(int index);
    bool SelectSubtitleStream(int index);
    bool GetAudioStreams(std::vector<int>& streams, int& current);
    bool GetSubtitleStreams(std::vector<int>& streams, int& current);
    // The source's open media file, or null. Valid until the next Load, Stop or ReleaseGraph.
    CPlaybackInfo* GetMediaFile();

    // Subtitle commands; each does nothing without a source.
    // Shows the picked file `path` itself when it exists and can be prepared (otherwise the
    // shown subtitles stay; CSubtitleFile logs why); with `remember` a shown file is also
    // entered in the list of used files that the subtitle menu offers.
    void LoadExternalSubtitle(const std::string& path, bool remember);
    void HideExternalSubtitles();
    void HideEmbeddedSubtitles();

    // Drains the graph's event queue (EC_COMPLETE, EC_USERABORT, EC_ERRORABORT). Called on the
    // UI thread by the graph's queued notification.
    void OnGraphEvent();

    // ITimerClient: timer id 10 publishes "PositionChanged"; other ids are ignored.
    void OnTimer(uint32_t timerId) override;

    // The current graph (null while none, a background load's probe included), once any
    // seek under way has ended: tests and diagnostics.
    CFilterGraph* GetGraph() const {
        seeker_.Wait();
        return graph_.get();
    }
    // Waits for the seek under way, if any.
    void WaitForSeek() { seeker_.Wait(); }
    // The renderers used by later loads (the default: OpenGL video, software video as the
    // fallback, SDL2 audio).
    void SetRenderers(EngineRenderers renderers);
    static EngineRenderers DefaultRenderers();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PublishState(const std::string& name, EventArg param);
    void ApplyVolume(int32_t volume);
    void QueryClipInfo(CClipInfo& clip);
    bool LoadFailed(CClipInfo& clip);
    // The load after the source has been loaded: graph, renderers, clip details, "Loaded".
    bool CompleteLoad(CClipInfo& clip, std::unique_ptr<CVelloSource> source);
    // Waits for the background load's probe and completes that one load.
    void CompleteBackgroundLoad();
    // Drops a background load under way without publishing anything.
    void DropLoad();
    bool ConnectRenderer(CBasePin* pin, bool video);
    void StartTick();
    void StopTick();
    void DetachVideoWidget();
    // The graph, once any seek under way has ended (null while none): every control call
    // goes through it.
    CFilterGraph* Graph() {
        seeker_.Wait();
        return graph_.get();
    }

    bool created_ = false;
    bool loaded_ = false;
    int32_t volume_ = 100;
    bool muted_ = false;
    std::string stateName_ = "Stopped";
    std::unique_ptr<CFilterGraph> graph_;
    CVelloSource* source_ = nullptr;  // owned by graph_
    QPointer<QWidget> videoWidget_;   // owned by the video renderer; hosted while loaded
    bool tickRunning_ = false;
    std::string path_;  // the file of the last Load, for log lines
    EngineRenderers renderers_;
    bool canSeek_ = false;   // the loaded file seeks (on the worker)
    double duration_ = 0.0;  // seconds, as last read from the graph
    bool backgroundLoad_ = false;
    CClipInfo* loading_ = nullptr;           // the record of the background load under way
    std::unique_ptr<CVelloSource> opening_;  // its source, the opener's until its Wait
    bool playWhenLoaded_ = false;            // Play or Resume came during that load
    uint64_t loadSerial_ = 0;                // tells a stale completion from the current one
    // Declared last: destroyed first, after the destructor has released the graph and
    // dropped any load.
    CSourceOpener opener_;
    mutable CSeekWorker seeker_;
};

}  // namespace zvp
