#pragma once

#include "engine/CZoom.h"

namespace zvp {

// Base of the fixed-magnification kinds. The picture is the current aspect ratio's ideal size
// times GetFactor, each side truncated (0 × 0 when there is no current aspect ratio); the
// area is that size grown to at least the minimum area, with the picture centred in the
// grown direction(s). Sides saturate at INT32_MAX.
class CZoomVariant : public CZoom {
  public:
    void CalcArea(VideoSize minArea, VideoSize source, VideoSize& area,
                  VideoRect& rect) const final;

    // The magnification, finite and positive.
    virtual double GetFactor() const = 0;

  protected:
    CZoomVariant() = default;
    ~CZoomVariant() = default;
};

}  // namespace zvp
