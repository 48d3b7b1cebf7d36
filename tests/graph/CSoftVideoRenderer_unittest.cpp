// The software video renderer under the offscreen platform: a YV12 and an RGB24 picture are
// shown with the right colours, the right way up, stretched over the widget.
#include "graph/CSoftVideoRenderer.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>

#include "graph/VideoPattern.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace test;

void ShowPattern(SubType st) {
    CFilterGraph graph;
    auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{PatternType(st)});
    CManualFilter* src = f.get();
    src->Pin()->bytes = long(CMediaType::ImageSize(st, kPatternW, kPatternH));
    auto r = std::make_unique<CSoftVideoRenderer>();
    CSoftVideoRenderer* video = r.get();
    video->SetFastMode(true);
    graph.AddFilter(std::move(f), "src");
    graph.AddFilter(std::move(r), "Video Renderer");
    ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
    QWidget* widget = graph.GetVideoWidget();
    ASSERT_NE(widget, nullptr);
    widget->resize(kPatternW * 2, kPatternH * 2);
    widget->show();

    // Black before the first picture.
    QImage before = widget->grab().toImage();
    EXPECT_EQ(before.pixelColor(5, 5), QColor(Qt::black));

    ASSERT_EQ(graph.Run(), S_OK);
    DeliverPattern(src->Pin(), st);
    std::string why;
    ASSERT_TRUE(PumpUntil([&] { return ShowsPattern(widget->grab().toImage(), &why); })) << why;
    graph.Stop();
}

TEST(CSoftVideoRendererTest, ShowsYv12PictureUpright) {
    ShowPattern(SubType::YV12);
}

TEST(CSoftVideoRendererTest, ShowsRgb24PictureUpright) {
    ShowPattern(SubType::RGB24);
}

TEST(CSoftVideoRendererTest, ShortSampleIsDroppedAndWidgetOutlivedByParent) {
    CFilterGraph graph;
    auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{PatternType(SubType::YV12)});
    CManualFilter* src = f.get();
    auto r = std::make_unique<CSoftVideoRenderer>();
    CSoftVideoRenderer* video = r.get();
    video->SetFastMode(true);
    graph.AddFilter(std::move(f), "src");
    graph.AddFilter(std::move(r), "Video Renderer");
    ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
    auto parent = std::make_unique<QWidget>();
    graph.GetVideoWidget()->setParent(parent.get());
    ASSERT_EQ(graph.Run(), S_OK);
    CSampleRef s;
    ASSERT_EQ(src->Pin()->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
    s->SetActualDataLength(10);
    EXPECT_EQ(src->Pin()->Deliver(s.get()), S_OK);
    EXPECT_EQ(video->Store()->Latest(), nullptr);
    s.Release();
    // The parent deletes the widget; later pictures and the renderer's end are harmless.
    parent.reset();
    DeliverPattern(src->Pin(), SubType::YV12);
    EXPECT_NE(video->Store()->Latest(), nullptr);
    graph.Stop();
}

}  // namespace
}  // namespace zvp
