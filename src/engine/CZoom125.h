#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM125": the picture at 125 % of its ideal size.
class CZoom125 final : public CZoomVariant {
  public:
    static const CZoom125& Instance();

    const char* GetName() const override { return "ZOOM125"; }
    double GetFactor() const override { return 1.25; }

  private:
    CZoom125() = default;
};

}  // namespace zvp
