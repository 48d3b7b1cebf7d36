#pragma once

#include "engine/CPictureRatioFit.h"

namespace zvp {

// "default": keeps the source's own shape, width ÷ height of the size it is given. Callers
// that know the stream's sample aspect ratio pass the display size (DisplaySize), so that an
// anamorphic picture is not shown squeezed.
class CAspectRatioFitSource final : public CAspectRatioFit {
  public:
    static const CAspectRatioFitSource& Instance();

    const char* GetName() const override { return "default"; }
    double GetRatio(VideoSize source) const override;

  private:
    CAspectRatioFitSource() = default;
};

}  // namespace zvp
