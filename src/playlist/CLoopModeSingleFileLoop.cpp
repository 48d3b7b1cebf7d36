#include "playlist/CLoopModeSingleFileLoop.h"

namespace zvp {

const CLoopModeSingleFileLoop& CLoopModeSingleFileLoop::Instance() {
    static const CLoopModeSingleFileLoop* instance = new CLoopModeSingleFileLoop();
    return *instance;
}

CClipInfo* CLoopModeSingleFileLoop::First(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileLoop::Last(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileLoop::Previous(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

CClipInfo* CLoopModeSingleFileLoop::Next(CPlaylistOperator& op) const {
    // The cursor stays.
    return GetCurrentItem(op);
}

bool CLoopModeSingleFileLoop::HasPrevious(CPlaylistOperator& op) const {
    return true;
}

bool CLoopModeSingleFileLoop::HasNext(CPlaylistOperator& op) const {
    return true;
}

}  // namespace zvp
