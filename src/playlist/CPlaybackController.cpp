#include "playlist/CPlaybackController.h"

extern "C" {
#include <libavutil/log.h>
}

#include <mutex>

#include "engine/CEngineStateAborted.h"
#include "engine/CEngineStateLoaded.h"
#include "engine/CEngineStatePaused.h"
#include "engine/CEngineStatePlaying.h"
#include "engine/CEngineStateStopped.h"
#include "engine/CPictureRatioFitSource.h"
#include "engine/PictureRatio.h"

namespace zvp {

CPlaybackController::CPlaybackController() = default;

CPlaybackController::~CPlaybackController() {
    engine_.Detach(this);
}

bool CPlaybackController::Initialize(QWidget* parent) {
    parent_ = parent;
    SetCurrentAspectRatio(&CAspectRatioFitSource::Instance());
    if (!engine_.Create(parent)) return false;
    state_ = &CEngineStateStopped::Instance();

    engine_.Attach(this, "Loaded", Handler(&CPlaybackController::OnLoaded));
    engine_.Attach(this, "Playing", Handler(&CPlaybackController::OnPlaying));
    engine_.Attach(this, "Paused", Handler(&CPlaybackController::OnPaused));
    engine_.Attach(this, "Stopped", Handler(&CPlaybackController::OnStopped));
    engine_.Attach(this, "Aborted", Handler(&CPlaybackController::OnAborted));
    engine_.Attach(this, "Completed", Handler(&CPlaybackController::OnCompleted));
    engine_.Attach(this, "LoadFailed", Handler(&CPlaybackController::OnLoadFailed));
    engine_.Attach(this, "PositionChanged", Handler(&CPlaybackController::OnPositionChanged));
    engine_.Attach(this, "VolumeChanged", Handler(&CPlaybackController::OnVolumeChanged));
    engine_.Attach(this, "MuteChanged", Handler(&CPlaybackController::OnMuteChanged));

    // FFmpeg needs no registration; only its repeated log lines are folded, once per process.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_flags(AV_LOG_SKIP_REPEATED); });
    return true;
}

bool CPlaybackController::CloseMedia() {
    engine_.ReleaseGraph();
    return true;
}

bool CPlaybackController::Load(CClipInfo* clip) {
    if (!state_) return false;
    const bool ok = engine_.Load(clip);
    if (ok) state_ = &CEngineStateLoaded::Instance();
    return ok;
}

void CPlaybackController::TogglePlay() {
    if (state_) state_->TogglePlay(engine_);
}

void CPlaybackController::Stop() {
    if (state_) state_->Stop(engine_);
}

void CPlaybackController::Abort() {
    if (state_) state_->Abort(engine_);
}

std::string CPlaybackController::GetStateName() const {
    return state_ ? state_->GetName() : std::string();
}

void CPlaybackController::OnLoaded(ISubject*, EventArg arg1, EventArg arg2) {
    // Observers of "MediaLoaded" (which may start playback at once) see the Loaded state,
    // as observers of every other event see the state it leads to.
    state_ = &CEngineStateLoaded::Instance();
    Notify("MediaLoaded", arg1, arg2);
}

void CPlaybackController::OnPlaying(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStatePlaying::Instance();
    Notify("MediaPlaying", arg1, arg2);
}

void CPlaybackController::OnPaused(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStatePaused::Instance();
    Notify("MediaPaused", arg1, arg2);
}

void CPlaybackController::OnStopped(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStateStopped::Instance();
    Notify("MediaStopped", arg1, arg2);
}

void CPlaybackController::OnAborted(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStateAborted::Instance();
    Notify("MediaAborted", arg1, arg2);
}

void CPlaybackController::OnCompleted(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStateStopped::Instance();
    Notify("MediaCompleted", arg1, arg2);
}

void CPlaybackController::OnLoadFailed(ISubject*, EventArg arg1, EventArg arg2) {
    state_ = &CEngineStateStopped::Instance();
    Notify("MediaLoadFailed", arg1, arg2);
}

void CPlaybackController::OnPositionChanged(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaPositionChanged", arg1, arg2);
}

void CPlaybackController::OnVolumeChanged(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("VolumeChanged", arg1, arg2);
}

void CPlaybackController::OnMuteChanged(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MuteChanged", arg1, arg2);
}

}  // namespace zvp
