#pragma once

#include <QPointer>
#include <cstdint>

#include "app/ISubject.h"
#include "playlist/CPlaylistModel.h"
#include "skin/CListCtrlFocus.h"

namespace zvp {

// The playlist's view over the control centre's CPlaylistModel. It keeps no rows and no row
// state: the current row and the selection are the model's (its QItemSelectionModel is shared
// with the view), moves, deletes and sorts go through the model, and activation calls the
// model's Activate(row), which publishes "ListItemActived".
//
// Publishes through its own subject: "LeftDblClicked" (row, 0) after a double click on a row,
// "ActiveSelected" (row, 0) after Enter with a selected row (the current one when selected,
// else the first), "RightClicked" (row under the pointer or −1, 0) on a right release and
// "DeleteSelectedItems" (0, 0) on Delete; the view itself deletes nothing. Ctrl+Up/Down move
// the selected rows one row, Ctrl+Home/End to the top or bottom.
//
// Columns: "Duration" 40 pixels, "Title" the rest of the viewport. Rows are drawn in the text
// colours; the playing row (ActiveRole) in the highlight colours; rows that failed to load
// (LoadFailedRole) in the error colour, dimmed; selected rows in the accent (75, 160, 20) with
// white text. Colours are 0x00BBGGRR. The model is not owned and is forgotten when destroyed.
// UI thread only.
class CListCtrlApp : public CListCtrlFocus, public ISubject {
    Q_OBJECT

  public:
    static constexpr int kDurationWidth = 40;

    explicit CListCtrlApp(QWidget* parent = nullptr);
    ~CListCtrlApp() override;

    // Shows `model` (null: nothing) and shares its selection.
    void SetPlaylistModel(CPlaylistModel* model);
    CPlaylistModel* GetPlaylistModel() const { return model_; }

    void UpdateColumns();

    void SetTextColor(uint32_t color);
    void SetTextBackgroundColor(uint32_t color);
    void SetTextErrorColor(uint32_t color);
    void SetTextHighlightColor(uint32_t color);
    void SetTextHighlightBackgroundColor(uint32_t color);
    uint32_t GetTextColor() const { return text_; }
    uint32_t GetTextBackgroundColor() const { return textBackground_; }
    uint32_t GetTextErrorColor() const { return error_; }
    uint32_t GetTextHighlightColor() const { return highlight_; }
    uint32_t GetTextHighlightBackgroundColor() const { return highlightBackground_; }

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void updateGeometries() override;

  private:
    // The row Enter activates: the current row when selected, else the first selected; −1.
    int SelectedRow() const;
    void ApplyBackground();

    QPointer<CPlaylistModel> model_;
    uint32_t text_;
    uint32_t textBackground_;
    uint32_t error_;
    uint32_t highlight_;
    uint32_t highlightBackground_;
};

}  // namespace zvp
