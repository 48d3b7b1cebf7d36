#include "playlist/CLoopModeSingleFileLoop.h"

namespace zvp {

const CLoopModeSingleFileLoop& CLoopModeSingleFileLoop::Instance() {
    static const CLoopModeSingleFileLoop* instance = new CLoopModeSingleFileLoop();
    return *instance;
}

}  // namespace zvp
