#pragma once

#include <memory>

#include "graph/CBaseFilter.h"

namespace zvp {

// Creates the renderers the engine connects. Modes:
//  - kDevice: SDL2 audio; OpenGL video, or the software video renderer when no OpenGL
//    context can be made;
//  - kNull / kNullFast: the null renderers in real time / as fast as samples come (headless
//    runs, benchmarks);
//  - kSoftware: as kDevice without trying OpenGL (the path of a machine without it, for
//    measuring and for drivers that misbehave).
// The mode comes from SetMode, else from the environment variable ZVP_RENDERERS ("null",
// "null-fast", "software"), else kDevice. Threads: UI thread (the video renderers make widgets).
// Whether OpenGL works is probed once per process (the first of Prepare and
// CreateVideoRenderer in kDevice mode) and kept.
class CRendererFactory {
  public:
    enum class Mode { kDevice, kNull, kNullFast, kSoftware };

    static void SetMode(Mode mode);
    static Mode CurrentMode();
    // Probes OpenGL now, in kDevice mode, so that the first CreateVideoRenderer finds the
    // driver loaded: the window calls it once it shows, while nothing plays yet.
    static void Prepare();
    static std::unique_ptr<CBaseFilter> CreateVideoRenderer();
    static std::unique_ptr<CBaseFilter> CreateAudioRenderer();
};

}  // namespace zvp
