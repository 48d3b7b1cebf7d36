#include "skin/CSkinSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "skin/SkinDraw.h"

namespace zvp {
namespace {

// trunc(v + 0.5) within int.
int RoundHalfUp(double v) {
    return static_cast<int>(std::clamp(std::trunc(v + 0.5), -2147483648.0, 2147483647.0));
}

}  // namespace

CSkinSlider::CSkinSlider() = default;

CSkinSlider::~CSkinSlider() {
    Detach(this);
}

bool CSkinSlider::CreateSlider(QWidget* parent, bool horizontal, int left, int top, int width,
                               int height, Image image, int thumbWidth, int thumbHeight,
                               Image thumb) {
    if (!CreateCtrl(parent, left, top, width, height, std::move(image), QPoint(-1, -1),
                    QPoint(-1, -1), QPoint(-1, -1))) {
        return false;
    }
    horizontal_ = horizontal;
    thumb_ = std::move(thumb);
    thumbSize_ = QSize(std::max(thumbWidth, 0), std::max(thumbHeight, 0));
    Attach(this, "MouseDragging", kNoHandler);
    Attach(this, "MouseMove", kNoHandler);
    SetValue(value_);
    return true;
}

void CSkinSlider::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    SetValue(value_);
}

int CSkinSlider::ThumbLength() const {
    return horizontal_ ? thumbSize_.width() : thumbSize_.height();
}

int CSkinSlider::TravelLength() const {
    return std::max((horizontal_ ? width() : height()) - ThumbLength(), 0);
}

double CSkinSlider::PixelsPerUnit() const {
    const int travel = (horizontal_ ? width() : height()) - ThumbLength();
    const double range = static_cast<double>(maximum_) - minimum_;
    if (travel <= 0 || range == 0) return 0;
    return travel / range;
}

int CSkinSlider::ValueAt(int pixel) const {
    const double k = PixelsPerUnit();
    if (k == 0) return minimum_;
    return RoundHalfUp(minimum_ + pixel / k);
}

void CSkinSlider::SetValue(int value) {
    value_ = value;
    const double k = PixelsPerUnit();
    const int pos = k == 0 ? 0
                           : std::clamp(RoundHalfUp((static_cast<double>(value) - minimum_) * k), 0,
                                        TravelLength());
    thumbPos_ = horizontal_ ? QPoint(pos, 0) : QPoint(0, pos);
    update();
}

void CSkinSlider::SetHorizontal(bool horizontal) {
    horizontal_ = horizontal;
    SetValue(value_);
}

void CSkinSlider::SetThumbImage(Image thumb, SkinImageSource source) {
    thumb_ = std::move(thumb);
    thumbSource_ = std::move(source);
    thumbSize_ = thumb_ ? thumb_->Size() : QSize(0, 0);
    SetValue(value_);
}

void CSkinSlider::ReloadImages(CSkinWnd& cacheOwner) {
    CSkinCtrl::ReloadImages(cacheOwner);
    Reload(cacheOwner, thumb_, thumbSource_);
}

void CSkinSlider::Track(QPoint at) {
    const double k = PixelsPerUnit();
    int offset = (horizontal_ ? at.x() : at.y()) - grabOffset_;
    if (k == 0) {
        offset = 0;
    } else if (horizontal_) {
        offset = static_cast<int>(std::trunc(std::trunc(offset / k) * k));
    }
    offset = std::clamp(offset, 0, TravelLength());
    const int stored = horizontal_ ? thumbPos_.x() : thumbPos_.y();
    if (offset == stored) return;
    thumbPos_ = horizontal_ ? QPoint(offset, 0) : QPoint(0, offset);
    value_ = ValueAt(offset);
    Notify("SliderPosChanged", static_cast<EventArg>(static_cast<intptr_t>(value_)),
           static_cast<EventArg>(TravelLength()));
    repaint();
}

void CSkinSlider::OnNotify(ISubject* subject, std::string eventName, HandlerKey, EventArg arg1,
                           EventArg arg2) {
    if (subject != this) return;
    const QPoint at(static_cast<int>(static_cast<intptr_t>(arg1)),
                    static_cast<int>(static_cast<intptr_t>(arg2)));
    if (eventName == "MouseDragging") {
        Track(at);
    } else if (eventName == "MouseMove") {
        const int half = ThumbLength() / 2;
        const int pixel = std::clamp((horizontal_ ? at.x() : at.y()) - half, 0, TravelLength());
        const int value = ValueAt(pixel);
        Notify("SliderPosHovered", static_cast<EventArg>(static_cast<intptr_t>(value)),
               static_cast<EventArg>(TravelLength()));
    }
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
    CSkinCtrl::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    grabOffset_ = ThumbLength() / 2;
    Track(event->position().toPoint());
}

void CSkinSlider::resizeEvent(QResizeEvent* event) {
    CSkinCtrl::resizeEvent(event);
    SetValue(value_);
}

void CSkinSlider::Draw(QPainter& painter) {
    const Image& channel = GetImage();
    if (channel && !channel->IsEmpty()) {
        const QRect source(QPoint(0, 0), channel->Size());
        const QRect track = horizontal_ ? QRect(0, 0, width(), channel->Height())
                                        : QRect(0, 0, channel->Width(), height());
        DrawSkinTiles(painter, track, *channel, source);
    }
    if (thumb_ && !thumb_->IsEmpty() && !thumbSize_.isEmpty()) {
        DrawSkinImage(painter, thumbPos_, *thumb_, QRect(QPoint(0, 0), thumbSize_));
    }
}

}  // namespace zvp
