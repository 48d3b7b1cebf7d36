#pragma once

#include <QPoint>
#include <Qt>

class QMimeData;

namespace zvp {

// What a window does with things dragged over it. Drop effects are Qt's actions:
// Qt::IgnoreAction refuses, Qt::CopyAction and Qt::MoveAction accept. The key state is the
// keyboard modifiers held. The base refuses everything. UI thread only.
class CDropTarget {
  public:
    virtual ~CDropTarget() = default;

    virtual Qt::DropAction OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys,
                                       QPoint point) {
        return Qt::IgnoreAction;
    }
    virtual Qt::DropAction OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keys,
                                      QPoint point) {
        return Qt::IgnoreAction;
    }
    // True when the drop was taken as the effect says (the source may then act on it, a move
    // deleting its files); false otherwise.
    virtual bool OnDrop(const QMimeData* data, Qt::DropAction effect, QPoint point) {
        return false;
    }
    // −1: not handled here, OnDrop decides.
    virtual int OnDropEx(const QMimeData* data, Qt::DropAction effect, QPoint point) { return -1; }
    virtual void OnDragLeave() {}
    virtual Qt::DropAction OnDragScroll(Qt::KeyboardModifiers keys, QPoint point) {
        return Qt::IgnoreAction;
    }
};

}  // namespace zvp
