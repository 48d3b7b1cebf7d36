#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM75": the picture at 75 % of its ideal size.
class CZoom75 final : public CZoomVariant {
  public:
    static const CZoom75& Instance();

    const char* GetName() const override { return "ZOOM75"; }
    double GetFactor() const override { return 0.75; }

  private:
    CZoom75() = default;
};

}  // namespace zvp
