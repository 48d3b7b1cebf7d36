#pragma once

#include <QDialog>
#include <string>

#include "ui/MediaInfoRows.h"

class QLabel;
class QTreeWidget;

namespace zvp {

class CControlCenter;

// The media information dialog, titled "Media Infomation": the application icon, the file
// name and its folder as selectable plain text, and a two-column list ("Title" at least
// 100 px, as wide as its longest label needs; "Info" the rest) of
// the rows ReadMediaInfo gives, with full-row selection. Ctrl+C and the list's context menu
// "&Copy" put the selected rows (every row when none is selected) on the clipboard as
// "label\tvalue" lines. The content is a snapshot taken when the dialog is made; the file
// may end, close or change while it is open. UI thread only.
class CDlgMediaInfo : public QDialog {
    Q_OBJECT

  public:
    // Shows the file open in `center`'s engine (nothing loaded: empty name and folder and
    // the general rows only).
    CDlgMediaInfo(QWidget* parent, CControlCenter& center);
    CDlgMediaInfo(QWidget* parent, MediaInfo info);

    // The clipboard text of the current selection, as CopySelection puts it there.
    QString SelectionText() const;
    void CopySelection();

    QTreeWidget* List() const { return list_; }

  private:
    QLabel* name_ = nullptr;
    QLabel* folder_ = nullptr;
    QTreeWidget* list_ = nullptr;
};

}  // namespace zvp
