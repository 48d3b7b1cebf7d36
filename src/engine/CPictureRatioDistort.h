#pragma once

#include "engine/IPictureRatio.h"

namespace zvp {

// "stretch": the picture fills the whole area whatever its shape; its ideal size is the
// source size.
class CAspectRatioDistort final : public IAspectRatio {
  public:
    static const CAspectRatioDistort& Instance();

    const char* GetName() const override { return "stretch"; }
    VideoRect GetDisplayRect(VideoSize source, VideoSize area) const override;
    VideoSize GetIdealSize(VideoSize source) const override;

  private:
    CAspectRatioDistort() = default;
};

}  // namespace zvp
