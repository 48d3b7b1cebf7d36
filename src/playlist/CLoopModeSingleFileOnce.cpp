#include "playlist/CLoopModeSingleFileOnce.h"

namespace zvp {

const CLoopModeSingleFileOnce& CLoopModeSingleFileOnce::Instance() {
    static const CLoopModeSingleFileOnce* instance = new CLoopModeSingleFileOnce();
    return *instance;
}

CClipInfo* CLoopModeSingleFileOnce::First(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileOnce::Last(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileOnce::Previous(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileOnce::Next(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

bool CLoopModeSingleFileOnce::HasPrevious(CPlaylistOperator& op) const {
    return false;
}

bool CLoopModeSingleFileOnce::HasNext(CPlaylistOperator& op) const {
    return false;
}

}  // namespace zvp
