#include "subtitle/CSubtitleAss.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "app/Logger.h"
#include "subtitle/SubtitleHandles.h"
#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

using test::Picture;
using test::RowRuns;

class CSubtitleAssTest : public test::SubtitleTest {};

TEST(CSubtitleAssTextTest, DecoderOutputBecomesDialogueLines) {
    EXPECT_EQ(CSubtitleAss::ToDialogueLines("5,0,Sign,,0,0,0,,Hi, you", 1000, 2500),
              "Dialogue: 0,0:00:01.00,0:00:02.50,Sign,,0,0,0,,Hi, you\n");
    EXPECT_EQ(
        CSubtitleAss::ToDialogueLines("Dialogue: 0,0:00:01.00,0:00:02.00,A,,0,0,0,,x\r\n", -1, -1),
        "Dialogue: 0,0:00:01.00,0:00:02.00,A,,0,0,0,,x\n");
    EXPECT_EQ(CSubtitleAss::ToDialogueLines("plain text", -1, -1),
              "Dialogue: 0,0:00:00.00,99:59:59.99,Default,,0,0,0,,plain text\n");
    EXPECT_EQ(CSubtitleAss::FormatAssTime(3723456), "1:02:03.46");
}

TEST(CSubtitleAssTextTest, StyleNameIsTheFourthField) {
    EXPECT_EQ(CSubtitleAss::StyleNameOf("Dialogue: 0,0:00:01.00,0:00:02.00,**Top,,0,0,0,,x"),
              "Top");
    EXPECT_EQ(CSubtitleAss::StyleNameOf("Dialogue: 0,1,2"), "");
    EXPECT_EQ(CSubtitleAss::StyleNameOf("x Dialogue: 0,1,2,Top,"), "");
    // A very long style field is kept whole, in an owned string.
    const std::string longName(5000, 'S');
    EXPECT_EQ(CSubtitleAss::StyleNameOf("Dialogue: 0,1,2," + longName + ",,x"), longName);
}

TEST(CSubtitleAssTextTest, SizeGuardRemovesOnlySmallerInlineSizes) {
    std::string text = "{\\fs10}small {\\b1}{\\fs40}big";
    EXPECT_TRUE(CSubtitleAss::ApplySizeGuard(text, 30.24));
    EXPECT_EQ(text, "small {\\b1}big");
    text = "{\\fs40}big{\\fs10}";
    EXPECT_FALSE(CSubtitleAss::ApplySizeGuard(text, 30.24));
    EXPECT_EQ(text, "{\\fs40}big{\\fs10}");
    text = "{\\fs}{\\fs12x}{\\b1\\fs5}";  // not the plain form: left alone
    EXPECT_FALSE(CSubtitleAss::ApplySizeGuard(text, 30.24));
    std::string cut = "ab\xC3\xA9";  // "abé"
    EXPECT_TRUE(CSubtitleAss::CutText(cut, 3));
    EXPECT_EQ(cut, "ab");
    std::string huge(1 << 20, 'a');
    huge += "{\\fs1}";
    EXPECT_TRUE(CSubtitleAss::ApplySizeGuard(huge, 30.0));
    EXPECT_EQ(huge.size(), size_t(1) << 20);
}

TEST(CSubtitleAssTextTest, TagGuardDropsTheBlocksOfOverloadedLines) {
    const auto repeat = [](const std::string& part, size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i) out += part;
        return out;
    };
    // At the limits: kept as it is.
    std::string text = "{" + repeat("\\b1", CSubtitleAss::kMaxOverrideTags) + "}a";
    EXPECT_FALSE(CSubtitleAss::ApplyTagGuard(text));
    text = "{" + repeat("\\t(", 4) + "\\fs40" + repeat(")", 4) + "}a{\\t(\\b1)}b";
    EXPECT_FALSE(CSubtitleAss::ApplyTagGuard(text));
    // Transforms side by side are no nesting; a \clip( inside a transform opens none.
    text = "{" + repeat("\\t(\\clip(1,2,3,4))", 10) + "}a";
    EXPECT_FALSE(CSubtitleAss::HasTooManyTags(text));
    // One tag more, or one level deeper: every block goes, the text stays.
    text = "x{\\c&H0&" + repeat("\\b1", CSubtitleAss::kMaxOverrideTags) + "}y{\\i1}z";
    EXPECT_TRUE(CSubtitleAss::ApplyTagGuard(text));
    EXPECT_EQ(text, "xyz");
    text = "{" + repeat("\\t(", 10000) + "\\fs40" + repeat(")", 10000) + "}Deep";
    EXPECT_TRUE(CSubtitleAss::ApplyTagGuard(text));
    EXPECT_EQ(text, "Deep");
    text = repeat("{\\c&H00FF00&}x", 10000);
    EXPECT_TRUE(CSubtitleAss::ApplyTagGuard(text));
    EXPECT_EQ(text, std::string(10000, 'x'));
    // Backslashes outside blocks are text (line breaks), not tags.
    EXPECT_FALSE(CSubtitleAss::HasTooManyTags(repeat("\\N", 1000)));
}

// Sizes far beyond the picture (seconds of drawing in libass) count as libass reads them.
TEST(CSubtitleAssTextTest, TagGuardDropsOversizedTags) {
    const int height = 480;
    // Within the limits, as real scripts use them.
    for (const char* fine : {"{\\fs960\\fscx1000\\bord240\\blur100}a", "{\\fsp-20\\be5}a",
                             "{\\t(0,100000,\\fscy300)\\pos(10000,20000)}a", "\\fs100000 a"}) {
        std::string text = fine;
        EXPECT_FALSE(CSubtitleAss::ApplyTagGuard(text, height)) << fine;
    }
    // A name matches by its start and takes its bracketed value; transforms are looked into.
    for (const char* huge :
         {"{\\fs961}a", "{\\fsingr oSOfI(10646\t{\\i1}yCoe", "{\\t(\\fscx1001)}a", "{\\xbord241}a",
          "{\\shad-1e9}a", "{\\blur101}a", "{\\be(5000)}a", "{\\fs+99999}a"}) {
        std::string text = huge;
        EXPECT_TRUE(CSubtitleAss::HasOversizedTags(text, height)) << huge;
        EXPECT_TRUE(CSubtitleAss::ApplyTagGuard(text, height)) << huge;
        EXPECT_EQ(text.find('{'), std::string::npos) << huge;
    }
    // Without a script height only the tag count is checked.
    std::string text = "{\\fs5000}a";
    EXPECT_FALSE(CSubtitleAss::ApplyTagGuard(text));
}

TEST(CSubtitleAssTextTest, StillIntervalEndsWhereTheShownEventsChange) {
    AssLibraryPtr library(ass_library_init());
    AssTrackPtr track(ass_new_track(library.get()));
    ASSERT_TRUE(track);
    const auto add = [&](long long start, long long duration, const char* text,
                         const char* effect = "") {
        const int id = ass_alloc_event(track.get());  // may move the array
        ASS_Event& event = track->events[id];
        event.Start = start;
        event.Duration = duration;
        event.Text = strdup(text);
        event.Effect = strdup(effect);
    };
    add(1000, 1000, "first");
    add(1500, 1000, "{\\b1}overlapping");
    add(4000, 1000, "later");
    add(std::numeric_limits<long long>::max() - 10, 100, "far away, ending past the range");
    int64_t from = 0, until = 0;
    const auto still = [&](int64_t t) { return CSubtitleAss::StillAround(*track, t, from, until); };
    ASSERT_TRUE(still(1200));
    EXPECT_EQ(from, 1000);
    EXPECT_EQ(until, 1500);
    ASSERT_TRUE(still(2200));
    EXPECT_EQ(from, 2000);
    EXPECT_EQ(until, 2500);
    ASSERT_TRUE(still(3000));  // nothing shown between the two
    EXPECT_EQ(from, 2500);
    EXPECT_EQ(until, 4000);
    ASSERT_TRUE(still(0));
    EXPECT_EQ(from, std::numeric_limits<int64_t>::min());
    EXPECT_EQ(until, 1000);
    ASSERT_TRUE(still(std::numeric_limits<int64_t>::max() - 1));
    EXPECT_EQ(until, std::numeric_limits<int64_t>::max());

    // Shown text that changes with time is never still; the same text not shown does not
    // matter.
    for (const char* moving : {"{\\move(0,0,10,10)}a", "{\\fad(200,200)}a",
                               "{\\fade(1,2,3,4,5,6,7)}a", "{\\t(\\frz40)}a", "{\\ t(\\frz40)}a",
                               "{\\k40}a", "{\\K40}a", "{\\kf40}a", "{\\b1\\ko20}a"}) {
        add(6000, 1000, moving);
        EXPECT_TRUE(still(5500)) << moving;
        EXPECT_FALSE(still(6500)) << moving;
        track->n_events--;
        std::free(track->events[track->n_events].Text);
        std::free(track->events[track->n_events].Effect);
    }
    for (const char* fixed : {"{\\pos(10,10)\\b1\\fs20}still", "line\\Nbreak", "plain"}) {
        add(6000, 1000, fixed);
        EXPECT_TRUE(still(6500)) << fixed;
        track->n_events--;
        std::free(track->events[track->n_events].Text);
        std::free(track->events[track->n_events].Effect);
    }
    add(6000, 1000, "scrolling", "Scroll up;10;100;0");
    EXPECT_FALSE(still(6500));
}

TEST(CSubtitleAssTextTest, StyleGuardKeepsStylesWithinTheScriptHeight) {
    AssLibraryPtr library(ass_library_init());
    AssTrackPtr track(ass_new_track(library.get()));
    ASSERT_TRUE(track);
    EXPECT_EQ(CSubtitleAss::ScriptHeight(*track), 288);
    track->PlayResX = 640;
    EXPECT_EQ(CSubtitleAss::ScriptHeight(*track), 480);
    track->PlayResX = 1280;
    EXPECT_EQ(CSubtitleAss::ScriptHeight(*track), 1024);
    track->PlayResX = 1;
    EXPECT_EQ(CSubtitleAss::ScriptHeight(*track), 1);
    track->PlayResX = 0;

    // A two-line-high script whose style spaces letters 100 lines apart, as a damaged file
    // did, and an ordinary style beside it.
    std::string script =
        "[Script Info]\nPlayResY: 2\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, Spacing, ScaleX, ScaleY, Outline, Shadow\n"
        "Style: Wide,DejaVu Sans,12,100,5000,100,-3,9\n"
        "Style: Plain,DejaVu Sans,3,0.5,100,120,0.5,0.25\n";
    ass_process_data(track.get(), script.data(), int(script.size()));
    ASSERT_EQ(CSubtitleAss::ScriptHeight(*track), 2);
    ASSERT_GE(track->n_styles, 2);
    ASS_Style& wide = track->styles[track->n_styles - 2];
    ASS_Style& plain = track->styles[track->n_styles - 1];
    ASSERT_STREQ(wide.Name, "Wide");
    wide.Blur = std::nan("");
    // libass's own fallback style, 18 high, is too large for this script as well.
    EXPECT_EQ(CSubtitleAss::ApplyStyleGuard(*track), 2);
    EXPECT_EQ(track->styles[0].FontSize, 4);
    EXPECT_EQ(wide.FontSize, 4);
    EXPECT_EQ(wide.Spacing, 4);
    EXPECT_EQ(wide.ScaleX, 10);
    EXPECT_EQ(wide.ScaleY, 1);
    EXPECT_EQ(wide.Outline, 0);
    EXPECT_EQ(wide.Shadow, 1);
    EXPECT_EQ(wide.Blur, 0);
    EXPECT_EQ(plain.FontSize, 3);
    EXPECT_EQ(plain.Spacing, 0.5);
    EXPECT_DOUBLE_EQ(plain.ScaleY, 1.2);
    EXPECT_EQ(plain.Shadow, 0.25);
    EXPECT_EQ(CSubtitleAss::ApplyStyleGuard(*track), 0);
}

TEST_F(CSubtitleAssTest, ShownInItsTimeAndHeldForTwoAndAHalfSeconds) {
    ASSERT_TRUE(
        OpenSubtitle(kSubtitleText, 0, "Dialogue: 0,0:00:10.00,0:00:11.00,Default,,0,0,0,,Hello"));
    EXPECT_TRUE(DrawnRows(9500).empty());
    const std::vector<int> rows = DrawnRows(10500);
    ASSERT_FALSE(rows.empty());
    // The lowest drawn row sits on the baseline, 32 rows above the bottom.
    EXPECT_LE(rows.back(), kHeight - 32 - 1);
    EXPECT_GE(rows.back(), kHeight - 32 - 3);

    // The dialogue ended at 11 s; 2 s of ticks after it first appeared it is still shown.
    host_->AdvanceTickMs(2000);
    EXPECT_EQ(DrawnRows(12000), rows);
    host_->AdvanceTickMs(600);
    EXPECT_TRUE(DrawnRows(12600).empty());

    // Shown again when its time comes round after a seek.
    SeekSubtitles(0);
    EXPECT_EQ(DrawnRows(10200), rows);
    ClearSubtitles(kSubtitleText);
    EXPECT_TRUE(DrawnRows(10200).empty());
}

TEST_F(CSubtitleAssTest, DecoderEventFormWithDisplayWindow) {
    SubtitleData data;
    data.text = "0,0,Default,,0,0,0,,Event form";
    data.start_ms = 5000;
    data.end_ms = 6000;
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, std::move(data)));
    EXPECT_TRUE(DrawnRows(4900).empty());
    EXPECT_FALSE(DrawnRows(5500).empty());
}

TEST_F(CSubtitleAssTest, TwoLinesStackFivePixelsApart) {
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0,
                             "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Lower line"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 1,
                             "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Upper line"));
    Picture base = Picture::Yv12(kWidth, kHeight);
    int baseline = 0;
    Picture drawn = Render(base, 1000, &baseline);
    const auto runs = RowRuns(drawn.ChangedRows(base));
    ASSERT_EQ(runs.size(), 2u);
    const auto upper = runs[0], lower = runs[1];
    EXPECT_LE(lower.second, kHeight - 32 - 1);
    EXPECT_GE(lower.second, kHeight - 32 - 3);
    const int gap = lower.first - upper.second - 1;
    EXPECT_GE(gap, 5);
    EXPECT_LE(gap, 6);
    // The baseline left for further subtitles is 5 rows above the upper line.
    EXPECT_EQ(baseline, upper.first - 5);
}

int DrawnHeight(const std::vector<int>& rows) {
    return rows.empty() ? 0 : rows.back() - rows.front() + 1;
}

TEST_F(CSubtitleAssTest, InlineSizeBelowTheConfiguredSizeIsIgnored) {
    const char* line = "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,";
    OpenSubtitle(kSubtitleText, 0, std::string(line) + "Sized");
    const int plain = DrawnHeight(DrawnRows(1000));
    OpenSubtitle(kSubtitleText, 0, std::string(line) + "{\\fs10}Sized");
    const int small = DrawnHeight(DrawnRows(1000));
    OpenSubtitle(kSubtitleText, 0, std::string(line) + "{\\fs60}Sized");
    const int large = DrawnHeight(DrawnRows(1000));
    ASSERT_GT(plain, 10);
    EXPECT_EQ(small, plain);
    EXPECT_GT(large, plain * 3 / 2);
}

TEST_F(CSubtitleAssTest, FontSizeSettingAppliesAfterReset) {
    OpenSubtitle(kSubtitleText, 0, "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Sized");
    const int normal = DrawnHeight(DrawnRows(1000));
    SubtitleSettings settings = host_->ReadSettings();
    settings.font_size = -3;
    settings.font_border_size = -10;
    host_->SetSettings(settings);
    EXPECT_EQ(DrawnHeight(DrawnRows(1000)), normal);  // not before the reset
    ResetSubtitleRenderer();
    const int small = DrawnHeight(DrawnRows(1000));
    EXPECT_GT(small, 0);
    EXPECT_LT(small, normal * 2 / 3);

    // The border alone: outline 3 and shadow 4 against outline 0 and shadow 1.
    settings.font_border_size = 1;
    host_->SetSettings(settings);
    ResetSubtitleRenderer();
    EXPECT_GE(DrawnHeight(DrawnRows(1000)), small + 5);
}

TEST_F(CSubtitleAssTest, Rgb24RowsUseThePaddedStride) {
    OpenSubtitle(kSubtitleText, 0, "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Hi");
    // 30 pixels wide: rows of 92 bytes, the last 2 of which are padding.
    ASSERT_TRUE(CSubtitle::Setup(30, 480));
    Picture base = Picture::Rgb24(30, 480, 100);
    ASSERT_EQ(base.stride, 92);
    Picture drawn = Render(base, 1000);
    ASSERT_TRUE(drawn.Differs(base));
    for (int y = 0; y < base.height; ++y) {
        const size_t row = size_t(y) * base.stride;
        EXPECT_EQ(drawn.data[row + 90], 100);
        EXPECT_EQ(drawn.data[row + 91], 100);
    }
    const auto rows = drawn.ChangedRows(base);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.back(), 480 - 32 - 1);
    EXPECT_GE(rows.back(), 480 - 32 - 3);
}

TEST_F(CSubtitleAssTest, YellowTextOnYv12AndRgb24) {
    SubtitleSettings settings = host_->ReadSettings();
    settings.primary_color = "FFFF00";
    settings.outline_color = "FFFF00";
    settings.shadow_color = "FFFF00";
    settings.font_size = 10;
    host_->SetSettings(settings);
    ResetSubtitleRenderer();
    OpenSubtitle(kSubtitleText, 0, "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,\\h█████\\h");
    Picture rgb = Render(Picture::Rgb24(kWidth, kHeight, 0), 1000);
    Picture yuv = Render(Picture::Yv12(kWidth, kHeight, 16), 1000);
    // The middle of the fully covered area is pure yellow.
    int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (rgb.Pixel(x, y)[2] != 255) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    ASSERT_GT(x1 - x0, 20);
    const int bx = (x0 + x1) / 2, by = (y0 + y1) / 2;
    EXPECT_EQ(rgb.Pixel(bx, by)[0], 0);
    EXPECT_EQ(rgb.Pixel(bx, by)[1], 255);
    // Yellow in YV12: Y 210, Cb (U) 16, Cr (V) 146.
    EXPECT_NEAR(yuv.Luma(bx, by), 210, 1);
    EXPECT_NEAR(yuv.U(bx & ~1, by & ~1), 16, 2);
    EXPECT_NEAR(yuv.V(bx & ~1, by & ~1), 146, 2);
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

TEST_F(CSubtitleAssTest, HugeAndInvalidTextIsDrawnWithoutHarm) {
    const std::string head = "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,";
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, head + std::string(1 << 20, 'w')));
    DrawnRows(1000);
    auto object = std::dynamic_pointer_cast<CSubtitleAss>(RegisteredSubtitles().at(0));
    EXPECT_LE(object->text().size(), CSubtitleAss::kMaxTextBytes + 1);
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, head + "ab\xC3\x28\xFF\xFE\xED\xA0\x80 cd"));
    DrawnRows(1000);
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, std::string("\0\x01\x02,,,,,,,,,,", 13)));
    DrawnRows(1000);
    // An oversized tag on a later line of the text loses its block as on the first line.
    const std::string log = temp_.file("guard.log");
    ASSERT_TRUE(Logger::Instance().OpenLogFile(log));
    ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, head + "small\n" + head + "{\\fs5000}Big"));
    EXPECT_FALSE(DrawnRows(1000).empty());
    EXPECT_EQ(DrawnRows(1040), DrawnRows(1080));
    Logger::Instance().OpenLogFile("/dev/null");
    // Said once for the text, not for every picture.
    const std::string said = test::ReadFile(log);
    const std::string line = "1 subtitle lines with too many or oversized override tags";
    ASSERT_NE(said.find(line), std::string::npos);
    EXPECT_EQ(said.find(line, said.find(line) + 1), std::string::npos) << said;
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

TEST_F(CSubtitleAssTest, ChangedTextIsPaintedAfresh) {
    const std::string head = "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,";
    Picture base = Picture::Rgb24(kWidth, kHeight, 90);
    OpenSubtitle(kSubtitleText, 0, head + "ABCD");
    const Picture first = Render(base, 1000);
    EXPECT_EQ(Render(base, 1040).data, first.data);  // the same picture again
    OpenSubtitle(kSubtitleText, 0, head + "ABCE");
    const Picture second = Render(base, 1080);
    EXPECT_NE(second.data, first.data);
    OpenSubtitle(kSubtitleText, 0, head + "ABCD");
    EXPECT_EQ(Render(base, 1120).data, first.data);
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

// Every read of the tick counter moves it on by `step_ms`: a picture's drawing, timed by two
// reads, seems to take that long.
class CSteppingHost : public CMemorySubtitleHost {
  public:
    int64_t TickMs() override {
        const int64_t now = CMemorySubtitleHost::TickMs();
        AdvanceTickMs(step_ms.load());
        return now;
    }
    std::atomic<int64_t> step_ms{0};
};

class CSubtitleSlowRenderTest : public CSubtitleAssTest {
  protected:
    void SetUp() override {
        CSubtitleAssTest::SetUp();
        clock_->SetTempFolder(temp_.file("tmp"));
        SetSubtitleHost(clock_);
    }
    // Draws one picture per entry, each seeming to take that many ms; then whether a quick
    // picture still shows the subtitle.
    bool ShownAfter(const std::vector<int64_t>& durations) {
        for (size_t i = 0; i < durations.size(); ++i) {
            clock_->step_ms = durations[i];
            DrawnRows(1000 + 40 * int64_t(i));
        }
        clock_->step_ms = 0;
        return !DrawnRows(2000).empty();
    }
    std::shared_ptr<CSteppingHost> clock_ = std::make_shared<CSteppingHost>();
};

TEST_F(CSubtitleSlowRenderTest, TwoSlowPicturesInARowTurnTheSubtitleOff) {
    const std::string dialogue = "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Slow text";
    const struct {
        std::vector<int64_t> durations;
        bool shown;
    } cases[] = {
        {{0, 0, 0}, true},          {{1500}, true},  // one slow picture is forgiven
        {{1500, 0, 1500, 0}, true},                  // not in a row
        {{1000, 1000, 1000}, true},                  // exactly the limit is not over it
        {{0, 1001, 1001}, false},   {{5000, 5000, 0, 0}, false},  // stays off
    };
    for (const auto& c : cases) {
        ShutdownSubtitles();
        ASSERT_TRUE(CSubtitle::Setup(kWidth, kHeight));
        ASSERT_TRUE(OpenSubtitle(kSubtitleText, 0, dialogue));
        EXPECT_EQ(ShownAfter(c.durations), c.shown) << ::testing::PrintToString(c.durations);
    }
}

TEST_F(CSubtitleSlowRenderTest, ExternalFileIsTurnedOffWithALogLine) {
    const std::string log = temp_.file("log.txt");
    ASSERT_TRUE(Logger::Instance().OpenLogFile(log));
    const std::string dir = temp_.file("slow") + "/";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    test::WriteFile(dir + "clip.ass",
                    test::AssScript("Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,,Slow\n"));
    SubtitleData data;
    data.text = dir + "clip.ass";
    data.picked = true;
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, std::move(data)));
    EXPECT_FALSE(ShownAfter({1200, 1200}));
    Logger::Instance().OpenLogFile("/dev/null");
    auto file = std::dynamic_pointer_cast<CSubtitleAss>(RegisteredSubtitles().at(0));
    EXPECT_TRUE(file->turned_off());
    const std::string text = test::ReadFile(log);
    EXPECT_NE(text.find("ERROR: CSubtitleAss::DrawTrack: Subtitle rendering took over 1000 ms on "
                        "two pictures in a row (last 1200 ms at 1040 ms); subtitle 10:0 is off"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace zvp
