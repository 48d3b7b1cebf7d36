#pragma once

#include "engine/IPictureRatio.h"

namespace zvp {

// Base of the kinds that keep a ratio: the picture is the largest rectangle of ratio
// GetRatio that fits the area, centred (the leftover split with the odd pixel after the
// picture). An area of exactly that ratio is filled across its whole width.
class CAspectRatioFit : public IAspectRatio {
  public:
    VideoRect GetDisplayRect(VideoSize source, VideoSize area) const final;
    VideoSize GetIdealSize(VideoSize source) const final;

    // Width ÷ height the picture is shown at, for a source whose sides are both positive;
    // finite and positive.
    virtual double GetRatio(VideoSize source) const = 0;

  protected:
    CAspectRatioFit() = default;
    ~CAspectRatioFit() = default;
};

}  // namespace zvp
