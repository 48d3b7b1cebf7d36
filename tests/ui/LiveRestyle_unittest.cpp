// OK on the options sheet while a clip plays through the real engine and the software video
// renderer: the embedded and the external subtitle track take the new style on the next
// pictures, without a reload or a seek; Cancel changes no pixel.
#include <QComboBox>
#include <QImage>
#include <filesystem>

#include "engine/CEngineDS.h"
#include "engine/EventRecorder.h"
#include "graph/CFilterGraph.h"
#include "playlist/CControlCenter.h"
#include "subtitle/CSubtitle.h"
#include "ui/AppTexts.h"
#include "ui/CButtonColor.h"
#include "ui/CPPageSubtitle.h"
#include "ui/CPSheetOption.h"
#include "ui/DialogTestUtil.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;
namespace fs = std::filesystem;

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
// Where the subtitle is looked for: below the test picture's counters, above the lower edge
// of its moving rainbow band (whose colour edges leave dark pixels), between its black bars.
// Nothing else there is dark, so the dark pixels are the subtitle's outline and shadow.
constexpr int kTop = 150, kBottom = 208, kLeft = 50, kRight = 250;

bool Dark(QRgb c) {
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}
// Red, also where antialiasing blends it with the outline.
bool Red(QRgb c) {
    return qRed(c) > 120 && qRed(c) - qGreen(c) > 60 && qRed(c) - qBlue(c) > 60;
}
// The default primary colour CCFFFF, also blended with the outline; the band's and the bars'
// colours are fully saturated, so none of them passes.
bool PaleCyan(QRgb c) {
    return qRed(c) > 90 && qGreen(c) > 140 && qBlue(c) > 140 && std::abs(qGreen(c) - qBlue(c)) < 40;
}

// The subtitle in a grab: the rows and columns its outline covers, and how many pixels within
// 2 px of the outline are red or pale cyan.
struct SubtitleBox {
    int top = -1, bottom = -1, left = kRight, right = -1, red = 0, paleCyan = 0;
    int height() const { return top < 0 ? 0 : bottom - top + 1; }
    int width() const { return right < 0 ? 0 : right - left + 1; }
};

std::ostream& operator<<(std::ostream& os, const SubtitleBox& b) {
    return os << "rows " << b.top << ".." << b.bottom << ", columns " << b.left << ".." << b.right
              << ", red " << b.red << ", pale cyan " << b.paleCyan;
}

SubtitleBox FindSubtitle(const QImage& grab) {
    SubtitleBox box;
    for (int y = kTop; y <= kBottom; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(grab.constScanLine(y));
        int dark = 0;
        for (int x = kLeft; x < kRight; ++x) {
            if (Dark(row[x])) {
                ++dark;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                continue;
            }
            bool nearOutline = false;
            for (int d = 1; d <= 2; ++d) nearOutline |= Dark(row[x - d]) || Dark(row[x + d]);
            if (!nearOutline) continue;
            box.red += Red(row[x]);
            box.paleCyan += PaleCyan(row[x]);
        }
        if (dark >= 2) {
            if (box.top < 0) box.top = y;
            box.bottom = y;
        }
    }
    return box;
}

class LiveRestyleTest : public test::SettingsHomeTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        SettingsHomeTest::SetUp();
        host.resize(kFrameWidth, kFrameHeight);
        ASSERT_TRUE(center.Initialize(&host, &center.GetPlaylistModel(), 500));
    }

    CEngineDS& Engine() { return center.GetController().GetEngine(); }
    double Position() {
        REFERENCE_TIME now = 0;
        CFilterGraph* graph = Engine().GetGraph();
        if (!graph || FAILED(graph->GetCurrentPosition(&now))) return -1;
        return double(now) / 1e7;
    }
    bool WaitForPosition(double seconds) {
        return PumpUntil([&] { return Position() >= seconds; });
    }
    QImage Grab() {
        Engine().resize(kFrameWidth, kFrameHeight);
        return Engine().grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The clip: srt.mkv's embedded track, or a copy of h264_aac.mp4 with an SRT beside it.
    std::string Clip(bool external) {
        if (!external) return MediaPath("srt.mkv");
        const std::string clip = dir.file("clip.mp4");
        fs::copy_file(MediaPath("h264_aac.mp4"), clip);
        test::WriteBytes(dir.file("clip.srt"),
                         "1\n00:00:01,000 --> 00:00:03,000\nFirst line\n\n"
                         "2\n00:00:04,000 --> 00:00:06,000\nSecond line\n");
        return clip;
    }
    // Red primary text and the bigger size on a sheet that is never shown; OK or Cancel.
    void EditAndClose(bool ok) {
        CPSheetOption sheet(nullptr, kProductName);
        CPPageSubtitle* page = sheet.SubtitlePage();
        page->findChild<CButtonColor*>("primary_text_color")->SetColor(MakeColor(0xFF, 0, 0));
        auto* size = page->findChild<QComboBox*>("font_size");
        size->setCurrentIndex(size->findText("Bigger Font Size"));
        if (ok) {
            sheet.accept();
        } else {
            sheet.reject();
        }
    }

    test::TempDir dir;
    QWidget host;
    CControlCenter center;
    test::EventRecorder events{center, {"MediaLoaded"}};
};

TEST_P(LiveRestyleTest, OkRestylesThePlayingTrackAndCancelChangesNothing) {
    center.AddFile(Clip(GetParam()));
    center.Play();
    ASSERT_EQ(center.GetController().GetStateName(), "Playing");
    ASSERT_EQ(events.events.size(), 1u);

    ASSERT_TRUE(WaitForPosition(0.5));
    EXPECT_EQ(FindSubtitle(Grab()).height(), 0);  // before the first cue at 1 s
    ASSERT_TRUE(WaitForPosition(1.1));
    const SubtitleBox before = FindSubtitle(Grab());
    ASSERT_GT(before.height(), 4) << before;
    EXPECT_GT(before.paleCyan, 0) << before;

    const auto renderer = CurrentSubtitleRenderer();
    EditAndClose(false);
    EXPECT_EQ(CurrentSubtitleRenderer(), renderer);
    ASSERT_TRUE(WaitForPosition(1.3));
    const SubtitleBox cancelled = FindSubtitle(Grab());
    EXPECT_NEAR(cancelled.top, before.top, 1) << cancelled;
    EXPECT_EQ(cancelled.bottom, before.bottom) << cancelled;
    EXPECT_NEAR(cancelled.width(), before.width(), 2) << cancelled;
    EXPECT_NEAR(cancelled.paleCyan, before.paleCyan, before.paleCyan / 4 + 3) << cancelled;

    const double okAt = Position();
    EditAndClose(true);
    EXPECT_NE(CurrentSubtitleRenderer(), renderer);
    ASSERT_TRUE(WaitForPosition(2.0));
    const SubtitleBox after = FindSubtitle(Grab());
    EXPECT_GT(after.red, before.red + 3) << before << " / " << after;
    EXPECT_GT(after.red, 3 * after.paleCyan) << after;
    // Bigger: wider, and at least as tall (one size step adds about a pixel of height here).
    EXPECT_GT(after.width(), before.width()) << before << " / " << after;
    EXPECT_GE(after.height(), before.height()) << before << " / " << after;

    // The clip went on playing: no reload, no seek back.
    EXPECT_EQ(events.events.size(), 1u);
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
    EXPECT_GT(Position(), okAt);
}

INSTANTIATE_TEST_SUITE_P(Tracks, LiveRestyleTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "External" : "Embedded"; });

}  // namespace
}  // namespace zvp
