#include "ui/CFontItemDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace zvp {

QFont CFontItemDelegate::FaceFor(const QString& family) {
    QFont font(family);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setPixelSize(kCellHeight);
    // A cell holds the ascent and descent; the pixel size is the em height, usually smaller.
    const int cell = QFontMetrics(font).height();
    if (cell > kCellHeight) font.setPixelSize(std::max(1, kCellHeight * kCellHeight / cell));
    return font;
}

void CFontItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QString family = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        painter->setPen(option.palette.color(group, QPalette::HighlightedText));
    } else {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Base));
        painter->setPen(option.palette.color(group, QPalette::Text));
    }
    painter->setFont(FaceFor(family));
    const QRect text = option.rect.adjusted(2, 0, 0, 0).translated(0, 2);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, family);
    painter->restore();
}

QSize CFontItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width() > 0 ? option.rect.width() : 100,
                 option.fontMetrics.height() + 4);
}

}  // namespace zvp
