#include "ui/CButtonColor.h"

#include <QColorDialog>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "app/CAppIni.h"

namespace zvp {

namespace {

QColor ToQColor(uint32_t color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

}  // namespace

CButtonColor::CButtonColor(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, &CButtonColor::ChooseColor);
}

void CButtonColor::SetColor(uint32_t color) {
    color_ = color & 0x00FFFFFFu;
    update();
}

QSize CButtonColor::sizeHint() const {
    return QSize(60, 23);
}

void CButtonColor::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    if (isDown()) option.state |= QStyle::State_Sunken;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.fillRect(rect().adjusted(3, 3, -3, -3), ToQColor(color_));
}

void CButtonColor::ChooseColor() {
    QColorDialog dialog(ToQColor(color_), this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return;
    SetColor(MakeColor(uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue())));
}

}  // namespace zvp
