#pragma once

#include <cstdint>

#include "skin/CListCtrlApp.h"
#include "skin/CSkinCtrl.h"

namespace zvp {

class CPlaylistModel;

// The skinned playlist: a CListCtrlApp filling the control, over the control centre's
// CPlaylistModel. Translates the inner list's events: "RightClicked" → "ListItemRightClicked";
// "DeleteSelectedItems" → the model deletes its selected rows (DeleteSelectedItems, which
// frees their records) and fits its columns, then "SelectedItemsDeleted"; each with the inner
// event's numbers. Activation is published by the model ("ListItemActived"), not here.
// Colours are 0x00BBGGRR. UI thread only.
class CSkinList : public CSkinCtrl {
    Q_OBJECT

  public:
    CSkinList();
    ~CSkinList() override;

    bool CreateList(QWidget* parent, int left, int top, int width, int height);

    const char* GetTypeName() const override { return "List"; }

    // Not owned; null shows nothing.
    void SetPlaylistModel(CPlaylistModel* model) { list_.SetPlaylistModel(model); }
    CListCtrlApp& ListCtrl() { return list_; }
    const CListCtrlApp& ListCtrl() const { return list_; }
    void UpdateColumns() { list_.UpdateColumns(); }

    void SetTextColor(uint32_t color) { list_.SetTextColor(color); }
    void SetTextBackgroundColor(uint32_t color) { list_.SetTextBackgroundColor(color); }
    void SetTextErrorColor(uint32_t color) { list_.SetTextErrorColor(color); }
    void SetTextHighlightColor(uint32_t color) { list_.SetTextHighlightColor(color); }
    void SetTextHighlightBackgroundColor(uint32_t color) {
        list_.SetTextHighlightBackgroundColor(color);
    }

    void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler, EventArg arg1,
                  EventArg arg2) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    CListCtrlApp list_;
};

}  // namespace zvp
