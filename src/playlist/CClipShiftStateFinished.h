#pragma once

#include "playlist/IClipShiftState.h"

namespace zvp {

// After a clip ended, failed or was aborted: when the loop mode has a next row and not every
// row has failed, moves to it, loads and starts it and returns true. Otherwise, and when the
// next row is the one whose load has just failed (a single-file loop over a missing file),
// stops the engine and returns false.
class CClipShiftStateFinished : public IClipShiftState {
  public:
    static const CClipShiftStateFinished& Instance();
    bool Shift(CControlCenter& center) const override;

  private:
    CClipShiftStateFinished() = default;
};

}  // namespace zvp
