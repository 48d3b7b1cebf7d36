#include "skin/CSkinCtrl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QString>
#include <QWheelEvent>
#include <cstdlib>

#include "skin/CSkinWnd.h"
#include "skin/SkinDraw.h"

namespace zvp {

CSkinCtrl::CSkinCtrl() : QWidget(nullptr) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

CSkinCtrl::~CSkinCtrl() = default;

bool CSkinCtrl::CreateCtrl(QWidget* parent, int left, int top, int width, int height, Image image,
                           QPoint normal, QPoint hover, QPoint fourth) {
    if (!parent || created_) return false;
    setParent(parent);
    setGeometry(left, top, std::abs(width), std::abs(height));
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    image_ = std::move(image);
    normal_ = normal;
    hover_ = hover;
    fourth_ = fourth.x() == -1 && fourth.y() == -1 ? normal : fourth;
    created_ = true;
    show();
    return true;
}

void CSkinCtrl::SetLayout(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void CSkinCtrl::SetImage(Image image, SkinImageSource source) {
    image_ = std::move(image);
    imageSource_ = std::move(source);
    update();
}

void CSkinCtrl::Reload(CSkinWnd& cacheOwner, Image& image, const SkinImageSource& source) {
    if (source.resourceId != 0) image = cacheOwner.LoadImage(source);
}

void CSkinCtrl::ReloadImages(CSkinWnd& cacheOwner) {
    Reload(cacheOwner, image_, imageSource_);
    update();
}

void CSkinCtrl::SetTooltipText(const std::string& text) {
    tooltip_ = text;
    setToolTip(QString::fromStdString(text));
}

QPoint CSkinCtrl::SourcePoint() const {
    if (normal_.x() == -1 && normal_.y() == -1) return {-1, -1};
    QPoint point = normal_;
    if (state_ == kFourth) {
        point = fourth_;
    } else if (state_ == kHover) {
        int x = hover_.x();
        int y = hover_.y();
        AdjustHoverSource(x, y);
        point = QPoint(x, y);
    }
    if (point.x() == -1) point.setX(normal_.x());
    if (point.y() == -1) point.setY(normal_.y());
    return point;
}

void CSkinCtrl::Draw(QPainter& painter) {
    if (!image_) return;
    const QPoint source = SourcePoint();
    if (source.x() == -1 && source.y() == -1) return;
    DrawSkinImage(painter, QPoint(0, 0), *image_, QRect(source, size()));
}

void CSkinCtrl::OnHoverCursor() {
    setCursor(Qt::ArrowCursor);
}

void CSkinCtrl::SetVisualState(VisualState state) {
    if (state_ == state) return;
    state_ = state;
    update();
}

void CSkinCtrl::Publish(const char* name, QPoint at) {
    Notify(name, static_cast<EventArg>(static_cast<intptr_t>(at.x())),
           static_cast<EventArg>(static_cast<intptr_t>(at.y())));
}

void CSkinCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void CSkinCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    capture_ = kCapturePress;
    SetVisualState(kPressed);
    update();
    Publish("LeftDown", event->position().toPoint());
}

void CSkinCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    capture_ = kCaptureDoubleClick;
    SetVisualState(kPressed);
    update();
    Publish("LeftDoubleClicked", event->position().toPoint());
}

void CSkinCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (capture_ == kNoCapture) return;
    const QPoint at = event->position().toPoint();
    const bool inside = rect().contains(at);
    SetVisualState(inside ? kHover : kNormal);
    capture_ = kNoCapture;
    update();
    Publish("LeftUp", at);
    if (inside) Publish("LeftClicked", at);
}

void CSkinCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (capture_ != kNoCapture && (event->buttons() & Qt::LeftButton)) {
        SetVisualState(rect().contains(at) ? kPressed : kNormal);
        Publish("MouseDragging", at);
    } else {
        SetVisualState(kHover);
        OnHoverCursor();
    }
    update();
    Publish("MouseMove", at);
}

void CSkinCtrl::leaveEvent(QEvent*) {
    SetVisualState(kNormal);
    update();
    Notify("MouseLeave", 0, 0);
}

void CSkinCtrl::wheelEvent(QWheelEvent* event) {
    // Handed to the top-level window directly (accepted here, so Qt does not pass it on too).
    QWidget* target = window();
    if (!target || target == this) {
        event->ignore();
        return;
    }
    QWheelEvent forwarded(mapTo(target, event->position()), event->globalPosition(),
                          event->pixelDelta(), event->angleDelta(), event->buttons(),
                          event->modifiers(), event->phase(), event->inverted(), event->source(),
                          event->pointingDevice());
    QApplication::sendEvent(target, &forwarded);
    event->accept();
}

}  // namespace zvp
