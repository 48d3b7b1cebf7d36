#include "skin/CSkinScreen.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "engine/IZoom.h"
#include "engine/PictureRatio.h"
#include "engine/Zoom.h"

namespace zvp {

CSkinScreen::CSkinScreen() : zoom_(&ZoomByName("FITWINDOW")) {
    // Paints every pixel of its area: the window does not paint under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!CurrentAspectRatio()) SetCurrentAspectRatio(&AspectRatioByName("default"));
}

CSkinScreen::~CSkinScreen() = default;

QRect CSkinScreen::ToQRect(const VideoRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void CSkinScreen::SetAspectRatio(std::string_view name) {
    SetCurrentAspectRatio(&AspectRatioByName(name));
    SetSourceSize(source_);
}

void CSkinScreen::SetZoom(std::string_view name) {
    zoom_ = &ZoomByName(name);
    SetSourceSize(source_);
}

void CSkinScreen::SetSourceSize(VideoSize size) {
    source_ = size;
    if (size.width == 0 || size.height == 0) return;
    // The picture fits the area as it is now, or the minimum area when that is larger.
    const VideoSize least{std::max(minArea_.width, width()), std::max(minArea_.height, height())};
    VideoRect rect = displayRect_;
    zoom_->CalcArea(least, source_, area_, rect);
    SetDisplayRect(rect);
}

void CSkinScreen::SetDisplayRect(const VideoRect& rect) {
    displayRect_ = rect;
    Notify("DisplayRectChanged", reinterpret_cast<EventArg>(&displayRect_), 0);
    if (videoWindow_) videoWindow_->setGeometry(ToQRect(displayRect_));
}

void CSkinScreen::SetVideoWindow(QWidget* window) {
    videoWindow_ = window;
    if (videoWindow_) videoWindow_->setGeometry(ToQRect(displayRect_));
}

void CSkinScreen::Draw(QPainter& painter) {
    painter.fillRect(rect(), Qt::black);
}

void CSkinScreen::resizeEvent(QResizeEvent* event) {
    CSkinCtrl::resizeEvent(event);
    VideoRect rect = displayRect_;
    zoom_->FitDisplayRect(source_, VideoSize{width(), height()}, rect);
    SetDisplayRect(rect);
}

void CSkinScreen::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) Publish("LButtonDown", at);
    if (event->button() == Qt::RightButton) Publish("RButtonDown", at);
    event->ignore();
}

void CSkinScreen::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Publish("LButtonDblClk", event->position().toPoint());
    event->ignore();
}

void CSkinScreen::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) Publish("LButtonUp", at);
    if (event->button() == Qt::RightButton) Publish("RButtonUp", at);
    event->ignore();
}

void CSkinScreen::mouseMoveEvent(QMouseEvent* event) {
    Publish("MouseMove", event->position().toPoint());
    event->ignore();
}

}  // namespace zvp
