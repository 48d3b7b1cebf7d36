#pragma once

#include "skin/CSkinCheck.h"

namespace zvp {

// The play/pause button: a check whose checked looks show "pause". UI thread only.
class CSkinButtonPlay : public CSkinCheck {
    Q_OBJECT

  public:
    enum PlayState { kStopped = 0, kPaused = 1, kPlaying = 2 };

    // Stores the state and checks the button while playing; ignored until the control is
    // created.
    void SetPlayState(int state);
    int GetPlayState() const { return playState_; }

  private:
    int playState_ = kStopped;
};

}  // namespace zvp
