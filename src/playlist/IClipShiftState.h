#pragma once

namespace zvp {

class CControlCenter;

// How the control centre chooses and loads the next clip: after a jump (CClipShiftStateJump)
// or after a clip ended, failed or was aborted (CClipShiftStateFinished). The states hold no
// data and exist once per process (Instance(), never destroyed). UI thread only.
class IClipShiftState {
  public:
    // Loads (and starts) the next clip; true when a load was tried.
    virtual bool Shift(CControlCenter& center) const = 0;
    virtual ~IClipShiftState() = default;
};

}  // namespace zvp
