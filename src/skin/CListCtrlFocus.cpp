#include "skin/CListCtrlFocus.h"

#include <QHeaderView>

namespace zvp {

CListCtrlFocus::CListCtrlFocus(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    header()->setStretchLastSection(false);
}

CListCtrlFocus::~CListCtrlFocus() = default;

void CListCtrlFocus::enterEvent(QEnterEvent* event) {
    QTreeView::enterEvent(event);
    if (isActiveWindow()) setFocus(Qt::MouseFocusReason);
}

}  // namespace zvp
