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
// Subtitles sit at the bottom; the counters of the test picture are above this row.
constexpr int kSubtitleTop = 150;

// Where a grab differs from the picture without subtitles: the subtitle's rows and how many of
// its pixels are pure red.
struct SubtitleBox {
    int top = -1, bottom = -1, pixels = 0, red = 0;
    int height() const { return top < 0 ? 0 : bottom - top + 1; }
};

SubtitleBox FindSubtitle(const QImage& reference, const QImage& grab) {
    SubtitleBox box;
    for (int y = kSubtitleTop; y < std::min(reference.height(), grab.height()); ++y) {
        int changed = 0;
        for (int x = 0; x < std::min(reference.width(), grab.width()); ++x) {
            const QColor a = reference.pixelColor(x, y), b = grab.pixelColor(x, y);
            const int diff = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue());
            if (diff < 96) continue;
            ++changed;
            if (b.red() > 200 && b.green() < 60 && b.blue() < 60) ++box.red;
        }
        box.pixels += changed;
        if (changed >= 2) {
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
    const QImage plain = Grab();  // before the first cue at 1 s
    ASSERT_TRUE(WaitForPosition(1.1));
    const SubtitleBox before = FindSubtitle(plain, Grab());
    ASSERT_GT(before.height(), 4) << "no subtitle shown at 1.1 s";
    EXPECT_LT(before.red, 10);

    const auto renderer = CurrentSubtitleRenderer();
    EditAndClose(false);
    EXPECT_EQ(CurrentSubtitleRenderer(), renderer);
    ASSERT_TRUE(WaitForPosition(1.3));
    const SubtitleBox cancelled = FindSubtitle(plain, Grab());
    EXPECT_EQ(cancelled.top, before.top);
    EXPECT_EQ(cancelled.bottom, before.bottom);
    EXPECT_NEAR(cancelled.pixels, before.pixels, before.pixels / 20 + 4);
    EXPECT_LT(cancelled.red, 10);

    const double okAt = Position();
    EditAndClose(true);
    EXPECT_NE(CurrentSubtitleRenderer(), renderer);
    ASSERT_TRUE(WaitForPosition(2.0));
    const SubtitleBox after = FindSubtitle(plain, Grab());
    EXPECT_GT(after.red, 50);
    EXPECT_GT(after.height(), before.height());

    // The clip went on playing: no reload, no seek back.
    EXPECT_EQ(events.events.size(), 1u);
    EXPECT_EQ(center.GetController().GetStateName(), "Playing");
    EXPECT_GT(Position(), okAt);
}

INSTANTIATE_TEST_SUITE_P(Tracks, LiveRestyleTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "External" : "Embedded"; });

}  // namespace
}  // namespace zvp
