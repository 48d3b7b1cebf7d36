#include "skin/CSkinList.h"

#include "playlist/CPlaylistModel.h"

namespace zvp {

CSkinList::CSkinList() = default;

CSkinList::~CSkinList() {
    list_.Detach(this);
}

bool CSkinList::CreateList(QWidget* parent, int left, int top, int width, int height) {
    if (!CreateCtrl(parent, left, top, width, height, nullptr, QPoint(-1, -1), QPoint(-1, -1),
                    QPoint(-1, -1))) {
        return false;
    }
    list_.setParent(this);
    list_.setGeometry(rect());
    list_.Attach(this, "RightClicked", kNoHandler);
    list_.Attach(this, "DeleteSelectedItems", kNoHandler);
    list_.show();
    return true;
}

void CSkinList::OnNotify(ISubject* subject, std::string eventName, HandlerKey, EventArg arg1,
                         EventArg arg2) {
    if (subject != &list_) return;
    if (eventName == "RightClicked") {
        Notify("ListItemRightClicked", arg1, arg2);
    } else if (eventName == "DeleteSelectedItems") {
        if (CPlaylistModel* model = list_.GetPlaylistModel()) {
            model->DeleteSelectedItems();
            model->UpdateColumns();
        }
        Notify("SelectedItemsDeleted", arg1, arg2);
    }
}

void CSkinList::resizeEvent(QResizeEvent* event) {
    CSkinCtrl::resizeEvent(event);
    list_.setGeometry(rect());
}

}  // namespace zvp
