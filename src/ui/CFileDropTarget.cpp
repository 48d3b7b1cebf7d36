#include "ui/CFileDropTarget.h"

#include <QDropEvent>
#include <QWidget>

namespace zvp {

bool CFileDropTarget::Register(QWidget* widget) {
    if (!widget) return false;
    Revoke();
    widget_ = widget;
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
    return true;
}

void CFileDropTarget::Revoke() {
    if (!widget_) return;
    widget_->removeEventFilter(this);
    widget_->setAcceptDrops(false);
    widget_ = nullptr;
}

Qt::DropAction CFileDropTarget::OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys,
                                            QPoint point) {
    return target_ ? target_->OnDragEnter(data, keys, point) : Qt::IgnoreAction;
}

Qt::DropAction CFileDropTarget::OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keys,
                                           QPoint point) {
    return target_ ? target_->OnDragOver(data, keys, point) : Qt::IgnoreAction;
}

bool CFileDropTarget::OnDrop(const QMimeData* data, Qt::DropAction effect, QPoint point) {
    return target_ ? target_->OnDrop(data, effect, point) : false;
}

int CFileDropTarget::OnDropEx(const QMimeData* data, Qt::DropAction effect, QPoint point) {
    return target_ ? target_->OnDropEx(data, effect, point) : 0;
}

void CFileDropTarget::OnDragLeave() {
    if (target_) target_->OnDragLeave();
}

Qt::DropAction CFileDropTarget::OnDragScroll(Qt::KeyboardModifiers keys, QPoint point) {
    return target_ ? target_->OnDragScroll(keys, point) : Qt::IgnoreAction;
}

bool CFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) return false;
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const QPoint at = drag->position().toPoint();
            if (event->type() == QEvent::DragEnter) {
                OnDragEnter(drag->mimeData(), drag->modifiers(), at);
            }
            const Qt::DropAction effect = OnDragOver(drag->mimeData(), drag->modifiers(), at);
            if (effect == Qt::IgnoreAction) {
                drag->ignore();
            } else {
                drag->setDropAction(effect);
                drag->accept();
            }
            return true;
        }
        case QEvent::DragLeave:
            OnDragLeave();
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QPoint at = drop->position().toPoint();
            // Ctrl held: copy (append); otherwise the move the enter offered.
            const Qt::DropAction effect =
                (drop->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
            if (OnDropEx(drop->mimeData(), effect, at) == -1) {
                OnDrop(drop->mimeData(), effect, at);
            }
            // Whatever happened, the source is told nothing was taken.
            drop->setDropAction(Qt::IgnoreAction);
            drop->ignore();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace zvp
