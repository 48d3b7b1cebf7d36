#include "playlist/CLoopModePlaylistOnce.h"

#include "playlist/CPlaylistOperator.h"
#include "playlist/IPlaylistAdapter.h"

namespace zvp {

const CLoopModePlaylistOnce& CLoopModePlaylistOnce::Instance() {
    static const CLoopModePlaylistOnce* instance = new CLoopModePlaylistOnce();
    return *instance;
}

CClipInfo* CLoopModePlaylistOnce::First(CPlaylistOperator& op) const {
    op.GetAdapter()->SetCurrent(0);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistOnce::Last(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    adapter->SetCurrent(adapter->GetCount() - 1);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistOnce::Previous(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    const int k = adapter->GetCurrent();
    adapter->SetCurrent(k > 0 ? k - 1 : adapter->GetCount() - 1);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistOnce::Next(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    const int k = adapter->GetCurrent();
    adapter->SetCurrent(k < adapter->GetCount() - 1 ? k + 1 : 0);
    return GetCurrentItem(op);
}

bool CLoopModePlaylistOnce::HasPrevious(CPlaylistOperator& op) const {
    return op.GetAdapter()->GetCurrent() > 0;
}

bool CLoopModePlaylistOnce::HasNext(CPlaylistOperator& op) const {
    return op.GetAdapter()->GetCurrent() < op.GetAdapter()->GetCount() - 1;
}

}  // namespace zvp
