#include "skin/CSkinSizer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "app/CAppIni.h"
#include "skin/BuiltinSkin.h"

namespace zvp {
namespace {

QColor ToQColor(uint32_t color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

}  // namespace

CSkinSizer::CSkinSizer() : background_(kSizerBackgroundColor) {}

CSkinSizer::~CSkinSizer() {
    box_.Detach(this);
    delete line_.data();
}

bool CSkinSizer::CreateSizer(QWidget* parent, int left, int top, int width, int height,
                             Image boxImage, int boxPieces) {
    if (!CreateCtrl(parent, left, top, width, height, nullptr, QPoint(-1, -1), QPoint(-1, -1),
                    QPoint(-1, -1))) {
        return false;
    }
    if (boxPieces > 0 && boxImage) {
        boxSize_ = QSize(boxImage->Width() / boxPieces, boxImage->Height());
    }
    box_.CreateCheck(this, 0, 0, boxSize_.width(), boxSize_.height(), std::move(boxImage), 0, 1, 2,
                     0, 3, 4, 5, 3);
    box_.Attach(this, "LeftClicked", kNoHandler);
    PlaceBox();
    return true;
}

void CSkinSizer::SetBackgroundColor(uint32_t color) {
    background_ = color;
    update();
}

void CSkinSizer::SetBoxImage(Image image, int pieces, SkinImageSource source) {
    if (pieces > 0) {
        boxSize_ = image ? QSize(image->Width() / pieces, image->Height()) : QSize(0, 0);
    }
    box_.SetImage(std::move(image), std::move(source));
    PlaceBox();
}

void CSkinSizer::ReloadImages(CSkinWnd& cacheOwner) {
    CSkinCtrl::ReloadImages(cacheOwner);
    box_.ReloadImages(cacheOwner);
}

void CSkinSizer::PlaceBox() {
    const int y = (height() - boxSize_.height()) / 2;
    box_.SetLayout(0, y, boxSize_.width(), boxSize_.height());
    box_.setGeometry(0, y, boxSize_.width(), boxSize_.height());
}

void CSkinSizer::PlaceLine() {
    if (!line_) return;
    line_->setGeometry(x() + dragX_ - kLineWidth / 2, y(), kLineWidth, height());
}

void CSkinSizer::OnNotify(ISubject* subject, std::string eventName, HandlerKey, EventArg,
                          EventArg) {
    if (subject != &box_ || eventName != "LeftClicked") return;
    box_.SetChecked(!box_.IsChecked());
    Notify("SkinSizerBoxChecked", box_.IsChecked() ? 1 : 0, 0);
}

void CSkinSizer::Draw(QPainter& painter) {
    painter.fillRect(rect(), ToQColor(background_));
}

void CSkinSizer::mousePressEvent(QMouseEvent* event) {
    CSkinCtrl::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !parentWidget()) return;
    grabOffset_ = event->position().toPoint().x();
    dragX_ = width() / 2;
    if (!line_) {
        line_ = new QWidget(parentWidget());
        line_->setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette palette = line_->palette();
        palette.setColor(QPalette::Window, QColor(164, 164, 164));
        line_->setPalette(palette);
        line_->setAutoFillBackground(true);
    }
    PlaceLine();
    line_->show();
    line_->raise();
}

void CSkinSizer::mouseMoveEvent(QMouseEvent* event) {
    CSkinCtrl::mouseMoveEvent(event);
    if (GetCaptureMode() == kNoCapture || !(event->buttons() & Qt::LeftButton)) return;
    dragX_ = event->position().toPoint().x();
    if (x() + dragX_ > minPos_) PlaceLine();
}

void CSkinSizer::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragging = event->button() == Qt::LeftButton && GetCaptureMode() != kNoCapture;
    CSkinCtrl::mouseReleaseEvent(event);
    if (!dragging) return;
    delete line_.data();
    QWidget* parent = parentWidget();
    if (!parent) return;
    parent->update();
    int pos = x() + dragX_;
    int offset = grabOffset_;
    if (pos < minPos_) {
        pos = minPos_;
        offset = 0;
    } else if (pos > parent->width() - 2 * width()) {
        pos = parent->width() - width() / 2;
        offset = 0;
    }
    Notify("SkinSizerPosChanged", static_cast<EventArg>(static_cast<intptr_t>(pos)),
           static_cast<EventArg>(static_cast<intptr_t>(offset)));
}

void CSkinSizer::resizeEvent(QResizeEvent* event) {
    CSkinCtrl::resizeEvent(event);
    PlaceBox();
}

}  // namespace zvp
