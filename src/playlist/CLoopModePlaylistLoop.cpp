#include "playlist/CLoopModePlaylistLoop.h"

namespace zvp {

const CLoopModePlaylistLoop& CLoopModePlaylistLoop::Instance() {
    static const CLoopModePlaylistLoop* instance = new CLoopModePlaylistLoop();
    return *instance;
}

}  // namespace zvp
