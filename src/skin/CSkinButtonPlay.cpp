#include "skin/CSkinButtonPlay.h"

namespace zvp {

void CSkinButtonPlay::SetPlayState(int state) {
    if (!IsCreated()) return;
    playState_ = state;
    SetChecked(state == kPlaying);
    update();
}

}  // namespace zvp
