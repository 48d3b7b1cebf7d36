#pragma once

#include "engine/CPictureRatioFit.h"

namespace zvp {

// "4:3": the picture is shown at 4:3 (1.3333333333333333) whatever the source's shape.
class CAspectRatioFit4_3 final : public CAspectRatioFit {
  public:
    static const CAspectRatioFit4_3& Instance();

    const char* GetName() const override { return "4:3"; }
    double GetRatio(VideoSize) const override { return 4.0 / 3.0; }

  private:
    CAspectRatioFit4_3() = default;
};

}  // namespace zvp
