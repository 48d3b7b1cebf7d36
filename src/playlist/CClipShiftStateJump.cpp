#include "playlist/CClipShiftStateJump.h"

#include "playlist/CControlCenter.h"

namespace zvp {

const CClipShiftStateJump& CClipShiftStateJump::Instance() {
    static const CClipShiftStateJump* instance = new CClipShiftStateJump();
    return *instance;
}

bool CClipShiftStateJump::Shift(CControlCenter& center) const {
    CPlaylistOperator& op = center.GetOperator();
    if (op.GetCount() <= 0) return false;
    CClipInfo* record = op.CurrentItem();
    if (center.GetController().Load(record)) center.GetController().TogglePlay();
    return true;
}

}  // namespace zvp
