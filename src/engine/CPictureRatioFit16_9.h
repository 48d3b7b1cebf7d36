#pragma once

#include "engine/CPictureRatioFit.h"

namespace zvp {

// "16:9": the picture is shown at 16:9 (1.7777777777777777) whatever the source's shape.
class CAspectRatioFit16_9 final : public CAspectRatioFit {
  public:
    static const CAspectRatioFit16_9& Instance();

    const char* GetName() const override { return "16:9"; }
    double GetRatio(VideoSize) const override { return 16.0 / 9.0; }

  private:
    CAspectRatioFit16_9() = default;
};

}  // namespace zvp
