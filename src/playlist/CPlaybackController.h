#pragma once

#include <cstdint>
#include <string>

#include "app/ISubject.h"
#include "app/ITimerClient.h"
#include "app/ObserverHandlers.h"
#include "engine/CEngineDS.h"

class QWidget;

namespace zvp {

class CClipInfo;
class IEngineState;

// The one object through which the player drives playback: it embeds the engine, keeps the
// current engine state (one of the five IEngineState singletons), observes the engine's
// events, switches the state and then republishes each event on its own subject:
//
//   engine event       state becomes        published
//   "Loaded"           Loaded               "MediaLoaded"
//   "Playing"          Playing              "MediaPlaying"
//   "Paused"           Paused               "MediaPaused"
//   "Stopped"          Stopped              "MediaStopped"
//   "Aborted"          Aborted              "MediaAborted"
//   "Completed"        Stopped              "MediaCompleted"
//   "LoadFailed"       Stopped              "MediaLoadFailed"
//   "PositionChanged"  -                    "MediaPositionChanged"
//   "VolumeChanged"    -                    "VolumeChanged"
//   "MuteChanged"      -                    "MuteChanged"
//
// Each republished event keeps the engine event's two parameters. Commands publish nothing
// themselves; everything observers see comes from the engine, synchronously inside the
// command that caused it.
//
// Threads: UI thread only. Life: Initialize once the parent window exists; commands before a
// successful Initialize do nothing. The engine (a child widget of the parent) is destroyed
// with the controller.
class CPlaybackController : public ISubject,
                            public Observer<CPlaybackController>,
                            public ITimerClient {
  public:
    CPlaybackController();
    ~CPlaybackController() override;
    CPlaybackController(const CPlaybackController&) = delete;
    CPlaybackController& operator=(const CPlaybackController&) = delete;

    // Makes the fit-to-source aspect ratio the current one (CurrentAspectRatio), creates the
    // engine window as a child of `parent`, selects the Stopped state and subscribes to the
    // engine's events. False (and nothing done after the aspect ratio) when the engine window
    // cannot be created.
    virtual bool Initialize(QWidget* parent);
    // Releases the engine's graph without publishing anything. Always true.
    virtual bool CloseMedia();
    virtual bool IsMuted() { return engine_.IsMuted(); }
    virtual int32_t GetVolume() { return engine_.GetVolume(); }

    // The engine's Load; on success the state becomes Loaded.
    bool Load(CClipInfo* clip);
    void TogglePlay();
    void Stop();
    void Abort();
    // The current state's name ("Stopped", "Loaded", "Playing", "Paused", "Aborted"), or
    // empty before Initialize.
    std::string GetStateName() const;
    const IEngineState* GetState() const { return state_; }

    void SetPosition(double seconds) { engine_.SetPosition(seconds); }
    double GetPosition() { return engine_.GetPosition(); }
    double GetDuration() { return engine_.GetDuration(); }
    void SetVolume(int32_t volume) { engine_.SetVolume(volume); }
    void SetMute(bool mute) { engine_.SetMute(mute); }
    void StepBackward() { engine_.StepBackward(); }
    void StepForward() { engine_.StepForward(); }
    void VolumeDown() { engine_.VolumeDown(); }
    void VolumeUp() { engine_.VolumeUp(); }

    // The embedded engine, for direct queries (IsLoaded, stream selection, subtitles, ...).
    CEngineDS& GetEngine() { return engine_; }

    // ITimerClient: the controller runs no timer of its own.
    void OnTimer(uint32_t timerId) override {}

  private:
    void OnLoaded(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnPlaying(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnPaused(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnStopped(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnAborted(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnCompleted(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnLoadFailed(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnPositionChanged(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnVolumeChanged(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMuteChanged(ISubject* subject, EventArg arg1, EventArg arg2);

    CEngineDS engine_;
    const IEngineState* state_ = nullptr;  // a singleton; null until Initialize
    QWidget* parent_ = nullptr;            // not owned
};

}  // namespace zvp
