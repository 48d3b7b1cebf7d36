#pragma once

#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/ObserverHandlers.h"
#include "skin/CSkinImageCache.h"
#include "ui/WheelSteps.h"

class QWidget;

namespace zvp {

class CControlCenter;
class CSkinButton;
class CSkinButtonPlay;
class CSkinCheck;
class CSkinCtrl;
class CSkinSlider;
class CSkinString;
class CSkinWnd;

// The strip of controls along the bottom of the screen in full screen: transport buttons,
// mute, the position and volume bars and the progress line. Its window, and the controls in
// it, exist only while it is shown: CreateToolbar makes them, DestroyToolbar lets them go (the
// window is deleted from the event loop, so a call from inside one of its own handlers is
// safe). The window never takes focus, so keys keep going to the main window.
//
// Observes the control centre's "Media..." events and the engine's "VolumeChanged" and
// "MuteChanged" only while its window exists, and its controls' events; each handler does
// nothing without a window. The hovered time shows for 3000 ms on its own timer.
//
// Life: `owner` (the main window, whose file cache a skin's images load through) and
// `center` (not owned) outlive the toolbar. UI thread only.
class CFullScreenToolbar : public Observer<CFullScreenToolbar> {
  public:
    static constexpr int kHeight = 40;

    CFullScreenToolbar(CSkinWnd& owner, CControlCenter& center);
    ~CFullScreenToolbar() override;
    CFullScreenToolbar(const CFullScreenToolbar&) = delete;
    CFullScreenToolbar& operator=(const CFullScreenToolbar&) = delete;

    // Makes and shows the window across the bottom of the screen `parent` is on, as a tool
    // window stacked over it. Does nothing when the window exists. False when it cannot be
    // made.
    bool CreateToolbar(QWidget* parent);
    // Unsubscribes and lets the window and its controls go. Nothing without a window.
    void DestroyToolbar();
    bool HasWindow() const;
    // The window, or null.
    QWidget* Window() const;
    // The background tile, or null (a skin without a "fullscreen_window" image).
    const CMemDC2* Background() const;
    bool IsHoverShown() const { return hoverShown_; }

    // The controls while the window exists (tests, and the main window's wheel).
    CSkinButtonPlay* PlayButton() const;
    CSkinCheck* MuteCheck() const;
    CSkinSlider* PositionBar() const;
    CSkinSlider* VolumeBar() const;
    CSkinString* ProgressLine() const;
    CSkinButton* StopButton() const;

    // Steps the volume by 5 per whole 120 of accumulated wheel delta.
    void OnWheel(int angleDelta);

  private:
    class ToolbarWindow;

    void InitialState();
    void Subscribe();
    void ApplySkin();
    void ShowProgress(double position, double duration);
    void ResetState(bool hideProgress);

    void OnPlayClicked(ISubject*, EventArg, EventArg);
    void OnStopClicked(ISubject*, EventArg, EventArg);
    void OnPrevClicked(ISubject*, EventArg, EventArg);
    void OnNextClicked(ISubject*, EventArg, EventArg);
    void OnOpenClicked(ISubject*, EventArg, EventArg);
    void OnMuteClicked(ISubject*, EventArg, EventArg);
    void OnPositionChanged(ISubject*, EventArg, EventArg);
    void OnPositionHovered(ISubject*, EventArg, EventArg);
    void OnVolumeSliderChanged(ISubject*, EventArg, EventArg);
    void OnMediaLoaded(ISubject*, EventArg, EventArg);
    void OnMediaPlaying(ISubject*, EventArg, EventArg);
    void OnMediaPaused(ISubject*, EventArg, EventArg);
    void OnMediaStopped(ISubject*, EventArg, EventArg);
    void OnMediaLoadFailed(ISubject*, EventArg, EventArg);
    void OnMediaPositionChanged(ISubject*, EventArg, EventArg);
    void OnVolumeChanged(ISubject*, EventArg, EventArg);
    void OnMuteChanged(ISubject*, EventArg, EventArg);

    CSkinWnd& owner_;
    CControlCenter& center_;
    CSkinImageCache cache_;  // the built-in art at the toolbar's pixel ratio
    QPointer<ToolbarWindow> window_;
    QPointer<ToolbarWindow> dying_;  // hidden, deleted from the event loop (or with us)
    double duration_ = 0.0;
    bool hoverShown_ = false;
    QTimer hoverTimer_;
    WheelSteps wheel_;
};

}  // namespace zvp
