#pragma once

#include <QStyledItemDelegate>

namespace zvp {

// Draws each item of a font list in its own face: the item's text is a family name, drawn
// at normal weight in a 20 px character cell, 2 px from the left and centred vertically
// (moved down by 2 px); a selected item on the palette's highlight colours. An item is as
// high as the list font's line height + 4, and sizeHint loads no face, so long lists open
// quickly. UI thread only.
class CFontItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    static constexpr int kCellHeight = 20;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The face an item named `family` is drawn in.
    static QFont FaceFor(const QString& family);
};

}  // namespace zvp
