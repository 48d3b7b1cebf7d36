#include "skin/CSkinString.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdlib>

#include "app/CAppIni.h"
#include "skin/BuiltinSkin.h"

namespace zvp {
namespace {

QColor ToQColor(uint32_t color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

}  // namespace

CSkinString::CSkinString()
    : textColor_(kStringTextColor),
      focusColor_(kStringFocusColor),
      background_(kStringBackgroundColor) {}

void CSkinString::SetText(const std::string& text) {
    text_ = text;
    update();
}

void CSkinString::SetFontSize(int width, int height) {
    fontWidth_ = width;
    fontHeight_ = height;
    update();
}

void CSkinString::SetTextColor(uint32_t color) {
    textColor_ = color;
    update();
}

void CSkinString::SetTextFocusColor(uint32_t color) {
    focusColor_ = color;
    update();
}

void CSkinString::SetBackgroundColor(uint32_t color) {
    background_ = color;
    update();
}

QFont CSkinString::TextFont() const {
    QFont font = QApplication::font();
    if (fontHeight_ != -1 && fontHeight_ != 0) {
        font.setPixelSize(std::clamp(std::abs(fontHeight_), kMinFontPixels, kMaxFontPixels));
    }
    font.setWeight(QFont::Weight(600));
    return font;
}

void CSkinString::Draw(QPainter& painter) {
    painter.fillRect(rect(), ToQColor(background_));
    const QFont font = TextFont();
    const QFontMetrics metrics(font);
    const QString text =
        metrics.elidedText(QString::fromStdString(text_), Qt::ElideRight, std::max(width(), 0));
    painter.setFont(font);
    painter.setPen(ToQColor(GetVisualState() == kHover ? focusColor_ : textColor_));
    const int textHeight = metrics.height();
    painter.drawText(QRect(0, (height() - textHeight) / 2, width(), textHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace zvp
