// Which renderers the factory makes.
#include "graph/CRendererFactory.h"

#include <gtest/gtest.h>

#include "graph/CGLVideoRenderer.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/CSdlAudioRenderer.h"
#include "graph/CSoftVideoRenderer.h"

namespace zvp {
namespace {

TEST(CRendererFactoryTest, ModesAndSoftwareFallback) {
    CRendererFactory::SetMode(CRendererFactory::Mode::kNullFast);
    EXPECT_NE(dynamic_cast<CNullVideoRenderer*>(CRendererFactory::CreateVideoRenderer().get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CNullAudioRenderer*>(CRendererFactory::CreateAudioRenderer().get()),
              nullptr);
    CRendererFactory::SetMode(CRendererFactory::Mode::kDevice);
    CRendererFactory::Prepare();  // the probe it keeps must give the same choice
    auto video = CRendererFactory::CreateVideoRenderer();
    if (CGLVideoRenderer::CanCreateContext()) {
        EXPECT_NE(dynamic_cast<CGLVideoRenderer*>(video.get()), nullptr);
    } else {
        EXPECT_NE(dynamic_cast<CSoftVideoRenderer*>(video.get()), nullptr);
    }
    EXPECT_NE(dynamic_cast<CSdlAudioRenderer*>(CRendererFactory::CreateAudioRenderer().get()),
              nullptr);
    // Software: the device's audio, and never OpenGL even where it works.
    CRendererFactory::SetMode(CRendererFactory::Mode::kSoftware);
    EXPECT_NE(dynamic_cast<CSoftVideoRenderer*>(CRendererFactory::CreateVideoRenderer().get()),
              nullptr);
    EXPECT_NE(dynamic_cast<CSdlAudioRenderer*>(CRendererFactory::CreateAudioRenderer().get()),
              nullptr);
    CRendererFactory::SetMode(CRendererFactory::Mode::kDevice);
}

}  // namespace
}  // namespace zvp
