#pragma once

#include "engine/VideoGeometry.h"

namespace zvp {

// How the picture is sized in the video area: fitted to the area, or magnified by a fixed
// factor of its ideal size (IAspectRatio::GetIdealSize). Both apply the current aspect-ratio
// strategy (CurrentAspectRatio). One singleton per kind, created on first use, never
// destroyed. Pure geometry; UI thread only.
class IZoom {
  public:
    // The settings name ("FITWINDOW", "ZOOM50" … "ZOOM200"); the characters live as long as
    // the process.
    virtual const char* GetName() const = 0;
    // Sets `rect` to the current aspect ratio's rectangle for `source` in `area`; leaves it
    // unchanged when there is no current aspect ratio.
    virtual void FitDisplayRect(VideoSize source, VideoSize area, VideoRect& rect) const = 0;
    // The area the picture needs when the area is at least `minArea`, into `area`, and the
    // picture's rectangle in it, into `rect`. The fitting kind keeps `minArea` and leaves
    // `rect` unchanged when there is no current aspect ratio.
    virtual void CalcArea(VideoSize minArea, VideoSize source, VideoSize& area,
                          VideoRect& rect) const = 0;

  protected:
    ~IZoom() = default;  // singletons are never destroyed through the interface
};

}  // namespace zvp
