#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM50": the picture at 50 % of its ideal size.
class CZoom50 final : public CZoomVariant {
  public:
    static const CZoom50& Instance();

    const char* GetName() const override { return "ZOOM50"; }
    double GetFactor() const override { return 0.5; }

  private:
    CZoom50() = default;
};

}  // namespace zvp
