// The OpenGL video renderer on a real X display (run under Xvfb): a YV12 and an RGB24
// picture are drawn with the right colours, the right way up, stretched over the widget.
#include "graph/CGLVideoRenderer.h"

#include <gtest/gtest.h>

#include <QOpenGLWidget>
#include <QWidget>

#include "graph/VideoPattern.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace test;

void DrawPattern(SubType st) {
    ASSERT_TRUE(CGLVideoRenderer::CanCreateContext()) << "no OpenGL context on this display";
    CFilterGraph graph;
    auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{PatternType(st)});
    CManualFilter* src = f.get();
    src->Pin()->bytes = long(CMediaType::ImageSize(st, kPatternW, kPatternH));
    auto r = std::make_unique<CGLVideoRenderer>();
    CGLVideoRenderer* video = r.get();
    video->SetFastMode(true);
    graph.AddFilter(std::move(f), "src");
    graph.AddFilter(std::move(r), "Video Renderer");
    ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
    auto* widget = dynamic_cast<QOpenGLWidget*>(graph.GetVideoWidget());
    ASSERT_NE(widget, nullptr);
    widget->resize(kPatternW * 3, kPatternH * 3);
    widget->show();
    ASSERT_TRUE(PumpUntil([&] { return widget->isValid(); })) << "GL widget never initialised";

    ASSERT_EQ(graph.Run(), S_OK);
    DeliverPattern(src->Pin(), st);
    std::string why;
    ASSERT_TRUE(PumpUntil([&] { return ShowsPattern(widget->grabFramebuffer(), &why); })) << why;

    // The owner moves the widget into its own window: a new context, the same picture.
    QWidget owner;
    owner.resize(400, 300);
    widget->setParent(&owner);
    widget->setGeometry(10, 10, kPatternW * 2, kPatternH * 2);
    owner.show();
    widget->show();
    ASSERT_TRUE(PumpUntil([&] { return ShowsPattern(widget->grabFramebuffer(), &why); }))
        << "after reparenting: " << why;
    graph.Stop();
    widget->setParent(nullptr);
}

TEST(CGLVideoRendererTest, DrawsYv12PictureUpright) {
    DrawPattern(SubType::YV12);
}

TEST(CGLVideoRendererTest, DrawsRgb24PictureUpright) {
    DrawPattern(SubType::RGB24);
}

}  // namespace
}  // namespace zvp
