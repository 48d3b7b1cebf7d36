#pragma once

#include <QTreeView>

namespace zvp {

// A report-style list: rows of columns without a header or tree decoration, whole rows
// selected, several at once, never edited in place; it takes the keyboard focus when clicked
// and when the pointer enters it, so the list's keys work without a further click.
// UI thread only.
class CListCtrlFocus : public QTreeView {
    Q_OBJECT

  public:
    explicit CListCtrlFocus(QWidget* parent = nullptr);
    ~CListCtrlFocus() override;

  protected:
    void enterEvent(QEnterEvent* event) override;
};

}  // namespace zvp
