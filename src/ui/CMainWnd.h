#pragma once

#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CScreenSaverInhibitor.h"
#include "app/ITimerClient.h"
#include "app/ObserverHandlers.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinButtonPlay.h"
#include "skin/CSkinCheck.h"
#include "skin/CSkinList.h"
#include "skin/CSkinScreen.h"
#include "skin/CSkinSizer.h"
#include "skin/CSkinSlider.h"
#include "skin/CSkinString.h"
#include "skin/CSkinWnd.h"
#include "skin/SkinApply.h"
#include "ui/CDropTarget.h"
#include "ui/CFileDropTarget.h"
#include "ui/CFullScreenToolbar.h"
#include "ui/CPlayerState.h"
#include "ui/WheelSteps.h"
#include "upgrade/IUpgradeHost.h"

class QMenu;

namespace zvp {

class CControlCenter;
class CPlaylistDialogs;
class CUpgradeWorker;
class IAppDialogs;

// The player's window: the video area, the playlist, the transport buttons, the two sliders,
// the two text lines and the splitter, built from the current skin. It turns clicks, keys,
// the wheel and menu commands into calls on the control centre and the engine, and the
// control centre's events back into the state of its controls. It owns full screen, cursor
// hiding, the window sizing modes, the menus, the screen-saver inhibition and the close
// sequence.
//
// Timers (TimerService ids): 1 full screen's idle check (3000 ms), 2 the upgrade check's start
// (0 ms, once), 3 the hovered time's display (3000 ms, once).
//
// Life: the control centre (not owned) outlives the window; CreateMainWindow initialises it
// with this window's video area as the engine's parent and the control centre's own playlist
// model. Whoever destroys the window takes the engine's widget out of it first (CPellApp does).
// UI thread only.
class CMainWnd : public CSkinWnd,
                 public CDropTarget,
                 public Observer<CMainWnd>,
                 public ITimerClient,
                 public IUpgradeHost {
    Q_OBJECT

  public:
    static constexpr int kDefaultPlaylistWidth = 158;
    static constexpr int kSplitterMinPos = 300;
    static constexpr uint32_t kFullScreenTimer = 1;
    static constexpr uint32_t kUpgradeTimer = 2;
    static constexpr uint32_t kHoverTimer = 3;
    static constexpr uint32_t kIdleMs = 3000;

    explicit CMainWnd(CControlCenter& center);
    ~CMainWnd() override;

    // Makes and shows the window centred at half the screen's size, creates the controls,
    // applies the built-in skin, checks the folder settings, subscribes, initialises the
    // control centre and loads the default playlist, then restores the current row, the loop
    // mode and the aspect ratio. False when the control centre cannot be initialised.
    bool CreateMainWindow();
    QSize GetMinSize() const override { return minSize_; }
    Hit HitTest(QPoint globalPos) const override;

    // Carries out a menu command; ids outside every range do nothing.
    void OnCommand(int id);
    // Hides the window, stops playback, saves the default playlist and the settings, releases
    // the graph and emits Closed. Runs once; later calls do nothing.
    void CloseSequence();

    bool IsFullScreen() const { return fullScreen_; }
    void SetFullScreen(bool on);
    void ToggleFullScreen() { SetFullScreen(!fullScreen_); }
    bool IsOnTop() const { return onTop_; }
    void SetPlaylistWidth(int width);
    int GetRememberedPlaylistWidth() const { return playlistWidth_; }
    bool IsHoverShown() const { return hoverShown_; }
    // The loaded media as the window keeps it (copied from the record at "MediaLoaded").
    bool IsMediaLoaded() const { return loaded_; }
    double GetLoadedDuration() const { return loadedDuration_; }

    // The controls, for the full-screen toolbar and tests.
    CSkinScreen& Screen() { return screen_; }
    CSkinSizer& Sizer() { return sizer_; }
    CSkinList& Playlist() { return playlist_; }
    CSkinButtonPlay& PlayButton() { return play_; }
    CSkinCheck& MuteCheck() { return mute_; }
    CSkinSlider& PositionBar() { return position_; }
    CSkinSlider& VolumeBar() { return volume_; }
    CSkinString& ProgressLine() { return progress_; }
    CSkinString& TitleLine() { return title_; }
    CSkinButton& Button(const char* section);
    CControlCenter& GetControlCenter() { return center_; }

    // The menus as they are built at each opening (owned by the caller).
    std::unique_ptr<QMenu> BuildMainMenu();
    std::unique_ptr<QMenu> BuildResourceMenu(int menuId);
    std::unique_ptr<QMenu> BuildPlaylistContextMenu();
    // The playlist files of the Playlists folder, in listing order ("*.mpl", no subfolders).
    static std::vector<std::string> ListPlaylistFiles();

    void OnTimer(uint32_t timerId) override;

    // Drops: files dragged on the window open (replacing the playlist and playing the first)
    // or, with Ctrl held, are appended. Anything without a local file is refused.
    Qt::DropAction OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys,
                               QPoint point) override;
    Qt::DropAction OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keys,
                              QPoint point) override;
    // Hands the local paths to the control centre; false always, so the source keeps its
    // files whatever the effect.
    bool OnDrop(const QMimeData* data, Qt::DropAction effect, QPoint point) override;
    CFileDropTarget& DropTarget() { return dropTarget_; }
    CFullScreenToolbar& Toolbar() { return toolbar_; }
    // The options, media information and about dialogs (not owned; null greys their menu
    // items). CreateMainWindow sets the application's own; tests may put in a stand-in.
    void SetAppDialogs(IAppDialogs* dialogs) { appDialogs_ = dialogs; }

    // IUpgradeHost: the upgrade check that timer 2 starts reaches the window through these.
    std::string GetRunningVersionText() const override;
    void PostToUiThread(std::function<void()> call) override;
    void AdoptUpgradeDialog(std::unique_ptr<CDlgUpgrading> dialog) override;
    void CloseMainWindow() override;

  signals:
    // The close sequence has run; the application ends its event loop.
    void Closed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    std::array<SkinCtrlSlot, 21> Slots();
    void CheckFolderSettings();
    void Subscribe();
    void SetTooltips();
    void RestoreSettings();
    void AfterSkinChange();
    void ApplyLayout();
    void PlaceForFullScreen();
    // Runs `menu` at `globalPos` with the menu-open flag set, then the chosen command.
    void RunMenu(QMenu& menu, QPoint globalPos);
    void PopupAtButton(int menuId, const char* section);
    void Reset();
    void ShowProgress(double position, double duration);
    void UpdateScreenSaver();
    void OnActivity(QPoint globalPos);
    void ShowCursorNow(bool show);
    void FitToSource();
    void StepVolume(int steps);
    void SetAspect(const char* name);
    // Timer 2: starts the upgrade worker with the settings' addresses.
    void StartUpgradeCheck();
    // The volume, mute state and window rectangle of the last run ("state" settings), with
    // `initial` as the window's default.
    CPlayerState::Values RestoredState(const QRect& initial) const;
    // Stores the volume, mute state and normal window rectangle for the next run.
    void SaveState();

    // Control events.
    void OnPlayClicked(ISubject*, EventArg, EventArg);
    void OnStopClicked(ISubject*, EventArg, EventArg);
    void OnPrevClicked(ISubject*, EventArg, EventArg);
    void OnNextClicked(ISubject*, EventArg, EventArg);
    void OnOpenClicked(ISubject*, EventArg, EventArg);
    void OnMuteClicked(ISubject*, EventArg, EventArg);
    void OnMenuClicked(ISubject*, EventArg, EventArg);
    void OnMinimizeClicked(ISubject*, EventArg, EventArg);
    void OnCloseClicked(ISubject*, EventArg, EventArg);
    void OnPlaylistOpenClicked(ISubject*, EventArg, EventArg);
    void OnPlaylistAddClicked(ISubject*, EventArg, EventArg);
    void OnPlaylistDeleteClicked(ISubject*, EventArg, EventArg);
    void OnPlaylistModeClicked(ISubject*, EventArg, EventArg);
    void OnPlaylistSortClicked(ISubject*, EventArg, EventArg);
    void OnPositionChanged(ISubject*, EventArg, EventArg);
    void OnPositionHovered(ISubject*, EventArg, EventArg);
    void OnVolumeSliderChanged(ISubject*, EventArg, EventArg);
    void OnSizerPosChanged(ISubject*, EventArg, EventArg);
    void OnSizerBoxChecked(ISubject*, EventArg, EventArg);
    void OnListRightClicked(ISubject*, EventArg, EventArg);
    void OnScreenMouseMove(ISubject*, EventArg, EventArg);
    // Control centre and engine events.
    void OnMediaLoaded(ISubject*, EventArg, EventArg);
    void OnMediaPlaying(ISubject*, EventArg, EventArg);
    void OnMediaPaused(ISubject*, EventArg, EventArg);
    void OnMediaReset(ISubject*, EventArg, EventArg);
    void OnMediaLoadFailed(ISubject*, EventArg, EventArg);
    void OnMediaPositionChanged(ISubject*, EventArg, EventArg);
    void OnVolumeChanged(ISubject*, EventArg, EventArg);
    void OnMuteChanged(ISubject*, EventArg, EventArg);

    CControlCenter& center_;
    CSkinScreen screen_;
    CSkinSizer sizer_;
    CSkinList playlist_;
    CSkinButton stop_, open_, prev_, next_, menu_, minimize_, close_;
    CSkinButton playlistAdd_, playlistDelete_, playlistMode_, playlistSort_, playlistOpen_;
    CSkinButtonPlay play_;
    CSkinCheck mute_;
    CSkinSlider position_, volume_;
    CSkinString progress_, title_;
    std::unique_ptr<CPlaylistDialogs> dialogs_;
    std::unique_ptr<IAppDialogs> ownDialogs_;
    IAppDialogs* appDialogs_ = nullptr;  // not owned (ownDialogs_ or a stand-in)
    CScreenSaverInhibitor inhibitor_;
    CFileDropTarget dropTarget_{this};
    CFullScreenToolbar toolbar_{*this, center_};

    QSize minSize_{200, 150};
    bool created_ = false;
    bool closed_ = false;
    bool fullScreen_ = false;
    bool onTop_ = false;
    bool cursorHidden_ = false;
    QRect savedGeometry_;
    bool savedMaximized_ = false;
    QPoint lastMovePos_{-1, -1};
    int64_t lastActivityMs_ = 0;
    int playlistWidth_ = kDefaultPlaylistWidth;
    WheelSteps wheel_;
    // The loaded media, copied at "MediaLoaded" (the row's record may be deleted later).
    bool loaded_ = false;
    bool audioOnly_ = false;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    double loadedDuration_ = 0.0;
    bool hoverShown_ = false;
    // Declared last, destroyed first: the offer dialog refers to this window, and the worker
    // is stopped (its thread joined) before anything it could reach goes.
    std::unique_ptr<CDlgUpgrading> upgradeDialog_;
    std::unique_ptr<CUpgradeWorker> upgrade_;
};

}  // namespace zvp
