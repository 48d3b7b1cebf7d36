#include "playlist/ILoopMode.h"

#include "playlist/CPlaylistOperator.h"
#include "playlist/IPlaylistAdapter.h"

namespace zvp {

CClipInfo* ILoopMode::GetCurrentItem(CPlaylistOperator& op) const {
    IPlaylistAdapter* adapter = op.GetAdapter();
    return adapter ? adapter->GetItem(adapter->GetCurrent()) : nullptr;
}

}  // namespace zvp
