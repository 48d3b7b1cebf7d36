#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM150": the picture at 150 % of its ideal size.
class CZoom150 final : public CZoomVariant {
  public:
    static const CZoom150& Instance();

    const char* GetName() const override { return "ZOOM150"; }
    double GetFactor() const override { return 1.5; }

  private:
    CZoom150() = default;
};

}  // namespace zvp
