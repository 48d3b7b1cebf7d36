#include "playlist/CLoopModePlaylistLoop.h"

#include "playlist/CPlaylistOperator.h"
#include "playlist/IPlaylistAdapter.h"

namespace zvp {

const CLoopModePlaylistLoop& CLoopModePlaylistLoop::Instance() {
    static const CLoopModePlaylistLoop* instance = new CLoopModePlaylistLoop();
    return *instance;
}

CClipInfo* CLoopModePlaylistLoop::First(CPlaylistOperator& op) const {
    op.GetAdapter()->SetCurrent(0);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistLoop::Last(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    adapter->SetCurrent(adapter->GetCount() - 1);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistLoop::Previous(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    const int k = adapter->GetCurrent();
    adapter->SetCurrent(k > 0 ? k - 1 : adapter->GetCount() - 1);
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistLoop::Next(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    const int k = adapter->GetCurrent();
    adapter->SetCurrent(k < adapter->GetCount() - 1 ? k + 1 : 0);
    return GetCurrentItem(op);
}

bool CLoopModePlaylistLoop::HasPrevious(CPlaylistOperator& op) const {
    return true;
}

bool CLoopModePlaylistLoop::HasNext(CPlaylistOperator& op) const {
    return true;
}

}  // namespace zvp
