#pragma once

#include <QObject>
#include <QPointer>

#include "ui/CDropTarget.h"

class QWidget;

namespace zvp {

// Registers a widget for drops and forwards its drag and drop events to a CDropTarget (not
// owned; null answers none, false or nothing). Qt delivers move and drop events only to a
// widget that accepted the enter, so both the enter and the moves ask OnDragOver; OnDragEnter
// is still called first. A drop is never reported to the source as accepted, so a file
// manager never takes it for a move and deletes nothing. UI thread only.
class CFileDropTarget : public QObject {
    Q_OBJECT

  public:
    explicit CFileDropTarget(CDropTarget* target = nullptr) : target_(target) {}
    ~CFileDropTarget() override { Revoke(); }

    void SetTarget(CDropTarget* target) { target_ = target; }
    // Lets `widget` accept drops and watches its drag events; false for a null widget.
    bool Register(QWidget* widget);
    // Stops watching; the widget refuses drops again.
    void Revoke();

    // The forwarding calls, also used directly by tests.
    Qt::DropAction OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys, QPoint point);
    Qt::DropAction OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keys, QPoint point);
    bool OnDrop(const QMimeData* data, Qt::DropAction effect, QPoint point);
    int OnDropEx(const QMimeData* data, Qt::DropAction effect, QPoint point);
    void OnDragLeave();
    Qt::DropAction OnDragScroll(Qt::KeyboardModifiers keys, QPoint point);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CDropTarget* target_;  // not owned
    QPointer<QWidget> widget_;
};

}  // namespace zvp
