#include "playlist/CPlaylistOperator.h"

#include "playlist/ILoopMode.h"
#include "playlist/IPlaylistAdapter.h"
#include "playlist/LoopModes.h"

namespace zvp {

CPlaylistOperator::~CPlaylistOperator() {
    if (adapter_) adapter_->Detach(this);
}

void CPlaylistOperator::Initialize(IPlaylistAdapter* adapter) {
    if (adapter_) adapter_->Detach(this);
    adapter_ = adapter;
    SetLoopMode("playlist_loop");
    if (adapter_) {
        adapter_->Attach(this, "ListItemActived", Handler(&CPlaylistOperator::OnListItemActived));
    }
}

void CPlaylistOperator::SetLoopMode(const std::string& name) {
    mode_ = &LoopModeFromName(name);
    Notify("LoopModeChanged", reinterpret_cast<EventArg>(mode_->GetName()),
           reinterpret_cast<EventArg>(mode_));
}

std::string CPlaylistOperator::GetLoopModeName() const {
    return mode_ ? mode_->GetName() : "";
}

int CPlaylistOperator::GetCount() const {
    return adapter_ ? adapter_->GetCount() : 0;
}

bool CPlaylistOperator::AllItemsFailed() const {
    return adapter_ ? adapter_->AllItemsFailed() : true;
}

void CPlaylistOperator::Prepare() {
    if (!mode_) SetLoopMode("playlist_loop");
    if (adapter_->GetCurrent() == -1) adapter_->SetCurrent(0);
    adapter_->EnsureVisible(adapter_->GetCurrent());
}

bool CPlaylistOperator::HasItems() {
    if (GetCount() <= 0) return false;
    Prepare();
    return true;
}

bool CPlaylistOperator::HasPrevious() {
    if (GetCount() <= 0) return false;
    Prepare();
    return mode_->HasPrevious(*this);
}

bool CPlaylistOperator::HasNext() {
    if (GetCount() <= 0) return false;
    Prepare();
    return mode_->HasNext(*this);
}

CClipInfo* CPlaylistOperator::MovePrevious() {
    return HasPrevious() ? mode_->Previous(*this) : nullptr;
}

CClipInfo* CPlaylistOperator::MoveNext() {
    return HasNext() ? mode_->Next(*this) : nullptr;
}

CClipInfo* CPlaylistOperator::MoveFirst() {
    if (GetCount() <= 0) return nullptr;
    if (!mode_) SetLoopMode("playlist_loop");
    return mode_->First(*this);
}

CClipInfo* CPlaylistOperator::MoveLast() {
    if (GetCount() <= 0) return nullptr;
    if (!mode_) SetLoopMode("playlist_loop");
    return mode_->Last(*this);
}

CClipInfo* CPlaylistOperator::CurrentItem() {
    if (GetCount() <= 0) return nullptr;
    Prepare();
    return mode_->GetCurrentItem(*this);
}

void CPlaylistOperator::Sort(int commandId) {
    if (adapter_) adapter_->Sort(commandId);
}

void CPlaylistOperator::OnListItemActived(ISubject* subject, EventArg arg1, EventArg arg2) {
    Notify("ListItemActived", arg1, arg2);
}

}  // namespace zvp
