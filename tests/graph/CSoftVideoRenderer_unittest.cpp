// The software video renderer under the offscreen platform: a YV12 and an RGB24 picture are
// shown with the right colours, the right way up, stretched over the widget; YV12 pictures
// are converted with their own matrix and range (to 24 or 32 bits), an untagged one by its
// height.
#include "graph/CSoftVideoRenderer.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>

#include "graph/CSoftVideoWidget.h"
#include "graph/ColourStripes.h"
#include "graph/LentPicture.h"
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

TEST(CSoftVideoRendererTest, ConvertsWithEachMatrixAndRange) {
    auto store = std::make_shared<CVideoFrameStore>();
    CSoftVideoWidget widget(store);
    const VideoColour colours[] = {
        {ColourMatrix::BT601, ColourRange::Limited},    {ColourMatrix::BT709, ColourRange::Limited},
        {ColourMatrix::BT2020NC, ColourRange::Limited}, {ColourMatrix::BT601, ColourRange::Full},
        {ColourMatrix::BT709, ColourRange::Full},       {ColourMatrix::BT2020NC, ColourRange::Full},
    };
    // Sizes alternate, so the scaler is made again for size as well as colour changes.
    int width = 64;
    for (const VideoColour& colour : colours) {
        VideoFrame frame;
        frame.format = StripesFormat(width, 32, colour);
        frame.data = StripesYv12(width, 32, colour);
        EXPECT_EQ(StripesDiffer(widget.Convert(frame)), "") << ColourName(colour);
        // The same picture lent by a decoder, its rows longer than the picture.
        VideoFrame lent;
        lent.format = frame.format;
        lent.lent = StripesFrame(width, 32, colour);
        ASSERT_NE(lent.lent, nullptr);
        EXPECT_EQ(StripesDiffer(widget.Convert(lent)), "") << "lent " << ColourName(colour);
        // The 32-bit image the widget paints from, its bytes in Qt's order.
        QImage rgb32;
        ASSERT_TRUE(widget.ConvertInto(lent, rgb32, QImage::Format_RGB32));
        EXPECT_EQ(rgb32.format(), QImage::Format_RGB32);
        EXPECT_EQ(StripesDiffer(rgb32), "") << "RGB32 " << ColourName(colour);
        width = width == 64 ? 32 : 64;
    }
}

// Copied pictures reuse the buffer of the picture they replace, and the widget its image:
// each picture still shows its own pixels, and a picture someone still holds is never
// written over.
TEST(CSoftVideoRendererTest, ReusedBuffersKeepEveryPictureItsOwn) {
    auto store = std::make_shared<CVideoFrameStore>();
    CSoftVideoWidget widget(store);
    const VideoColour bt601{ColourMatrix::BT601, ColourRange::Limited};
    const VideoColour bt709{ColourMatrix::BT709, ColourRange::Full};
    struct Case {
        int width;
        VideoColour colour;
    };
    std::shared_ptr<const VideoFrame> held;
    std::vector<uint8_t> heldBytes;
    QImage image;
    int round = 0;
    for (const Case& c : {Case{64, bt601}, Case{32, bt709}, Case{64, bt709}, Case{64, bt601}}) {
        const VideoFormat format = StripesFormat(c.width, 32, c.colour);
        const std::vector<uint8_t> bytes = StripesYv12(c.width, 32, c.colour);
        ASSERT_TRUE(store->Present(format, bytes.data(), long(bytes.size())));
        std::shared_ptr<const VideoFrame> latest = store->Latest();
        ASSERT_NE(latest, nullptr);
        EXPECT_EQ(latest->data, bytes) << "round " << round;
        ASSERT_TRUE(widget.ConvertInto(*latest, image));
        EXPECT_EQ(StripesDiffer(image), "") << "round " << round;
        if (round == 1) {
            held = latest;  // as a widget that is still painting it
            heldBytes = bytes;
        }
        ++round;
    }
    EXPECT_EQ(held->data, heldBytes);
}

// Through the renderer: a type that leaves the colour unknown is BT.709 from 720 rows up,
// BT.601 below; a tagged type keeps its own matrix at any height.
TEST(CSoftVideoRendererTest, UnknownColourFollowsThePictureHeight) {
    struct Case {
        int height;
        VideoColour announced, expected;
    } cases[] = {
        {576, {}, {ColourMatrix::BT601, ColourRange::Limited}},
        {720, {}, {ColourMatrix::BT709, ColourRange::Limited}},
        {576,
         {ColourMatrix::BT709, ColourRange::Unknown},
         {ColourMatrix::BT709, ColourRange::Limited}},
        {720, {ColourMatrix::BT601, ColourRange::Full}, {ColourMatrix::BT601, ColourRange::Full}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " rows, announced " + ColourName(c.announced));
        CMediaType type;
        type.InitVideo(SubType::YV12, 64, c.height);
        type.SetColour(c.announced);
        CFilterGraph graph;
        auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{type});
        CManualFilter* src = f.get();
        src->Pin()->bytes = long(CMediaType::ImageSize(SubType::YV12, 64, c.height));
        auto r = std::make_unique<CSoftVideoRenderer>();
        CSoftVideoRenderer* video = r.get();
        video->SetFastMode(true);
        graph.AddFilter(std::move(f), "src");
        graph.AddFilter(std::move(r), "Video Renderer");
        ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
        EXPECT_EQ(video->Format().colour, c.expected);
        QWidget* widget = graph.GetVideoWidget();
        widget->resize(128, 64);
        ASSERT_EQ(graph.Run(), S_OK);
        const std::vector<uint8_t> bytes = StripesYv12(64, c.height, c.expected);
        CSampleRef s;
        ASSERT_EQ(src->Pin()->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
        std::memcpy(s->Data(), bytes.data(), bytes.size());
        s->SetActualDataLength(long(bytes.size()));
        ASSERT_EQ(src->Pin()->Deliver(s.get()), S_OK);
        s.Release();
        std::string why;
        EXPECT_TRUE(PumpUntil([&] {
            why = StripesDiffer(widget->grab().toImage());
            return why.empty();
        })) << why;
        graph.Stop();
    }
}

// The store keeps a lent frame by reference only when it is the picture its format
// describes.
TEST(CSoftVideoRendererTest, LentFrameMustMatchTheFormat) {
    const VideoColour colour{ColourMatrix::BT709, ColourRange::Limited};
    AVFramePtr frame = StripesFrame(64, 32, colour);
    ASSERT_NE(frame, nullptr);
    CVideoFrameStore store;
    EXPECT_FALSE(store.PresentFrame(StripesFormat(32, 32, colour), *frame));
    VideoFormat rgb = StripesFormat(64, 32, colour);
    rgb.subtype = SubType::RGB24;
    EXPECT_FALSE(store.PresentFrame(rgb, *frame));
    frame->format = AV_PIX_FMT_YUV422P;
    EXPECT_FALSE(store.PresentFrame(StripesFormat(64, 32, colour), *frame));
    EXPECT_EQ(store.Latest(), nullptr);

    frame->format = AV_PIX_FMT_YUV420P;
    ASSERT_TRUE(store.PresentFrame(StripesFormat(64, 32, colour), *frame));
    const std::shared_ptr<const VideoFrame> shown = store.Latest();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->data.empty());
    // A new reference to the same planes, which outlives the lender's.
    EXPECT_EQ(shown->Planes().plane[0], frame->data[0]);
    EXPECT_EQ(shown->Planes().stride[1], frame->linesize[1]);
    frame.reset();
    EXPECT_EQ(shown->Planes().plane[0][0], StripesYv12(64, 32, colour)[0]);
}

// Rows drawn on after lending (a subtitle) come with the lent frame: the store keeps them
// beside it, refusing a band that does not fit, and the widget shows exactly the picture
// packed from both.
TEST(CSoftVideoRendererTest, LentFrameWithDrawnRows) {
    const VideoColour colour{ColourMatrix::BT601, ColourRange::Limited};
    const int w = 64, h = 32;
    const VideoFormat format = StripesFormat(w, h, colour);
    AVFramePtr frame = StripesFrame(w, h, colour);
    ASSERT_NE(frame, nullptr);
    const RowBand band{12, 20};
    SpoilRows(*frame, band.top, band.bottom);
    // The buffer the rows were drawn in: only the band's rows are read from it.
    std::vector<uint8_t> drawn = StripesYv12(w, h, colour);
    std::vector<uint8_t> whole(drawn.size());
    ASSERT_TRUE(PackLentPicture(*frame, band, drawn.data(), w, h, whole.data()));
    EXPECT_TRUE(whole == drawn);
    std::fill(drawn.begin(), drawn.begin() + band.top * w, uint8_t(7));

    CVideoFrameStore store;
    for (const RowBand bad : {RowBand{11, 20}, RowBand{12, 34}, RowBand{-2, 4}}) {
        EXPECT_FALSE(store.PresentFrame(format, *frame, bad, drawn.data(), long(drawn.size())));
        EXPECT_FALSE(PackLentPicture(*frame, bad, drawn.data(), w, h, whole.data()));
    }
    EXPECT_FALSE(store.PresentFrame(format, *frame, band, drawn.data(), long(drawn.size()) - 1));
    EXPECT_FALSE(store.PresentFrame(format, *frame, band, nullptr, 0));
    EXPECT_EQ(store.Latest(), nullptr);
    ASSERT_TRUE(store.PresentFrame(format, *frame, band, drawn.data(), long(drawn.size())));
    const std::shared_ptr<const VideoFrame> shown = store.Latest();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->data.size(), size_t(band.rows()) * w * 3 / 2);
    EXPECT_EQ(shown->Planes().plane[0], frame->data[0]);

    CSoftVideoWidget widget(std::make_shared<CVideoFrameStore>());
    const QImage banded = widget.Convert(*shown);
    EXPECT_EQ(StripesDiffer(banded), "");
    VideoFrame packed;
    packed.format = format;
    packed.data = StripesYv12(w, h, colour);
    EXPECT_TRUE(banded == widget.Convert(packed));
    VideoFrame spoilt;
    spoilt.format = format;
    spoilt.lent.reset(av_frame_clone(frame.get()));
    EXPECT_NE(StripesDiffer(widget.Convert(spoilt)), "");
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
