#include "playlist/CLoopModePlaylistShuffle.h"

#include "playlist/CPlaylistOperator.h"
#include "playlist/IPlaylistAdapter.h"
#include "playlist/PlaylistRandom.h"

namespace zvp {

const CLoopModePlaylistShuffle& CLoopModePlaylistShuffle::Instance() {
    static const CLoopModePlaylistShuffle* instance = new CLoopModePlaylistShuffle();
    return *instance;
}

CClipInfo* CLoopModePlaylistShuffle::First(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistShuffle::Last(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistShuffle::Previous(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    adapter->SetCurrent(
        static_cast<int>(PlaylistRandom::Draw(static_cast<size_t>(adapter->GetCount()))));
    return GetCurrentItem(op);
}

CClipInfo* CLoopModePlaylistShuffle::Next(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    adapter->SetCurrent(
        static_cast<int>(PlaylistRandom::Draw(static_cast<size_t>(adapter->GetCount()))));
    return GetCurrentItem(op);
}

bool CLoopModePlaylistShuffle::HasPrevious(CPlaylistOperator& op) const {
    return true;
}

bool CLoopModePlaylistShuffle::HasNext(CPlaylistOperator& op) const {
    return true;
}

}  // namespace zvp
