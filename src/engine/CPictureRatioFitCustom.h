#pragma once

#include "engine/CPictureRatioFit.h"

namespace zvp {

// "custom": a ratio chosen at run time. Until one is set (and after it is cleared) it keeps
// the source's own shape, as "default" does.
class CAspectRatioFitCustom final : public CAspectRatioFit {
  public:
    static CAspectRatioFitCustom& Instance();

    const char* GetName() const override { return "custom"; }
    double GetRatio(VideoSize source) const override;

    // Stores `ratio` (width ÷ height) when it is finite and positive and returns true;
    // otherwise clears the stored ratio and returns false.
    bool SetRatio(double ratio);
    // The stored ratio; 0 when none is set.
    double GetStoredRatio() const { return ratio_; }

  private:
    CAspectRatioFitCustom() = default;

    double ratio_ = 0.0;  // 0: none set
};

}  // namespace zvp
