// The OpenGL video renderer on a real X display (run under Xvfb): a YV12 and an RGB24
// picture are drawn with the right colours, the right way up, stretched over the widget;
// YV12 pictures are converted with their own matrix and range.
#include "graph/CGLVideoRenderer.h"

#include <gtest/gtest.h>

#include <QOpenGLWidget>
#include <QWidget>

#include "graph/CGLVideoWidget.h"
#include "graph/ColourStripes.h"
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

// One widget shows pictures of every matrix and range in turn, one of another size among
// them: each new picture replaces the textures' content, and the shader takes its colour.
TEST(CGLVideoRendererTest, ConvertsWithEachMatrixAndRange) {
    ASSERT_TRUE(CGLVideoRenderer::CanCreateContext()) << "no OpenGL context on this display";
    auto store = std::make_shared<CVideoFrameStore>();
    CGLVideoWidget widget(store);
    widget.resize(160, 80);
    widget.show();
    ASSERT_TRUE(PumpUntil([&] { return widget.isValid(); })) << "GL widget never initialised";
    struct Case {
        int width, height;
        VideoColour colour;
    } cases[] = {
        {64, 32, {ColourMatrix::BT601, ColourRange::Limited}},
        {64, 32, {ColourMatrix::BT709, ColourRange::Limited}},
        {64, 32, {ColourMatrix::BT2020NC, ColourRange::Limited}},
        {64, 32, {ColourMatrix::BT709, ColourRange::Full}},
        {32, 16, {ColourMatrix::BT601, ColourRange::Full}},
        {64, 32, {ColourMatrix::BT2020NC, ColourRange::Full}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = StripesYv12(c.width, c.height, c.colour);
        ASSERT_TRUE(store->Present(StripesFormat(c.width, c.height, c.colour), bytes.data(),
                                   long(bytes.size())));
        std::string why;
        EXPECT_TRUE(PumpUntil([&] {
            why = StripesDiffer(widget.grabFramebuffer());
            return why.empty();
        })) << ColourName(c.colour)
            << " " << c.width << "x" << c.height << ": " << why;
        // The same picture lent by a decoder: planes with rows longer than the picture.
        AVFramePtr lent = StripesFrame(c.width, c.height, c.colour);
        ASSERT_NE(lent, nullptr);
        const std::vector<uint8_t> zeros(bytes.size());
        ASSERT_TRUE(store->Present(StripesFormat(c.width, c.height, c.colour), zeros.data(),
                                   long(zeros.size())));
        EXPECT_TRUE(PumpUntil([&] { return !StripesDiffer(widget.grabFramebuffer()).empty(); }));
        ASSERT_TRUE(store->PresentFrame(StripesFormat(c.width, c.height, c.colour), *lent));
        EXPECT_TRUE(PumpUntil([&] {
            why = StripesDiffer(widget.grabFramebuffer());
            return why.empty();
        })) << "lent "
            << ColourName(c.colour) << " " << c.width << "x" << c.height << ": " << why;
        // Lent with its middle rows drawn on: those come from the band, over the frame's.
        const RowBand band{c.height / 2 - 4, c.height / 2 + 4};
        SpoilRows(*lent, band.top, band.bottom);
        ASSERT_TRUE(store->PresentFrame(StripesFormat(c.width, c.height, c.colour), *lent));
        EXPECT_TRUE(PumpUntil([&] { return !StripesDiffer(widget.grabFramebuffer()).empty(); }));
        ASSERT_TRUE(store->PresentFrame(StripesFormat(c.width, c.height, c.colour), *lent, band,
                                        bytes.data(), long(bytes.size())));
        EXPECT_TRUE(PumpUntil([&] {
            why = StripesDiffer(widget.grabFramebuffer());
            return why.empty();
        })) << "lent with a band "
            << ColourName(c.colour) << " " << c.width << "x" << c.height << ": " << why;
    }
}

}  // namespace
}  // namespace zvp
