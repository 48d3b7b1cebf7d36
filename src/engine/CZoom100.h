#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM100": the picture at 100 % of its ideal size.
class CZoom100 final : public CZoomVariant {
  public:
    static const CZoom100& Instance();

    const char* GetName() const override { return "ZOOM100"; }
    double GetFactor() const override { return 1.0; }

  private:
    CZoom100() = default;
};

}  // namespace zvp
