#include "ui/CFullScreenToolbar.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>
#include <array>
#include <cstdio>

#include "app/TextFormat.h"
#include "engine/CClipInfo.h"
#include "playlist/CControlCenter.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinButtonPlay.h"
#include "skin/CSkinCheck.h"
#include "skin/CSkinSlider.h"
#include "skin/CSkinString.h"
#include "skin/CSkinWnd.h"
#include "skin/CSkinning.h"
#include "skin/SkinApply.h"
#include "skin/SkinDraw.h"
#include "skin/SkinFile.h"
#include "ui/AppTexts.h"
#include "ui/ProgressText.h"

namespace zvp {

namespace {
constexpr int kBackgroundArt = 132;
}  // namespace

// The toolbar's window: owns its controls (destroyed before the QWidget part) and tiles the
// background. Wheel turns go to the toolbar.
class CFullScreenToolbar::ToolbarWindow : public QWidget {
  public:
    explicit ToolbarWindow(CFullScreenToolbar& toolbar)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus),
          toolbar_(toolbar) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QString());
    }

    CSkinButton stop, open, prev, next;
    CSkinCheck mute;
    CSkinButtonPlay play;
    CSkinSlider position, volume;
    CSkinString progress;
    CSkinWnd::Image background;
    std::vector<CSkinCtrl*> listed;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!background || background->Width() <= 0) return;
        const int w = background->Width();
        for (int x = 0; x < width(); x += w) {
            DrawSkinImage(painter, QPoint(x, 0), *background, QRect(0, 0, w, background->Height()));
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        CSkinWnd::PlaceControls(listed, size());
    }
    void wheelEvent(QWheelEvent* event) override {
        toolbar_.OnWheel(event->angleDelta().y());
        event->accept();
    }

  private:
    CFullScreenToolbar& toolbar_;
};

CFullScreenToolbar::CFullScreenToolbar(CSkinWnd& owner, CControlCenter& center)
    : owner_(owner), center_(center) {
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(3000);
    QObject::connect(&hoverTimer_, &QTimer::timeout, [this] { hoverShown_ = false; });
}

CFullScreenToolbar::~CFullScreenToolbar() {
    DestroyToolbar();
    // No event loop may run again to delete it later.
    delete dying_.data();
}

bool CFullScreenToolbar::HasWindow() const {
    return window_ != nullptr;
}

QWidget* CFullScreenToolbar::Window() const {
    return window_.data();
}

const CMemDC2* CFullScreenToolbar::Background() const {
    return window_ ? window_->background.get() : nullptr;
}

CSkinButtonPlay* CFullScreenToolbar::PlayButton() const {
    return window_ ? &window_->play : nullptr;
}
CSkinCheck* CFullScreenToolbar::MuteCheck() const {
    return window_ ? &window_->mute : nullptr;
}
CSkinSlider* CFullScreenToolbar::PositionBar() const {
    return window_ ? &window_->position : nullptr;
}
CSkinSlider* CFullScreenToolbar::VolumeBar() const {
    return window_ ? &window_->volume : nullptr;
}
CSkinString* CFullScreenToolbar::ProgressLine() const {
    return window_ ? &window_->progress : nullptr;
}
CSkinButton* CFullScreenToolbar::StopButton() const {
    return window_ ? &window_->stop : nullptr;
}

bool CFullScreenToolbar::CreateToolbar(QWidget* parent) {
    if (window_) return true;
    if (!parent) return false;
    QScreen* screen = parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect s = screen->geometry();

    auto* w = new ToolbarWindow(*this);
    window_ = w;
    const qreal ratio = parent->devicePixelRatioF();
    auto art = [&](int id) { return cache_.Resource(id, ratio); };
    w->stop.CreateButton(w, 43, 16, 20, 20, art(20012), 0, 1, 2, 3);
    w->open.CreateButton(w, 19, 16, 20, 20, art(20013), 0, 1, 2, 3);
    w->mute.CreateCheck(w, 182, 16, 20, 20, art(20014), 0, 1, 2, 3, 4, 5, 6, 7);
    w->prev.CreateButton(w, 67, 16, 36, 20, art(20015), 0, 1, 2, 3);
    w->play.CreateCheck(w, 103, 16, 36, 20, art(20017), 0, 1, 2, 3, 4, 5, 6, 7);
    w->next.CreateButton(w, 142, 16, 36, 20, art(20016), 0, 1, 2, 3);
    w->position.CreateSlider(w, true, 1, -40, -1, 12, art(20024), 12, 12, art(20025));
    w->volume.CreateSlider(w, true, 206, -20, 50, 12, art(20024), 12, 12, art(20025));
    w->progress.CreateCtrl(w, 300, -24, 120, 19, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
    w->progress.SetFontSize(12, 12);
    w->volume.SetRange(0, 100);
    ApplySkin();

    w->stop.SetTooltipText("Stop");
    w->open.SetTooltipText("Open Files");
    w->mute.SetTooltipText("Mute");
    w->prev.SetTooltipText("Previous File");
    w->play.SetTooltipText("Play");
    w->next.SetTooltipText("Next File");
    w->volume.SetTooltipText("Volume");

    w->setGeometry(s.x(), s.y() + s.height() - kHeight, s.width(), kHeight);
    w->winId();
    if (QWindow* handle = w->windowHandle()) {
        if (QWidget* top = parent->window()) handle->setTransientParent(top->windowHandle());
    }
    CSkinWnd::PlaceControls(w->listed, w->size());
    InitialState();
    Subscribe();
    w->show();
    w->update();
    return true;
}

void CFullScreenToolbar::ApplySkin() {
    ToolbarWindow& w = *window_;
    const std::string& skin = CSkinning::CurrentSkinName();
    std::optional<SkinDefinition> definition;
    if (skin != CSkinning::kDefaultSkinName) definition = ReadSkinDefinition(skin);
    if (!definition) {
        w.background = cache_.Resource(kBackgroundArt, owner_.devicePixelRatioF());
        // The order the built-in look lists them in.
        w.listed = {&w.play, &w.stop,     &w.open,   &w.mute,    &w.prev,
                    &w.next, &w.position, &w.volume, &w.progress};
        return;
    }
    w.background = definition->fullScreenImage.empty()
                       ? nullptr
                       : owner_.LoadImage(definition->fullScreenImage);
    const std::array<std::pair<const char*, CSkinCtrl*>, 9> sections = {{
        {"fullscreen_stop", &w.stop},
        {"fullscreen_open", &w.open},
        {"fullscreen_mute", &w.mute},
        {"fullscreen_prev", &w.prev},
        {"fullscreen_playpause", &w.play},
        {"fullscreen_next", &w.next},
        {"fullscreen_position_bar", &w.position},
        {"fullscreen_volume_bar", &w.volume},
        {"fullscreen_progress_string", &w.progress},
    }};
    w.listed.clear();
    for (const auto& [section, ctrl] : sections) {
        if (const SkinCtrlValues* values = definition->FindCtrl(section)) {
            ApplyCtrlSection(&owner_, ctrl, values);
        }
        w.listed.push_back(ctrl);
    }
}

void CFullScreenToolbar::InitialState() {
    ToolbarWindow& w = *window_;
    CPlaybackController& controller = center_.GetController();
    CEngineDS& engine = controller.GetEngine();
    const std::string& state = engine.GetStateName();
    if (state == "Paused") {
        w.play.SetPlayState(1);
    } else if (state == "Playing") {
        w.play.SetPlayState(2);
        w.play.SetTooltipText("Pause");
    } else {
        w.play.SetPlayState(0);
    }
    w.mute.SetChecked(controller.IsMuted());
    w.volume.SetValue(controller.GetVolume());
    if (engine.IsLoaded() || engine.IsPlayingOrPaused()) {
        duration_ = controller.GetDuration();
        const double position = controller.GetPosition();
        w.position.setEnabled(true);
        w.position.SetRange(0, static_cast<int>(duration_));
        w.position.SetValue(static_cast<int>(position));
        ShowProgress(position, duration_);
        w.progress.show();
    } else {
        w.position.setEnabled(false);
        w.position.SetValue(0);
        w.progress.hide();
    }
}

void CFullScreenToolbar::Subscribe() {
    ToolbarWindow& w = *window_;
    w.play.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnPlayClicked));
    w.stop.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnStopClicked));
    w.prev.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnPrevClicked));
    w.next.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnNextClicked));
    w.open.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnOpenClicked));
    w.mute.Attach(this, "LeftClicked", Handler(&CFullScreenToolbar::OnMuteClicked));
    w.position.Attach(this, "SliderPosChanged", Handler(&CFullScreenToolbar::OnPositionChanged));
    w.position.Attach(this, "SliderPosHovered", Handler(&CFullScreenToolbar::OnPositionHovered));
    w.volume.Attach(this, "SliderPosChanged", Handler(&CFullScreenToolbar::OnVolumeSliderChanged));
    center_.Attach(this, "MediaLoaded", Handler(&CFullScreenToolbar::OnMediaLoaded));
    center_.Attach(this, "MediaPlaying", Handler(&CFullScreenToolbar::OnMediaPlaying));
    center_.Attach(this, "MediaPaused", Handler(&CFullScreenToolbar::OnMediaPaused));
    center_.Attach(this, "MediaStopped", Handler(&CFullScreenToolbar::OnMediaStopped));
    center_.Attach(this, "MediaCompleted", Handler(&CFullScreenToolbar::OnMediaStopped));
    center_.Attach(this, "MediaAborted", Handler(&CFullScreenToolbar::OnMediaStopped));
    center_.Attach(this, "MediaLoadFailed", Handler(&CFullScreenToolbar::OnMediaLoadFailed));
    center_.Attach(this, "MediaPositionChanged",
                   Handler(&CFullScreenToolbar::OnMediaPositionChanged));
    CEngineDS& engine = center_.GetController().GetEngine();
    engine.Attach(this, "VolumeChanged", Handler(&CFullScreenToolbar::OnVolumeChanged));
    engine.Attach(this, "MuteChanged", Handler(&CFullScreenToolbar::OnMuteChanged));
}

void CFullScreenToolbar::DestroyToolbar() {
    if (!window_) return;
    center_.Detach(this);
    center_.GetController().GetEngine().Detach(this);
    hoverTimer_.stop();
    hoverShown_ = false;
    ToolbarWindow* w = window_.data();
    window_ = nullptr;
    w->hide();
    delete dying_.data();
    dying_ = w;
    w->deleteLater();
}

void CFullScreenToolbar::ShowProgress(double position, double duration) {
    if (!window_) return;
    window_->progress.SetText(ProgressText(position, duration));
}

void CFullScreenToolbar::OnWheel(int angleDelta) {
    if (!window_) return;
    const int steps = wheel_.Add(angleDelta);
    if (steps == 0) return;
    CSkinSlider& volume = window_->volume;
    const int value =
        std::clamp(volume.GetValue() + 5 * steps, volume.GetMinimum(), volume.GetMaximum());
    volume.SetValue(value);
    center_.GetController().SetVolume(value);
}

void CFullScreenToolbar::OnPlayClicked(ISubject*, EventArg, EventArg) {
    if (window_) center_.Play();
}
void CFullScreenToolbar::OnStopClicked(ISubject*, EventArg, EventArg) {
    if (window_) center_.Stop();
}
void CFullScreenToolbar::OnPrevClicked(ISubject*, EventArg, EventArg) {
    if (window_) center_.JumpPrevious();
}
void CFullScreenToolbar::OnNextClicked(ISubject*, EventArg, EventArg) {
    if (window_) center_.JumpNext();
}
void CFullScreenToolbar::OnOpenClicked(ISubject*, EventArg, EventArg) {
    if (window_) center_.OpenFilesDialog(true);
}
void CFullScreenToolbar::OnMuteClicked(ISubject*, EventArg, EventArg) {
    if (!window_) return;
    CPlaybackController& controller = center_.GetController();
    controller.SetMute(!controller.IsMuted());
}
void CFullScreenToolbar::OnPositionChanged(ISubject*, EventArg arg1, EventArg) {
    if (window_) center_.GetController().SetPosition(static_cast<int32_t>(arg1));
}
void CFullScreenToolbar::OnPositionHovered(ISubject*, EventArg arg1, EventArg) {
    if (!window_ || !center_.GetController().GetEngine().IsPlayingOrPaused()) return;
    ShowProgress(static_cast<int32_t>(arg1), duration_);
    hoverShown_ = true;
    hoverTimer_.start();
}
void CFullScreenToolbar::OnVolumeSliderChanged(ISubject*, EventArg arg1, EventArg) {
    if (window_) center_.GetController().SetVolume(static_cast<int32_t>(arg1));
}

void CFullScreenToolbar::OnMediaLoaded(ISubject*, EventArg arg1, EventArg) {
    if (!window_) return;
    ToolbarWindow& w = *window_;
    w.play.SetPlayState(0);
    if (const auto* clip = reinterpret_cast<const CClipInfo*>(arg1)) {
        duration_ = clip->duration;
        w.position.setEnabled(true);
        w.position.SetRange(0, static_cast<int>(duration_));
        w.position.SetValue(0);
    }
    CPlaybackController& controller = center_.GetController();
    w.mute.SetChecked(controller.IsMuted());
    w.volume.SetValue(controller.GetVolume());
    ShowProgress(0, duration_);
    w.progress.show();
}
void CFullScreenToolbar::OnMediaPlaying(ISubject*, EventArg, EventArg) {
    if (!window_) return;
    window_->play.SetPlayState(2);
    window_->play.SetTooltipText("Pause");
}
void CFullScreenToolbar::OnMediaPaused(ISubject*, EventArg, EventArg) {
    if (!window_) return;
    window_->play.SetPlayState(1);
    window_->play.SetTooltipText("Play");
}
void CFullScreenToolbar::ResetState(bool hideProgress) {
    if (!window_) return;
    window_->play.SetPlayState(0);
    window_->position.setEnabled(false);
    window_->position.SetValue(0);
    if (hideProgress) window_->progress.hide();
}
void CFullScreenToolbar::OnMediaStopped(ISubject*, EventArg, EventArg) {
    ResetState(false);
}
void CFullScreenToolbar::OnMediaLoadFailed(ISubject*, EventArg, EventArg) {
    ResetState(true);
}
void CFullScreenToolbar::OnMediaPositionChanged(ISubject*, EventArg arg1, EventArg arg2) {
    if (!window_) return;
    const int position = static_cast<int32_t>(arg1);
    const int duration = static_cast<int32_t>(arg2);
    window_->position.SetRange(0, duration);
    window_->position.SetValue(position);
    if (!hoverShown_) ShowProgress(position, duration);
}
void CFullScreenToolbar::OnVolumeChanged(ISubject*, EventArg arg1, EventArg) {
    if (window_) window_->volume.SetValue(static_cast<int32_t>(arg1));
}
void CFullScreenToolbar::OnMuteChanged(ISubject*, EventArg arg1, EventArg) {
    if (window_) window_->mute.SetChecked(arg1 != 0);
}

}  // namespace zvp
