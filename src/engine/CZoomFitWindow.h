#pragma once

#include "engine/CZoom.h"

namespace zvp {

// "FITWINDOW": the area is the one given and the picture fits into it.
class CZoomFitWindow final : public CZoom {
  public:
    static const CZoomFitWindow& Instance();

    const char* GetName() const override { return "FITWINDOW"; }
    void CalcArea(VideoSize minArea, VideoSize source, VideoSize& area,
                  VideoRect& rect) const override;

  private:
    CZoomFitWindow() = default;
};

}  // namespace zvp
