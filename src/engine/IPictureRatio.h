#pragma once

#include "engine/VideoGeometry.h"

namespace zvp {

// Where a picture of a given shape lies in the video area: one strategy per kind, each a
// process-wide singleton (created on first use, never destroyed). Pure geometry; every
// result is defined for any input (sides of 0 or less, INT32_MAX) and no result side is
// negative.
//
// Threads: UI thread only (the "custom" kind's stored ratio has no lock).
class IAspectRatio {
  public:
    // The settings and menu name ("stretch", "default", "4:3", "16:9", "custom"); the
    // characters live as long as the process.
    virtual const char* GetName() const = 0;
    // The picture's rectangle inside an area of size `area` (negative sides count as 0) for
    // a source picture of size `source`; all zero when a source side is 0 or less.
    virtual VideoRect GetDisplayRect(VideoSize source, VideoSize area) const = 0;
    // The smallest size of this strategy's shape that holds `source` without shrinking
    // either side; (0, 0) when a source side is 0 or less. Saturates at INT32_MAX.
    virtual VideoSize GetIdealSize(VideoSize source) const = 0;

  protected:
    ~IAspectRatio() = default;  // singletons are never destroyed through the interface
};

}  // namespace zvp
