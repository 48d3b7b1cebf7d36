#pragma once

namespace zvp {

// Turns wheel deltas into whole steps: deltas add up (small touchpad deltas included) and
// every 120 of them, either way, is one step. UI thread only.
class WheelSteps {
  public:
    // Adds `angleDelta`; the whole steps it completes (negative: down), the rest kept.
    int Add(int angleDelta) {
        remainder_ += angleDelta;
        const int steps = remainder_ / 120;
        remainder_ -= steps * 120;
        return steps;
    }

  private:
    int remainder_ = 0;
};

}  // namespace zvp
