#pragma once

#include "engine/IZoom.h"

namespace zvp {

// Base of the zoom kinds: fitting into an area is the same for all of them.
class CZoom : public IZoom {
  public:
    void FitDisplayRect(VideoSize source, VideoSize area, VideoRect& rect) const final;

  protected:
    CZoom() = default;
    ~CZoom() = default;
};

}  // namespace zvp
