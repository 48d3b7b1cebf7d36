#pragma once

#include "engine/CZoomVariant.h"

namespace zvp {

// "ZOOM200": the picture at 200 % of its ideal size.
class CZoom200 final : public CZoomVariant {
  public:
    static const CZoom200& Instance();

    const char* GetName() const override { return "ZOOM200"; }
    double GetFactor() const override { return 2.0; }

  private:
    CZoom200() = default;
};

}  // namespace zvp
