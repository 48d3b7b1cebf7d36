#include "ui/CMainWnd.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "app/CFileFinder.h"
#include "app/IniDocument.h"
#include "app/Logger.h"
#include "app/PathParts.h"
#include "app/TextFormat.h"
#include "app/TimerService.h"
#include "app/VersionText.h"
#include "engine/CClipInfo.h"
#include "engine/IPictureRatio.h"
#include "engine/PictureRatio.h"
#include "playlist/CControlCenter.h"
#include "playlist/ILoopMode.h"
#include "playlist/LoopModes.h"
#include "skin/CSkinning.h"
#include "subtitle/CSubtitleFile.h"
#include "ui/AppTexts.h"
#include "ui/CAppDialogs.h"
#include "ui/CPlayerState.h"
#include "ui/CPlaylistDialogs.h"
#include "ui/MenuOpenGuard.h"
#include "ui/ProgressText.h"
#include "upgrade/CDlgUpgrading.h"
#include "upgrade/CUpgradeWorker.h"
#include "upgrade/UpgradeEndpoints.h"

namespace zvp {

namespace {

constexpr const char* kAspectKey = "settings::aspect_ratio";
constexpr const char* kResizingKey = "settings::window_resizing_mode";
constexpr const char* kLoopModeKey = "settings::loop_mode";
constexpr const char* kCurrentItemKey = "settings::current_play_item";
// Saved playlists take ids from 15001 on, up to the first id of the playlist commands.
constexpr int kLastSavedPlaylistCommand = 15041;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// "&" doubled, so a name shows as written in a menu.
QString MenuName(const std::string& name) {
    return Text(name).replace(QStringLiteral("&"), QStringLiteral("&&"));
}

QAction* AddCommand(QMenu& menu, const QString& text, int id, bool checked = false,
                    bool enabled = true) {
    QAction* action = menu.addAction(text);
    action->setData(id);
    if (checked) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    action->setEnabled(enabled);
    return action;
}

struct CommandText {
    int id;
    const char* text;
};

constexpr CommandText kSortItems[] = {{15054, "Sort by &Title"},
                                      {15055, "Sort by File &Size"},
                                      {15059, "Sort by &Create Time"},
                                      {15057, "Sort by &Add Time"},
                                      {15058, "Sort by &Last Access Time"},
                                      {15060, "&Shuffle"}};

struct AspectItem {
    int id;
    const char* text;
    const char* name;
};
constexpr AspectItem kAspectItems[] = {{16600, "&Default Aspect Ratio", "default"},
                                       {16601, "4 : 3", "4:3"},
                                       {16602, "16 : 9", "16:9"},
                                       {16690, "&Stretch to Fit Window", "stretch"}};

}  // namespace

CMainWnd::CMainWnd(CControlCenter& center) : center_(center) {
    setWindowTitle(QString::fromUtf8(kProductName));
    setFocusPolicy(Qt::StrongFocus);
}

CMainWnd::~CMainWnd() {
    dropTarget_.Revoke();
    toolbar_.DestroyToolbar();
    TimerService& timers = TimerService::Instance();
    for (uint32_t id : {kFullScreenTimer, kUpgradeTimer, kHoverTimer}) {
        if (timers.ClientOf(id) == this) timers.StopTimer(id);
    }
    center_.Detach(this);
    center_.GetController().GetEngine().Detach(this);
    center_.SetDialogs(nullptr);
}

// ---- creation -------------------------------------------------------------------------------

bool CMainWnd::CreateMainWindow() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    const int w = screenSize.width() / 2;
    const int h = screenSize.height() / 2;
    const QRect initial((screenSize.width() - w) / 2, (screenSize.height() - h) / 2, w, h);
    minSize_ = QSize(w / 2, h / 2);
    const CPlayerState::Values state = RestoredState(initial);
    if (!CreateSkinWnd(state.window)) return false;

    dialogs_ = std::make_unique<CPlaylistDialogs>(this);
    dropTarget_.Register(this);
    CreateControls();
    CAppIni::Instance().Reload();
    CheckFolderSettings();
    ApplyDefaultSkin(*this, Slots());
    Subscribe();
    SetTooltips();

    if (!center_.Initialize(&screen_, &center_.GetPlaylistModel(), 500)) return false;
    center_.SetDialogs(dialogs_.get());
    ownDialogs_ = std::make_unique<CAppDialogs>(center_, kProductName, GetVersionText());
    appDialogs_ = ownDialogs_.get();
    screen_.SetVideoWindow(center_.GetController().GetEngine().GetVideoWindowHandle());
    center_.GetController().GetEngine().Attach(this, "VolumeChanged",
                                               Handler(&CMainWnd::OnVolumeChanged));
    center_.GetController().GetEngine().Attach(this, "MuteChanged",
                                               Handler(&CMainWnd::OnMuteChanged));
    center_.LoadDefaultPlaylist();
    RestoreSettings();
    created_ = true;
    AfterSkinChange();
    center_.GetController().SetVolume(state.volume);
    center_.GetController().SetMute(state.mute);
    volume_.SetValue(center_.GetController().GetVolume());
    setFocus();
    TimerService::Instance().StartTimer(kUpgradeTimer, 0, this);
    return true;
}

void CMainWnd::CreateControls() {
    screen_.CreateCtrl(this, 0, 0, 0, 0, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
    sizer_.CreateSizer(this, 0, 0, 0, 0, nullptr, 4);
    sizer_.SetMinPos(kSplitterMinPos);
    playlist_.CreateList(this, 0, 0, 0, 0);
    playlist_.SetPlaylistModel(&center_.GetPlaylistModel());
    for (CSkinButton* b :
         {&stop_, &open_, &prev_, &next_, &menu_, &minimize_, &close_, &playlistAdd_,
          &playlistDelete_, &playlistMode_, &playlistSort_, &playlistOpen_}) {
        b->CreateButton(this, 0, 0, 0, 0, nullptr, 0, 1, 2, 3);
    }
    play_.CreateCheck(this, 0, 0, 0, 0, nullptr, 0, 1, 2, 3, 4, 5, 6, 7);
    mute_.CreateCheck(this, 0, 0, 0, 0, nullptr, 0, 1, 2, 3, 4, 5, 6, 7);
    position_.CreateSlider(this, true, 0, 0, 0, 0, nullptr, 0, 0, nullptr);
    volume_.CreateSlider(this, true, 0, 0, 0, 0, nullptr, 0, 0, nullptr);
    progress_.CreateCtrl(this, 0, 0, 0, 0, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
    title_.CreateCtrl(this, 0, 0, 0, 0, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
    // Drags on the text lines move the window, as on any uncovered part of it.
    progress_.setAttribute(Qt::WA_TransparentForMouseEvents);
    title_.setAttribute(Qt::WA_TransparentForMouseEvents);
}

std::array<SkinCtrlSlot, 21> CMainWnd::Slots() {
    return {{{"screen", &screen_},
             {"sizer", &sizer_},
             {"playlist", &playlist_},
             {"stop", &stop_},
             {"open", &open_},
             {"mute", &mute_},
             {"prev", &prev_},
             {"playpause", &play_},
             {"next", &next_},
             {"menu", &menu_},
             {"minimize", &minimize_},
             {"close", &close_},
             {"position_bar", &position_},
             {"volume_bar", &volume_},
             {"progress_string", &progress_},
             {"title_string", &title_},
             {"playlist_add", &playlistAdd_},
             {"playlist_delete", &playlistDelete_},
             {"playlist_mode", &playlistMode_},
             {"playlist_sort", &playlistSort_},
             {"playlist_open", &playlistOpen_}}};
}

CSkinButton& CMainWnd::Button(const char* section) {
    for (const SkinCtrlSlot& slot : Slots()) {
        if (std::string_view(slot.section) == section) {
            if (auto* button = dynamic_cast<CSkinButton*>(slot.ctrl)) return *button;
        }
    }
    return stop_;
}

void CMainWnd::CheckFolderSettings() {
    CAppIni& ini = CAppIni::Instance();
    auto folderMissing = [&](const char* key) {
        const std::string folder = ini.GetString(key);
        std::error_code ec;
        return folder.empty() || !std::filesystem::is_directory(folder, ec);
    };
    std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    std::error_code ec;
    if (documents.empty() || !std::filesystem::is_directory(documents, ec)) {
        documents = QDir::homePath().toStdString();
    }
    if (documents.back() != '/') documents += '/';
    bool changed = false;
    if (folderMissing("settings::default_playlist_path")) {
        changed |= ini.SetString("settings::default_playlist_path", CAppFolder::GetPlaylists());
    }
    if (folderMissing("settings::default_media_file_path")) {
        changed |= ini.SetString("settings::default_media_file_path", documents);
    }
    if (folderMissing("settings::default_subtitle_path")) {
        changed |= ini.SetString("settings::default_subtitle_path", CAppFolder::GetSubtitles());
    }
    if (changed) ini.Save();
}

void CMainWnd::Subscribe() {
    play_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlayClicked));
    stop_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnStopClicked));
    prev_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPrevClicked));
    next_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnNextClicked));
    open_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnOpenClicked));
    mute_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnMuteClicked));
    menu_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnMenuClicked));
    minimize_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnMinimizeClicked));
    close_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnCloseClicked));
    playlistOpen_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlaylistOpenClicked));
    playlistAdd_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlaylistAddClicked));
    playlistDelete_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlaylistDeleteClicked));
    playlistMode_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlaylistModeClicked));
    playlistSort_.Attach(this, "LeftClicked", Handler(&CMainWnd::OnPlaylistSortClicked));
    position_.Attach(this, "SliderPosChanged", Handler(&CMainWnd::OnPositionChanged));
    position_.Attach(this, "SliderPosHovered", Handler(&CMainWnd::OnPositionHovered));
    volume_.Attach(this, "SliderPosChanged", Handler(&CMainWnd::OnVolumeSliderChanged));
    sizer_.Attach(this, "SkinSizerPosChanged", Handler(&CMainWnd::OnSizerPosChanged));
    sizer_.Attach(this, "SkinSizerBoxChecked", Handler(&CMainWnd::OnSizerBoxChecked));
    playlist_.Attach(this, "ListItemRightClicked", Handler(&CMainWnd::OnListRightClicked));
    screen_.Attach(this, "MouseMove", Handler(&CMainWnd::OnScreenMouseMove));

    center_.Attach(this, "MediaLoaded", Handler(&CMainWnd::OnMediaLoaded));
    center_.Attach(this, "MediaPlaying", Handler(&CMainWnd::OnMediaPlaying));
    center_.Attach(this, "MediaPaused", Handler(&CMainWnd::OnMediaPaused));
    center_.Attach(this, "MediaStopped", Handler(&CMainWnd::OnMediaReset));
    center_.Attach(this, "MediaCompleted", Handler(&CMainWnd::OnMediaReset));
    center_.Attach(this, "MediaAborted", Handler(&CMainWnd::OnMediaReset));
    center_.Attach(this, "MediaLoadFailed", Handler(&CMainWnd::OnMediaLoadFailed));
    center_.Attach(this, "MediaPositionChanged", Handler(&CMainWnd::OnMediaPositionChanged));
}

void CMainWnd::SetTooltips() {
    const std::pair<CSkinCtrl*, const char*> tips[] = {{&play_, "Play"},
                                                       {&stop_, "Stop"},
                                                       {&prev_, "Previous File"},
                                                       {&next_, "Next File"},
                                                       {&open_, "Open Files"},
                                                       {&mute_, "Mute"},
                                                       {&menu_, "Main Menu"},
                                                       {&minimize_, "Minimize"},
                                                       {&close_, "Close"},
                                                       {&playlistOpen_, "Open Playlist"},
                                                       {&playlistAdd_, "Add Files"},
                                                       {&playlistDelete_, "Delete Files"},
                                                       {&playlistMode_, "Loop Mode"},
                                                       {&playlistSort_, "Sort Mode"},
                                                       {&volume_, "Volume"},
                                                       {&sizer_, "Split windows"}};
    for (const auto& [ctrl, text] : tips) ctrl->SetTooltipText(text);
}

void CMainWnd::RestoreSettings() {
    CAppIni& ini = CAppIni::Instance();
    IPlaylistAdapter& list = center_.GetPlaylistModel();
    int current = ini.GetInt(kCurrentItemKey);
    if (current >= list.GetCount()) current = list.GetCount() - 1;
    if (current < -1) current = -1;
    list.SetCurrent(current);
    center_.GetOperator().SetLoopMode(ini.GetString(kLoopModeKey));
    screen_.SetAspectRatio(ini.GetString(kAspectKey));
}

// ---- layout ---------------------------------------------------------------------------------

void CMainWnd::SetPlaylistWidth(int p) {
    screen_.SetLayout(5, 25, -(p + 10), -40);
    sizer_.SetLayout(-(p + 10), 25, -p, -40);
    playlist_.SetLayout(-p, 45, -5, -41);
    playlistOpen_.SetLayout(-p, 25, 20, 20);
    playlist_.UpdateColumns();
    RepositionControls();
    if (fullScreen_) PlaceForFullScreen();
}

void CMainWnd::ApplyLayout() {
    SetPlaylistWidth(sizer_.Box().IsChecked() ? 5 : playlistWidth_);
}

void CMainWnd::AfterSkinChange() {
    ApplyLayout();
    position_.setEnabled(loaded_);
    position_.SetRange(0, 100);
    volume_.SetRange(0, 100);
    // The volume stays what it is: a skin is a look, not a setting.
    volume_.SetValue(center_.GetController().GetVolume());
    progress_.setVisible(loaded_);
    title_.setVisible(loaded_);
    sizer_.Box().SetChecked(false);
    update();
}

void CMainWnd::PlaceForFullScreen() {
    for (CSkinCtrl* ctrl : Ctrls()) {
        if (ctrl != &screen_) ctrl->setGeometry(QRect());
    }
    screen_.setGeometry(rect());
}

void CMainWnd::resizeEvent(QResizeEvent* event) {
    CSkinWnd::resizeEvent(event);
    if (fullScreen_) PlaceForFullScreen();
}

CSkinWnd::Hit CMainWnd::HitTest(QPoint globalPos) const {
    const Hit hit = CSkinWnd::HitTest(globalPos);
    if (fullScreen_ && hit != Hit::kNowhere) return Hit::kCaption;
    return hit;
}

// ---- full screen ----------------------------------------------------------------------------

void CMainWnd::SetFullScreen(bool on) {
    if (on == fullScreen_) return;
    Log(LogPoint{"CMainWnd::ToggleFullScreen", kLogInfo}, "Toggle to fullscreen: %d", on ? 1 : 0);
    TimerService& timers = TimerService::Instance();
    if (on) {
        savedGeometry_ = geometry();
        savedMaximized_ = isMaximized();
        fullScreen_ = true;
        QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        // The geometry holds even without a window manager to honour the state.
        if (s) setGeometry(s->geometry());
        showFullScreen();
        lastActivityMs_ = NowMs();
        lastMovePos_ = QPoint(-1, -1);
        setMouseTracking(true);
        PlaceForFullScreen();
        timers.StartTimer(kFullScreenTimer, kIdleMs, this);
    } else {
        fullScreen_ = false;
        if (timers.ClientOf(kFullScreenTimer) == this) timers.StopTimer(kFullScreenTimer);
        showNormal();
        if (savedGeometry_.isValid()) setGeometry(savedGeometry_);
        if (savedMaximized_) showMaximized();
        ApplyLayout();
        volume_.SetValue(center_.GetController().GetVolume());
        ShowCursorNow(true);
        toolbar_.DestroyToolbar();
    }
    activateWindow();
    setFocus();
}

void CMainWnd::ShowCursorNow(bool show) {
    if (show) {
        lastActivityMs_ = NowMs();
        if (cursorHidden_) unsetCursor();
        cursorHidden_ = false;
    } else if (!cursorHidden_) {
        setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }
}

void CMainWnd::OnActivity(QPoint globalPos) {
    if (!fullScreen_ || globalPos == lastMovePos_) return;
    lastMovePos_ = globalPos;
    ShowCursorNow(true);
    toolbar_.CreateToolbar(this);
}

void CMainWnd::mouseMoveEvent(QMouseEvent* event) {
    OnActivity(event->globalPosition().toPoint());
    if (!fullScreen_) CSkinWnd::mouseMoveEvent(event);
}

void CMainWnd::OnScreenMouseMove(ISubject*, EventArg, EventArg) {
    OnActivity(QCursor::pos());
}

// ---- timers ---------------------------------------------------------------------------------

void CMainWnd::OnTimer(uint32_t timerId) {
    TimerService& timers = TimerService::Instance();
    if (timerId == kUpgradeTimer) {
        timers.StopTimer(kUpgradeTimer);
        StartUpgradeCheck();
        return;
    }
    if (timerId == kHoverTimer) {
        timers.StopTimer(kHoverTimer);
        hoverShown_ = false;
        return;
    }
    if (timerId != kFullScreenTimer) return;
    if (!fullScreen_ || IsMenuOpen() || NowMs() - lastActivityMs_ <= kIdleMs) return;
    const QRect screenRect = screen() ? screen()->geometry() : geometry();
    const bool nearBottom = QCursor::pos().y() >= screenRect.bottom() + 1 - 50;
    if (nearBottom) {
        ShowCursorNow(true);
        toolbar_.CreateToolbar(this);
    } else {
        ShowCursorNow(false);
        QWidget* bar = toolbar_.Window();
        if (bar && QCursor::pos().y() < bar->geometry().top()) toolbar_.DestroyToolbar();
    }
}

// ---- keys and mouse -------------------------------------------------------------------------

void CMainWnd::keyPressEvent(QKeyEvent* event) {
    CPlaybackController& controller = center_.GetController();
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ToggleFullScreen();
            break;
        case Qt::Key_Escape:
            if (!fullScreen_) return CSkinWnd::keyPressEvent(event);
            SetFullScreen(false);
            break;
        case Qt::Key_Space:
            center_.Play();
            break;
        case Qt::Key_PageUp:
            center_.JumpPrevious();
            break;
        case Qt::Key_PageDown:
            center_.JumpNext();
            break;
        case Qt::Key_Home:
            center_.JumpFirst();
            break;
        case Qt::Key_End:
            center_.JumpLast();
            break;
        case Qt::Key_Left:
            controller.StepBackward();
            break;
        case Qt::Key_Right:
            controller.StepForward();
            break;
        case Qt::Key_Up:
            controller.VolumeUp();
            break;
        case Qt::Key_Down:
            controller.VolumeDown();
            break;
        default:
            return CSkinWnd::keyPressEvent(event);
    }
    event->accept();
}

void CMainWnd::wheelEvent(QWheelEvent* event) {
    if (const int steps = wheel_.Add(event->angleDelta().y())) StepVolume(steps);
    event->accept();
}

void CMainWnd::StepVolume(int steps) {
    const int value =
        std::clamp(volume_.GetValue() + 5 * steps, volume_.GetMinimum(), volume_.GetMaximum());
    volume_.SetValue(value);
    center_.GetController().SetVolume(value);
}

void CMainWnd::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (fullScreen_) {
        event->accept();
        return;
    }
    CSkinWnd::mousePressEvent(event);
}

void CMainWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ToggleFullScreen();
        event->accept();
        return;
    }
    CSkinWnd::mouseDoubleClickEvent(event);
}

void CMainWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu = BuildMainMenu();
        RunMenu(*menu, event->globalPosition().toPoint());
        event->accept();
        return;
    }
    CSkinWnd::mouseReleaseEvent(event);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    CloseSequence();
    event->accept();
}

void CMainWnd::CloseSequence() {
    if (closed_) return;
    closed_ = true;
    if (upgrade_) upgrade_->Stop();
    if (upgradeDialog_) upgradeDialog_->close();
    hide();
    center_.Stop();
    center_.SaveDefaultPlaylist();
    center_.CloseMedia();
    inhibitor_.UnInhibit();
    SaveState();
    CAppIni::Instance().Save();
    emit Closed();
}

CPlayerState::Values CMainWnd::RestoredState(const QRect& initial) const {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->geometry();
    CPlayerState::Values defaults;
    defaults.volume = 80;
    defaults.window = initial;
    IniDocument settings;
    settings.LoadExisting(CAppIni::Instance().GetSettingsPath(), IniDocument::LoadMode::kReplace);
    return CPlayerState::Read(settings, defaults, screens);
}

void CMainWnd::SaveState() {
    CPlaybackController& controller = center_.GetController();
    CPlayerState::Values state;
    state.volume = controller.GetVolume();
    state.mute = controller.IsMuted();
    // The normal rectangle: the one full screen or maximising will go back to.
    state.window = fullScreen_ ? savedGeometry_ : isMaximized() ? normalGeometry() : geometry();
    CPlayerState::Write(CAppIni::Instance(), state);
}

// ---- control events -------------------------------------------------------------------------

void CMainWnd::OnPlayClicked(ISubject*, EventArg, EventArg) {
    center_.Play();
}
void CMainWnd::OnStopClicked(ISubject*, EventArg, EventArg) {
    center_.Stop();
}
void CMainWnd::OnPrevClicked(ISubject*, EventArg, EventArg) {
    center_.JumpPrevious();
}
void CMainWnd::OnNextClicked(ISubject*, EventArg, EventArg) {
    center_.JumpNext();
}
void CMainWnd::OnOpenClicked(ISubject*, EventArg, EventArg) {
    center_.OpenFilesDialog(true);
}
void CMainWnd::OnMuteClicked(ISubject*, EventArg, EventArg) {
    CPlaybackController& controller = center_.GetController();
    controller.SetMute(!controller.IsMuted());
}
void CMainWnd::OnMenuClicked(ISubject*, EventArg, EventArg) {
    std::unique_ptr<QMenu> menu = BuildMainMenu();
    RunMenu(*menu, menu_.mapToGlobal(QPoint(0, menu_.height())));
}
void CMainWnd::OnMinimizeClicked(ISubject*, EventArg, EventArg) {
    showMinimized();
}
void CMainWnd::OnCloseClicked(ISubject*, EventArg, EventArg) {
    CloseSequence();
}
void CMainWnd::OnPlaylistOpenClicked(ISubject*, EventArg, EventArg) {
    PopupAtButton(21027, "playlist_open");
}
void CMainWnd::OnPlaylistAddClicked(ISubject*, EventArg, EventArg) {
    PopupAtButton(21028, "playlist_add");
}
void CMainWnd::OnPlaylistDeleteClicked(ISubject*, EventArg, EventArg) {
    PopupAtButton(21029, "playlist_delete");
}
void CMainWnd::OnPlaylistModeClicked(ISubject*, EventArg, EventArg) {
    PopupAtButton(21030, "playlist_mode");
}
void CMainWnd::OnPlaylistSortClicked(ISubject*, EventArg, EventArg) {
    PopupAtButton(21031, "playlist_sort");
}

void CMainWnd::PopupAtButton(int menuId, const char* section) {
    CSkinButton& button = Button(section);
    std::unique_ptr<QMenu> menu = BuildResourceMenu(menuId);
    RunMenu(*menu, button.mapToGlobal(QPoint(0, button.height())));
}

void CMainWnd::OnPositionChanged(ISubject*, EventArg arg1, EventArg) {
    center_.GetController().SetPosition(static_cast<double>(static_cast<int32_t>(arg1)));
}

void CMainWnd::OnPositionHovered(ISubject*, EventArg arg1, EventArg) {
    if (!loaded_) return;
    progress_.SetText(ProgressText(static_cast<int32_t>(arg1), loadedDuration_));
    hoverShown_ = true;
    TimerService::Instance().StartTimer(kHoverTimer, kIdleMs, this);
}

void CMainWnd::OnVolumeSliderChanged(ISubject*, EventArg arg1, EventArg) {
    center_.GetController().SetVolume(static_cast<int32_t>(arg1));
}

void CMainWnd::OnSizerPosChanged(ISubject*, EventArg arg1, EventArg arg2) {
    const int x = static_cast<int32_t>(arg1);
    const int g = static_cast<int32_t>(arg2);
    playlistWidth_ = width() - x - g;
    if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) {
        // The video keeps its width; the window grows or shrinks by the difference.
        resize(width() + x - screen_.width() - 10, height());
    } else {
        SetPlaylistWidth(playlistWidth_);
    }
    if (g == 0) {
        sizer_.Box().SetChecked(true);
        playlistWidth_ = kDefaultPlaylistWidth;
    }
}

void CMainWnd::OnSizerBoxChecked(ISubject*, EventArg arg1, EventArg) {
    SetPlaylistWidth(arg1 ? 5 : playlistWidth_);
}

void CMainWnd::OnListRightClicked(ISubject*, EventArg, EventArg) {
    std::unique_ptr<QMenu> menu = BuildPlaylistContextMenu();
    RunMenu(*menu, QCursor::pos());
}

// ---- media events ---------------------------------------------------------------------------

void CMainWnd::OnMediaLoaded(ISubject*, EventArg arg1, EventArg) {
    const auto* clip = reinterpret_cast<const CClipInfo*>(arg1);
    play_.SetPlayState(0);
    loaded_ = clip != nullptr;
    // Anamorphic video is shown, and fitted to, at its display size.
    sourceWidth_ = clip ? clip->displayWidth : 0;
    sourceHeight_ = clip ? clip->displayHeight : 0;
    loadedDuration_ = clip ? clip->duration : 0.0;
    audioOnly_ = clip ? clip->audioOnly : false;
    CPlaybackController& controller = center_.GetController();
    position_.setEnabled(true);
    position_.SetRange(0, static_cast<int>(loadedDuration_));
    position_.SetValue(0);
    mute_.SetChecked(controller.IsMuted());
    volume_.SetValue(controller.GetVolume());
    ShowProgress(0, loadedDuration_);
    progress_.show();
    title_.SetText(clip ? clip->GetDisplayTitle() : std::string());
    title_.show();
    // The picture fits the video area as it is now; later sizes refit it.
    screen_.SetSourceSize(VideoSize{sourceWidth_, sourceHeight_});
    if (CAppIni::Instance().GetString(kResizingKey) == "fit_to_source") FitToSource();
    IPlaylistAdapter& list = center_.GetPlaylistModel();
    const int current = list.GetCurrent();
    if (current >= 0) {
        list.SetItemText(current, 1,
                         FormatHoursOrMinutes(static_cast<int64_t>(loadedDuration_ + 0.999)));
    }
    CAppIni& ini = CAppIni::Instance();
    if (ini.SetInt(kCurrentItemKey, current)) ini.Save();
}

void CMainWnd::OnMediaPlaying(ISubject*, EventArg, EventArg) {
    play_.SetPlayState(2);
    play_.SetTooltipText("Pause");
    UpdateScreenSaver();
}

void CMainWnd::OnMediaPaused(ISubject*, EventArg, EventArg) {
    play_.SetPlayState(1);
    play_.SetTooltipText("Play");
    UpdateScreenSaver();
}

void CMainWnd::Reset() {
    play_.SetPlayState(0);
    play_.SetTooltipText("Play");
    loaded_ = center_.GetController().GetEngine().IsLoaded() && loaded_;
    position_.setEnabled(loaded_);
    position_.SetValue(0);
    progress_.hide();
    title_.hide();
    UpdateScreenSaver();
}

void CMainWnd::OnMediaReset(ISubject*, EventArg, EventArg) {
    Reset();
}

void CMainWnd::OnMediaLoadFailed(ISubject*, EventArg arg1, EventArg) {
    loaded_ = false;
    Reset();
    if (arg1 != 0) {
        IPlaylistAdapter& list = center_.GetPlaylistModel();
        list.EnsureVisible(list.GetCurrent());
        list.Refresh();
    }
}

void CMainWnd::OnMediaPositionChanged(ISubject*, EventArg arg1, EventArg arg2) {
    const int position = static_cast<int32_t>(arg1);
    const int duration = static_cast<int32_t>(arg2);
    position_.SetRange(0, duration);
    position_.SetValue(position);
    if (!hoverShown_) ShowProgress(position, duration);
}

void CMainWnd::ShowProgress(double position, double duration) {
    progress_.SetText(ProgressText(position, duration));
}

void CMainWnd::OnVolumeChanged(ISubject*, EventArg arg1, EventArg) {
    volume_.SetValue(static_cast<int32_t>(arg1));
}

void CMainWnd::OnMuteChanged(ISubject*, EventArg arg1, EventArg) {
    mute_.SetChecked(arg1 != 0);
}

void CMainWnd::UpdateScreenSaver() {
    const std::string& state = center_.GetController().GetEngine().GetStateName();
    if ((state == "Playing" || state == "Paused") && !audioOnly_) {
        inhibitor_.Inhibit("Playing a video");
    } else {
        inhibitor_.UnInhibit();
    }
}

void CMainWnd::FitToSource() {
    if (sourceWidth_ <= 0 || sourceHeight_ <= 0) return;
    const int dw = sourceWidth_ - screen_.width();
    const int dh = sourceHeight_ - screen_.height();
    if (fullScreen_) {
        // Applied to the window full screen will return to.
        savedGeometry_.setSize(savedGeometry_.size() + QSize(dw, dh));
        return;
    }
    QRect g = geometry();
    g.setSize(QSize(std::max(g.width() + dw, minSize_.width()),
                    std::max(g.height() + dh, minSize_.height())));
    if (QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        g.setSize(g.size().boundedTo(avail.size()));
        if (g.right() > avail.right()) g.moveRight(avail.right());
        if (g.bottom() > avail.bottom()) g.moveBottom(avail.bottom());
        if (g.left() < avail.left()) g.moveLeft(avail.left());
        if (g.top() < avail.top()) g.moveTop(avail.top());
    }
    setGeometry(g);
}

// ---- drops ----------------------------------------------------------------------------------

namespace {

std::vector<std::string> LocalPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        if (!path.isEmpty()) paths.push_back(path.toStdString());
    }
    return paths;
}

}  // namespace

Qt::DropAction CMainWnd::OnDragEnter(const QMimeData*, Qt::KeyboardModifiers, QPoint) {
    return Qt::IgnoreAction;
}

Qt::DropAction CMainWnd::OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keys, QPoint) {
    if (LocalPaths(data).empty()) return Qt::IgnoreAction;
    return (keys & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
}

bool CMainWnd::OnDrop(const QMimeData* data, Qt::DropAction effect, QPoint) {
    const std::vector<std::string> paths = LocalPaths(data);
    if (paths.empty()) return false;
    Log(LogPoint{"CMainWnd::OnDrop", kLogDebug}, "%zu file(s) dropped", paths.size());
    center_.OpenFiles(paths, effect == Qt::CopyAction);
    return false;
}

// ---- menus ----------------------------------------------------------------------------------

std::vector<std::string> CMainWnd::ListPlaylistFiles() {
    CFileFinder finder;
    finder.FindFiles(CAppFolder::GetPlaylists(), "*.mpl", false);
    return finder.files();
}

void CMainWnd::RunMenu(QMenu& menu, QPoint globalPos) {
    QAction* chosen = nullptr;
    {
        MenuOpenGuard open;
        ShowCursorNow(true);
        chosen = menu.exec(globalPos);
    }
    if (chosen && chosen->data().isValid()) OnCommand(chosen->data().toInt());
    if (!closed_) setFocus();
}

std::unique_ptr<QMenu> CMainWnd::BuildResourceMenu(int menuId) {
    auto menu = std::make_unique<QMenu>(this);
    switch (menuId) {
        case 21027: {
            AddCommand(*menu, "&Open Playlist", 16201);
            AddCommand(*menu, "&New Playlist", 15061);
            AddCommand(*menu, "&Save Playlist As...", 15062);
            menu->addSeparator();
            const std::vector<std::string> files = ListPlaylistFiles();
            AddCommand(*menu, "&Default Playlist", 15000, false, !files.empty());
            for (size_t i = 0; i < files.size() && 15001 + i <= kLastSavedPlaylistCommand; ++i) {
                const PathParts parts(files[i]);
                const std::string name = parts.FileName().substr(
                    0, parts.FileName().size() - parts.ExtensionWithoutDot().size() - 1);
                if (name == CAppFolder::kDefaultPlaylistName) continue;
                AddCommand(*menu, MenuName(name), 15001 + static_cast<int>(i));
            }
            break;
        }
        case 21028:
            AddCommand(*menu, "Add &Files", 15042);
            AddCommand(*menu, "Add &Playlists", 15044);
            AddCommand(*menu, "Add Fol&der", 15046);
            break;
        case 21029:
            AddCommand(*menu, "Delete &Selected", 15047);
            AddCommand(*menu, "Delete &All(Clear)", 15048);
            break;
        case 21030: {
            const std::string current = center_.GetOperator().GetLoopModeName();
            for (const LoopModeEntry& entry : LoopModeTable()) {
                QAction* a = AddCommand(*menu, entry.menuText, entry.commandId);
                a->setCheckable(true);
                a->setChecked(current == entry.mode->GetName());
            }
            break;
        }
        case 21031: {
            const int sortId = center_.GetPlaylistModel().GetSortId();
            for (const auto& item : kSortItems) {
                QAction* a = AddCommand(*menu, item.text, item.id);
                a->setCheckable(true);
                a->setChecked(sortId == item.id);
            }
            break;
        }
        default:
            break;
    }
    return menu;
}

std::unique_ptr<QMenu> CMainWnd::BuildPlaylistContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    for (int id : {21028, 21029, 21030, 21031}) {
        std::unique_ptr<QMenu> part = BuildResourceMenu(id);
        for (QAction* action : part->actions()) {
            QAction* copy = menu->addAction(action->text());
            copy->setData(action->data());
            copy->setCheckable(action->isCheckable());
            copy->setChecked(action->isChecked());
        }
        menu->addSeparator();
    }
    // Offered even with nothing loaded: the dialog then shows its empty rows.
    AddCommand(*menu, "Media &Info", 16302, false, appDialogs_ != nullptr);
    return menu;
}

std::unique_ptr<QMenu> CMainWnd::BuildMainMenu() {
    auto menu = std::make_unique<QMenu>(this);
    CEngineDS& engine = center_.GetController().GetEngine();
    AddCommand(*menu, "Open &File...", 16300);
    AddCommand(*menu, "Open &Disc", 16301);
    menu->addSeparator();
    AddCommand(*menu, "S&tay on Top", 16502, onTop_);
    if (fullScreen_) {
        AddCommand(*menu, "N&ormal Window", 16501);
    } else {
        AddCommand(*menu, "F&ull Screen", 16500);
    }

    QMenu* video = menu->addMenu("&Video");
    const std::string aspect = CAppIni::Instance().GetString(kAspectKey);
    const IAspectRatio* currentAspect = CurrentAspectRatio();
    for (const auto& item : kAspectItems) {
        QAction* a = AddCommand(*video, item.text, item.id);
        a->setCheckable(true);
        a->setChecked(currentAspect && currentAspect->GetName() == std::string(item.name));
    }
    video->addSeparator();
    const bool fit = CAppIni::Instance().GetString(kResizingKey) == "fit_to_source";
    QAction* fixed = AddCommand(*video, "Window Size &Fixed", 16700, false, !fullScreen_);
    fixed->setCheckable(true);
    fixed->setChecked(!fit);
    QAction* fitItem = AddCommand(*video, "Window Size Fit To &Source", 16701, false, !fullScreen_);
    fitItem->setCheckable(true);
    fitItem->setChecked(fit);

    menu->addSeparator();
    QMenu* dubbings = menu->addMenu("&Dubbings");
    std::vector<int> audio;
    int currentAudio = -1;
    engine.GetAudioStreams(audio, currentAudio);
    for (size_t i = 0; i < audio.size() && i < 96; ++i) {
        AddCommand(*dubbings, QString::asprintf("Dubbing %d", static_cast<int>(i) + 1),
                   16400 + static_cast<int>(i), audio[i] == currentAudio);
    }
    dubbings->setEnabled(audio.size() >= 2);

    menu->addSeparator();
    QMenu* subtitle = menu->addMenu("&Subtitle");
    std::vector<int> embedded;
    int currentEmbedded = -1;
    engine.GetSubtitleStreams(embedded, currentEmbedded);
    if (!embedded.empty()) {
        AddCommand(*subtitle, "&No Internal Subtitle", 16000, currentEmbedded < 0);
        for (size_t i = 0; i < embedded.size() && i < 99; ++i) {
            AddCommand(*subtitle, QString::asprintf("Subtitle %d", static_cast<int>(i) + 1),
                       16001 + static_cast<int>(i), embedded[i] == currentEmbedded);
        }
        subtitle->addSeparator();
    }
    const std::string currentExternal = CSubtitleFile::CurrentPath();
    AddCommand(*subtitle, "&No External Subtitle", 16100, currentExternal.empty());
    std::vector<std::string> external = CSubtitleFile::Candidates();
    for (const std::string& used : CSubtitleFile::UsedFiles()) external.push_back(used);
    for (size_t i = 0; i < external.size() && i < 96; ++i) {
        AddCommand(*subtitle, MenuName(PathParts(external[i]).FileName()),
                   16101 + static_cast<int>(i), external[i] == currentExternal);
    }
    AddCommand(*subtitle, "&Load External Subtitle...", 16200);

    AddSkinsMenu(*menu);
    menu->addSeparator();
    QMenu* help = menu->addMenu("&Help");
    AddCommand(*help, QString::asprintf("A&bout %s", kProductAbbreviation), 57664, false,
               appDialogs_ != nullptr);
    AddCommand(*help, "Online F&eedback", 16810);
    AddCommand(*help, "Online &Manual", 16811);
    AddCommand(*menu, "Media &Info", 16302, false, appDialogs_ && loaded_);
    menu->addSeparator();
    AddCommand(*menu, "&Option", 16310, false, appDialogs_ != nullptr);
    AddCommand(*menu, "&Exit", 57665);
    return menu;
}

void CMainWnd::SetAspect(const char* name) {
    CAppIni& ini = CAppIni::Instance();
    if (ini.SetString(kAspectKey, name)) ini.Save();
    screen_.SetAspectRatio(name);
}

void CMainWnd::OnCommand(int id) {
    CEngineDS& engine = center_.GetController().GetEngine();
    CAppIni& ini = CAppIni::Instance();
    if (id == 15000) {
        if (ListPlaylistFiles().empty()) return;
        center_.Stop();
        center_.LoadDefaultPlaylist();
        center_.Play();
    } else if (id >= 15001 && id <= kLastSavedPlaylistCommand) {
        const std::vector<std::string> files = ListPlaylistFiles();
        const size_t index = static_cast<size_t>(id - 15001);
        if (index >= files.size()) return;
        center_.Stop();
        if (center_.OpenPlaylistFile(files[index])) center_.Play();
    } else if (id == 15042) {
        center_.AddFilesDialog();
    } else if (id == 15044) {
        center_.AddPlaylistsDialog();
    } else if (id == 15046) {
        center_.AddFolderDialog();
    } else if (id == 15047) {
        center_.DeleteSelected();
    } else if (id == 15048 || id == 15061) {
        center_.Clear();
    } else if (id >= 15049 && id <= 15053) {
        for (const LoopModeEntry& entry : LoopModeTable()) {
            if (entry.commandId != id) continue;
            center_.GetOperator().SetLoopMode(entry.mode->GetName());
            if (ini.SetString(kLoopModeKey, entry.mode->GetName())) ini.Save();
        }
    } else if (id == 15054 || id == 15055 || id == 15057 || id == 15058 || id == 15059 ||
               id == 15060 || id == 16202) {
        center_.GetOperator().Sort(id);
    } else if (id == 15062) {
        center_.SavePlaylistAsDialog();
    } else if (id == 16000) {
        engine.HideEmbeddedSubtitles();
    } else if (id >= 16001 && id <= 16099) {
        std::vector<int> streams;
        int current = -1;
        engine.GetSubtitleStreams(streams, current);
        const size_t index = static_cast<size_t>(id - 16001);
        if (index < streams.size()) engine.SelectSubtitleStream(streams[index]);
    } else if (id == 16100) {
        engine.HideExternalSubtitles();
    } else if (id >= 16101 && id <= 16196) {
        std::vector<std::string> external = CSubtitleFile::Candidates();
        for (const std::string& used : CSubtitleFile::UsedFiles()) external.push_back(used);
        const size_t index = static_cast<size_t>(id - 16101);
        if (index < external.size()) engine.LoadExternalSubtitle(external[index], false);
    } else if (id == 16200) {
        center_.LoadSubtitleDialog();
    } else if (id == 16201) {
        center_.OpenPlaylistDialog();
    } else if (id == 16300) {
        center_.OpenFilesDialog(true);
    } else if (id == 16301) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        center_.PlayDisc();
        QApplication::restoreOverrideCursor();
    } else if (id >= 16400 && id <= 16495) {
        std::vector<int> streams;
        int current = -1;
        engine.GetAudioStreams(streams, current);
        const size_t index = static_cast<size_t>(id - 16400);
        if (index < streams.size()) engine.SelectAudioStream(streams[index]);
    } else if (id == 16500) {
        SetFullScreen(true);
    } else if (id == 16501) {
        SetFullScreen(false);
    } else if (id == 16502) {
        onTop_ = !onTop_;
        if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowStaysOnTopHint, onTop_);
        show();
    } else if (id == 16600 || id == 16601 || id == 16602 || id == 16690) {
        for (const auto& item : kAspectItems) {
            if (item.id == id) SetAspect(item.name);
        }
    } else if (id == 16700) {
        if (ini.SetString(kResizingKey, "fixed")) ini.Save();
    } else if (id == 16701) {
        if (ini.SetString(kResizingKey, "fit_to_source")) ini.Save();
        FitToSource();
    } else if (id == 16810) {
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(kFeedbackUrl)));
    } else if (id == 16811) {
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(kManualUrl)));
    } else if (id >= kSkinDefaultCommand && id < kSkinFileCommandFirst + kMaxSkinMenuFiles) {
        auto skinSlots = Slots();
        if (SwitchSkin(*this, skinSlots, id)) AfterSkinChange();
    } else if (id == 16302) {
        if (appDialogs_) appDialogs_->ShowMediaInfo(this);
    } else if (id == 16310) {
        if (appDialogs_) appDialogs_->ShowOptions(this);
    } else if (id == 57664) {
        if (appDialogs_) appDialogs_->ShowAbout(this);
    } else if (id == 57665) {
        close();
    }
}

// ---- upgrade --------------------------------------------------------------------------------

void CMainWnd::StartUpgradeCheck() {
    if (upgrade_ || closed_) return;
    const CAppIni& ini = CAppIni::Instance();
    const auto setting = [&ini](const char* key, const char* builtIn) {
        const std::string value = ini.GetString(key);
        return value.empty() ? std::string(builtIn) : value;
    };
    UpgradeConfig config;
    config.serverUrl = setting(kUpgradeServerUrlKey, kUpgradeServerUrl);
    config.webUrl = setting(kUpgradeWebUrlKey, kUpgradeWebUrl);
    config.caFile = ini.GetString(kUpgradeCaFileKey);
    config.programFolder = CAppFolder::GetProgramFolder();
    config.installerFolder = CAppFolder::GetInstaller();
    config.productName = kProductName;
    config.productAbbreviation = kProductAbbreviation;
    upgrade_ = std::make_unique<CUpgradeWorker>();
    upgrade_->Start(this, std::move(config));
}

std::string CMainWnd::GetRunningVersionText() const {
    return GetVersionText();
}

void CMainWnd::PostToUiThread(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CMainWnd::AdoptUpgradeDialog(std::unique_ptr<CDlgUpgrading> dialog) {
    upgradeDialog_ = std::move(dialog);
}

void CMainWnd::CloseMainWindow() {
    close();
}

}  // namespace zvp
