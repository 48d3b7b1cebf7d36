#pragma once

#include "playlist/IClipShiftState.h"

namespace zvp {

// After a jump: loads the row under the playlist's cursor and starts it. False for an empty
// playlist; otherwise true, whether or not the load succeeded.
class CClipShiftStateJump : public IClipShiftState {
  public:
    static const CClipShiftStateJump& Instance();
    bool Shift(CControlCenter& center) const override;

  private:
    CClipShiftStateJump() = default;
};

}  // namespace zvp
