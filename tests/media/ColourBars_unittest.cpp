// Colour bars decoded by the source filter and drawn by each widget renderer at the picture's
// own size: every bar's centre pixel lies within 4 of the ffmpeg tool's rgb24 conversion of
// the same picture with the clip's matrix (written beside each clip by tools/gen-test-media.sh).
// The HD clip is tagged BT.709; the SD clip is untagged, which players read as BT.601.
//
// Run through tests/media/CMakeLists.txt: the software cases offscreen, the OpenGL cases on an
// Xvfb screen of the HD size.
#include <gtest/gtest.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QWidget>
#include <fstream>
#include <iterator>

#include "graph/CGLVideoRenderer.h"
#include "graph/CSoftVideoRenderer.h"
#include "media/SourceTestUtil.h"

namespace zvp::test {
namespace {

::testing::Environment* const kSubtitleEnv =
    ::testing::AddGlobalTestEnvironment(new SubtitleHostEnvironment);

struct Clip {
    const char* name;  // without extension: .mp4 the clip, .rgb the reference picture
    int width, height;
    VideoColour announced;  // by the source's YV12 output type
};
const Clip kHd709{"bars_hd709", 1920, 1080, {ColourMatrix::BT709, ColourRange::Limited}};
const Clip kSd601{"bars_sd601", 720, 576, {}};

struct Probe {
    int x, y;
    int r, g, b;
};

// The centres of the reference's bars: on 16 rows spread over the picture, each run of at
// least 24 pixels whose channels stay within 1 of the run's first pixel, when its centre has
// the same colour 6 rows above and below (away from the bands' edges, where chroma of two
// bands mixes).
std::vector<Probe> BarCentres(const std::vector<uint8_t>& rgb, int width, int height) {
    auto at = [&](int x, int y) { return rgb.data() + (size_t(y) * width + x) * 3; };
    auto same = [](const uint8_t* a, const uint8_t* b) {
        return std::abs(a[0] - b[0]) <= 1 && std::abs(a[1] - b[1]) <= 1 &&
               std::abs(a[2] - b[2]) <= 1;
    };
    std::vector<Probe> out;
    for (int k = 0; k < 16; ++k) {
        const int y = (2 * k + 1) * height / 32;
        for (int start = 0; start < width;) {
            int end = start + 1;
            while (end < width && same(at(start, y), at(end, y))) ++end;
            const int x = (start + end) / 2;
            if (end - start >= 24 && y >= 6 && y + 6 < height && same(at(x, y), at(x, y - 6)) &&
                same(at(x, y), at(x, y + 6))) {
                const uint8_t* p = at(x, y);
                out.push_back(Probe{x, y, p[0], p[1], p[2]});
            }
            start = end;
        }
    }
    return out;
}

// Empty when every probe (scaled to the image's size) is within 4 in each channel.
std::string Mismatches(const QImage& img, const std::vector<Probe>& probes, int width, int height) {
    if (img.isNull()) return "null image";
    std::string why;
    for (const Probe& p : probes) {
        const QColor c = img.pixelColor(p.x * img.width() / width, p.y * img.height() / height);
        if (std::abs(c.red() - p.r) > 4 || std::abs(c.green() - p.g) > 4 ||
            std::abs(c.blue() - p.b) > 4) {
            why += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " +
                   std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
                   std::to_string(c.blue()) + " for " + std::to_string(p.r) + "," +
                   std::to_string(p.g) + "," + std::to_string(p.b) + "; ";
        }
    }
    return why;
}

void CheckBars(const Clip& clip, bool gl) {
    std::ifstream in(MediaPath(std::string(clip.name) + ".rgb"), std::ios::binary);
    const std::vector<uint8_t> reference{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(reference.size(), size_t(clip.width) * clip.height * 3)
        << clip.name << ".rgb is missing or of another size: regenerate the test media";
    const std::vector<Probe> probes = BarCentres(reference, clip.width, clip.height);
    // Both bar charts have at least three bands of several bars each.
    ASSERT_GE(probes.size(), 15u) << "the reference shows no bars";
    if (gl) {
        ASSERT_TRUE(CGLVideoRenderer::CanCreateContext()) << "no OpenGL context";
    }

    auto graph = std::make_unique<CFilterGraph>();
    auto owned = std::make_unique<CVelloSource>();
    CVelloSource* source = owned.get();
    graph->AddFilter(std::move(owned), "source");
    ASSERT_EQ(source->Load(MediaPath(std::string(clip.name) + ".mp4")), S_OK);
    std::unique_ptr<CWidgetVideoRenderer> renderer;
    if (gl) {
        renderer = std::make_unique<CGLVideoRenderer>();
    } else {
        renderer = std::make_unique<CSoftVideoRenderer>();
    }
    CWidgetVideoRenderer* video = renderer.get();
    graph->AddFilter(std::move(renderer), "Video Renderer");
    ASSERT_EQ(graph->Connect(source->VideoPin(), CFilterGraph::FindInputPin(video)), S_OK);
    EXPECT_EQ(source->VideoPin()->CurrentMediaType().Subtype(), MEDIASUBTYPE_YV12);
    EXPECT_EQ(source->VideoPin()->CurrentMediaType().Colour(), clip.announced);

    QWidget* widget = graph->GetVideoWidget();
    ASSERT_NE(widget, nullptr);
    widget->resize(clip.width, clip.height);
    widget->show();
    auto* glWidget = dynamic_cast<QOpenGLWidget*>(widget);
    if (gl) {
        ASSERT_NE(glWidget, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return glWidget->isValid(); })) << "GL widget never ready";
    }
    // Paused, the renderer shows the first picture; all pictures of the clip are the same.
    graph->Pause();
    ASSERT_TRUE(PumpUntil([&] { return video->Store()->Latest() != nullptr; }))
        << "no picture presented";
    std::string why;
    EXPECT_TRUE(PumpUntil([&] {
        why = Mismatches(gl ? glWidget->grabFramebuffer() : widget->grab().toImage(), probes,
                         clip.width, clip.height);
        return why.empty();
    })) << clip.name
        << ": " << why;
    graph->Stop();
    graph.reset();
}

TEST(ColourBarsTest, SoftHd709) {
    CheckBars(kHd709, false);
}

TEST(ColourBarsTest, SoftSd601) {
    CheckBars(kSd601, false);
}

TEST(ColourBarsTest, GlHd709) {
    CheckBars(kHd709, true);
}

TEST(ColourBarsTest, GlSd601) {
    CheckBars(kSd601, true);
}

}  // namespace
}  // namespace zvp::test
