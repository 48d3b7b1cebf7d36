#include "playlist/CClipShiftStateFinished.h"

#include "playlist/CControlCenter.h"

namespace zvp {

const CClipShiftStateFinished& CClipShiftStateFinished::Instance() {
    static const CClipShiftStateFinished* instance = new CClipShiftStateFinished();
    return *instance;
}

bool CClipShiftStateFinished::Shift(CControlCenter& center) const {
    CPlaylistOperator& op = center.GetOperator();
    CPlaybackController& controller = center.GetController();
    if (op.HasNext() && !op.AllItemsFailed()) {
        CClipInfo* record = op.MoveNext();
        if (record && record != center.GetJustFailed()) {
            if (controller.Load(record)) controller.TogglePlay();
            return true;
        }
    }
    controller.Stop();
    return false;
}

}  // namespace zvp
