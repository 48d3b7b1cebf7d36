#include "graph/CRendererFactory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "app/Logger.h"
#include "graph/CGLVideoRenderer.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/CSdlAudioRenderer.h"
#include "graph/CSoftVideoRenderer.h"

namespace zvp {

namespace {
std::atomic<int> g_mode{-1};  // -1: not set, read the environment
int g_gl = -1;                // UI thread: -1 not probed yet, else whether OpenGL works

bool OpenGlWorks() {
    if (g_gl < 0) g_gl = CGLVideoRenderer::CanCreateContext() ? 1 : 0;
    return g_gl == 1;
}
}  // namespace

void CRendererFactory::SetMode(Mode mode) {
    g_mode.store(int(mode));
}

CRendererFactory::Mode CRendererFactory::CurrentMode() {
    int m = g_mode.load();
    if (m >= 0) return Mode(m);
    const char* env = std::getenv("ZVP_RENDERERS");
    if (env && std::strcmp(env, "null") == 0) return Mode::kNull;
    if (env && std::strcmp(env, "null-fast") == 0) return Mode::kNullFast;
    if (env && std::strcmp(env, "software") == 0) return Mode::kSoftware;
    return Mode::kDevice;
}

void CRendererFactory::Prepare() {
    // Loading the OpenGL driver is the costliest step of the first load; the probe loads it.
    if (CurrentMode() == Mode::kDevice) OpenGlWorks();
}

std::unique_ptr<CBaseFilter> CRendererFactory::CreateVideoRenderer() {
    switch (CurrentMode()) {
        case Mode::kNull:
        case Mode::kNullFast: {
            // Takes pictures as a display renderer does: lent frames where there are some.
            auto renderer = std::make_unique<CNullVideoRenderer>(CurrentMode() == Mode::kNullFast);
            renderer->SetTakesFramePlanes(true);
            return renderer;
        }
        case Mode::kSoftware:
            return std::make_unique<CSoftVideoRenderer>();
        case Mode::kDevice:
            break;
    }
    if (OpenGlWorks()) return std::make_unique<CGLVideoRenderer>();
    Log(LogPoint{"CRendererFactory::CreateVideoRenderer", kLogInfo},
        "OpenGL unavailable, using the software video renderer");
    return std::make_unique<CSoftVideoRenderer>();
}

std::unique_ptr<CBaseFilter> CRendererFactory::CreateAudioRenderer() {
    switch (CurrentMode()) {
        case Mode::kNull:
            return std::make_unique<CNullAudioRenderer>(false);
        case Mode::kNullFast:
            return std::make_unique<CNullAudioRenderer>(true);
        case Mode::kSoftware:
        case Mode::kDevice:
            break;
    }
    return std::make_unique<CSdlAudioRenderer>();
}

}  // namespace zvp
