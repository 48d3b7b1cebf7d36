// The aspect-ratio strategies' rectangles and ideal sizes, their lookup by name, the current
// strategy, and the display size of pictures with non-square pixels.
#include "engine/PictureRatio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/CPictureRatioDistort.h"
#include "engine/CPictureRatioFit16_9.h"
#include "engine/CPictureRatioFit4_3.h"
#include "engine/CPictureRatioFitCustom.h"
#include "engine/CPictureRatioFitSource.h"
#include "engine/GeometryPrinters.h"

namespace zvp {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// Read during static initialisation, before any test can have set a strategy.
const IAspectRatio* const kCurrentAtStart = CurrentAspectRatio();

const char* const kNames[] = {"stretch", "default", "4:3", "16:9", "custom"};

// The custom strategy's stored ratio is process-wide; every test starts and ends without one.
class AspectRatioTest : public ::testing::Test {
  protected:
    void SetUp() override { CAspectRatioFitCustom::Instance().SetRatio(0.0); }
    void TearDown() override {
        CAspectRatioFitCustom::Instance().SetRatio(0.0);
        SetCurrentAspectRatio(nullptr);
    }
};

struct RectCase {
    const char* strategy;
    VideoSize source, area;
    VideoRect expected;
};

// clang-format off
const RectCase kRectCases[] = {
    // strategy   source        area           expected
    {"16:9",    {640, 480},   {800, 600},    {0, 75, 800, 525}},      // narrower area: full width
    {"default", {720, 576},   {1000, 400},   {250, 0, 750, 400}},     // wider area: full height
    {"default", {720, 576},   {1000, 800},   {0, 0, 1000, 800}},      // area exactly 1.25
    {"16:9",    {320, 240},   {1920, 1080},  {0, 0, 1920, 1080}},     // area exactly 16:9
    {"default", {720, 576},   {1920, 1080},  {285, 0, 1635, 1080}},   // coded size, no SAR
    {"16:9",    {720, 576},   {1366, 768},   {0, 0, 1365, 768}},      // odd pixel goes right
    {"default", {1920, 1080}, {1366, 768},   {0, 0, 1365, 768}},
    {"4:3",     {1920, 1080}, {1920, 1080},  {240, 0, 1680, 1080}},   // ratio, not the source's
    {"default", {3, 2},       {10, 3},       {2, 0, 7, 3}},           // w = trunc(4.5 + 0.5)
    {"default", {1, 1},       {7680, 4320},  {1680, 0, 6000, 4320}},
    {"default", {7680, 4320}, {1, 1},        {0, 0, 1, 1}},
    {"custom",  {720, 576},   {1000, 400},   {250, 0, 750, 400}},     // no ratio set: source's
    {"stretch", {640, 480},   {800, 600},    {0, 0, 800, 600}},
    {"stretch", {1, 7680},    {800, 600},    {0, 0, 800, 600}},
    // An area side of 0 (or less) gives a picture of no size, centred in the other side.
    {"default", {720, 576},   {800, 0},      {400, 0, 400, 0}},
    {"default", {720, 576},   {0, 600},      {0, 300, 0, 300}},
    {"16:9",    {720, 576},   {0, 0},        {0, 0, 0, 0}},
    {"4:3",     {720, 576},   {-800, 600},   {0, 300, 0, 300}},
    {"stretch", {720, 576},   {-800, -600},  {0, 0, 0, 0}},
};
// clang-format on

TEST_F(AspectRatioTest, DisplayRectFitsTheRatioIntoTheArea) {
    for (const RectCase& c : kRectCases) {
        SCOPED_TRACE(testing::Message() << c.strategy << " " << testing::PrintToString(c.source)
                                        << " in " << testing::PrintToString(c.area));
        EXPECT_EQ(AspectRatioByName(c.strategy).GetDisplayRect(c.source, c.area), c.expected);
    }
}

struct IdealCase {
    const char* strategy;
    VideoSize source, expected;
};

// clang-format off
const IdealCase kIdealCases[] = {
    {"16:9",    {640, 480},   {853, 480}},         // widened: trunc(853.33 + 0.5)
    {"16:9",    {720, 576},   {1024, 576}},
    {"4:3",     {1920, 1080}, {1920, 1440}},       // heightened, never narrowed
    {"4:3",     {640, 480},   {640, 480}},         // already the ratio
    {"default", {720, 576},   {720, 576}},
    {"custom",  {720, 576},   {720, 576}},
    {"stretch", {7, 3},       {7, 3}},
    // A side that would pass INT32_MAX saturates.
    {"16:9",    {1, kMax},    {kMax, kMax}},
    {"4:3",     {kMax, 1},    {kMax, 1610612735}},  // trunc(kMax × 0.75 + 0.5)
};
// clang-format on

TEST_F(AspectRatioTest, IdealSizeEnlargesOneSideToTheRatio) {
    for (const IdealCase& c : kIdealCases) {
        SCOPED_TRACE(testing::Message() << c.strategy << " " << testing::PrintToString(c.source));
        EXPECT_EQ(AspectRatioByName(c.strategy).GetIdealSize(c.source), c.expected);
    }
}

TEST_F(AspectRatioTest, ASourceWithoutSizeGivesNothingWithEveryStrategy) {
    const VideoSize sources[] = {{0, 480}, {640, 0}, {0, 0}, {-640, 480}, {640, kMin}};
    for (const char* name : kNames) {
        for (const VideoSize source : sources) {
            SCOPED_TRACE(testing::Message() << name << " " << testing::PrintToString(source));
            const IAspectRatio& strategy = AspectRatioByName(name);
            EXPECT_EQ(strategy.GetDisplayRect(source, {800, 600}), VideoRect{});
            EXPECT_EQ(strategy.GetIdealSize(source), VideoSize{});
        }
    }
}

// Every pair of extreme sizes, with every strategy (custom also with extreme ratios): the
// rectangle lies inside the area and the ideal size holds the source. Run under UBSan this
// also shows that no step overflows.
TEST_F(AspectRatioTest, ExtremeSizesStayInsideTheArea) {
    const int32_t sides[] = {kMin, -1, 0, 1, 2, 3, 1080, 1920, kMax - 1, kMax};
    const double customRatios[] = {0.0, 1e-300, 1e-9, 2.35, 1e9, 1e300};
    for (const double ratio : customRatios) {
        CAspectRatioFitCustom::Instance().SetRatio(ratio);
        for (const char* name : kNames) {
            const IAspectRatio& strategy = AspectRatioByName(name);
            for (const int32_t sw : sides) {
                for (const int32_t sh : sides) {
                    const VideoSize source{sw, sh};
                    const VideoSize ideal = strategy.GetIdealSize(source);
                    if (sw > 0 && sh > 0) {
                        EXPECT_GE(ideal.width, sw)
                            << name << " " << ratio << " " << sw << "x" << sh;
                        EXPECT_GE(ideal.height, sh)
                            << name << " " << ratio << " " << sw << "x" << sh;
                    }
                    for (const int32_t aw : sides) {
                        for (const int32_t ah : sides) {
                            const VideoRect r = strategy.GetDisplayRect(source, {aw, ah});
                            const bool inside = 0 <= r.left && r.left <= r.right &&
                                                r.right <= std::max(aw, 0) && 0 <= r.top &&
                                                r.top <= r.bottom && r.bottom <= std::max(ah, 0);
                            ASSERT_TRUE(inside) << name << " ratio " << ratio << " source " << sw
                                                << "x" << sh << " area " << aw << "x" << ah
                                                << " gave " << testing::PrintToString(r);
                        }
                    }
                }
            }
        }
    }
}

TEST_F(AspectRatioTest, CustomUsesAStoredRatioOnlyWhenItIsFiniteAndPositive) {
    CAspectRatioFitCustom& custom = CAspectRatioFitCustom::Instance();
    EXPECT_EQ(custom.GetStoredRatio(), 0.0);
    EXPECT_TRUE(custom.SetRatio(2.0));
    EXPECT_EQ(custom.GetDisplayRect({720, 576}, {1000, 400}), (VideoRect{100, 0, 900, 400}));
    EXPECT_EQ(custom.GetIdealSize({720, 576}), (VideoSize{1152, 576}));

    const double invalid[] = {0.0, -1.5, std::nan(""), std::numeric_limits<double>::infinity()};
    for (const double ratio : invalid) {
        EXPECT_TRUE(custom.SetRatio(2.0));
        EXPECT_FALSE(custom.SetRatio(ratio)) << ratio;
        EXPECT_EQ(custom.GetStoredRatio(), 0.0) << ratio;
        // Back to the source's own shape.
        EXPECT_EQ(custom.GetDisplayRect({720, 576}, {1000, 400}), (VideoRect{250, 0, 750, 400}));
    }
}

TEST_F(AspectRatioTest, ByNameIgnoresCaseAndFallsBackToDefault) {
    struct {
        const char* text;
        const IAspectRatio* expected;
    } const cases[] = {
        {"stretch", &CAspectRatioDistort::Instance()},
        {"Stretch", &CAspectRatioDistort::Instance()},
        {"STRETCH", &CAspectRatioDistort::Instance()},
        {"DEFAULT", &CAspectRatioFitSource::Instance()},
        {"4:3", &CAspectRatioFit4_3::Instance()},
        {"16:9", &CAspectRatioFit16_9::Instance()},
        {"Custom", &CAspectRatioFitCustom::Instance()},
        {"", &CAspectRatioFitSource::Instance()},
        {"stretch ", &CAspectRatioFitSource::Instance()},
        {"4/3", &CAspectRatioFitSource::Instance()},
        {"16:10", &CAspectRatioFitSource::Instance()},
    };
    for (const auto& c : cases) EXPECT_EQ(&AspectRatioByName(c.text), c.expected) << c.text;
    for (const char* name : kNames) EXPECT_STREQ(AspectRatioByName(name).GetName(), name);
}

TEST_F(AspectRatioTest, CurrentIsNullUntilSet) {
    EXPECT_EQ(kCurrentAtStart, nullptr);
    SetCurrentAspectRatio(&CAspectRatioFit4_3::Instance());
    EXPECT_EQ(CurrentAspectRatio(), &CAspectRatioFit4_3::Instance());
    SetCurrentAspectRatio(nullptr);
    EXPECT_EQ(CurrentAspectRatio(), nullptr);
}

struct DisplaySizeCase {
    VideoSize coded;
    int32_t sarNum, sarDen;
    VideoSize expected;
};

// clang-format off
const DisplaySizeCase kDisplaySizeCases[] = {
    {{720, 576},  64, 45,   {1024, 576}},   // 16:9 PAL: widened
    {{720, 576},  16, 15,   {768, 576}},    // 4:3 PAL
    {{720, 480},  10, 11,   {720, 528}},    // pixels taller than wide: heightened
    {{3, 1},      3, 2,     {5, 1}},        // 4.5 rounds up
    {{1, 1},      1, 3,     {1, 3}},
    // Square or unknown pixels, or no picture: the coded size.
    {{720, 576},  1, 1,     {720, 576}},
    {{720, 576},  7, 7,     {720, 576}},
    {{720, 576},  0, 1,     {720, 576}},
    {{720, 576},  1, 0,     {720, 576}},
    {{720, 576},  -64, 45,  {720, 576}},
    {{0, 576},    64, 45,   {0, 576}},
    {{720, -1},   64, 45,   {720, -1}},
    // Saturates instead of overflowing.
    {{kMax, 1},   2, 1,     {kMax, 1}},
    {{2, kMax},   1, kMax,  {2, kMax}},
    {{kMax, kMax}, kMax, 1, {kMax, kMax}},
    {{1, 1},      kMax, 1,  {kMax, 1}},
};
// clang-format on

TEST(DisplaySizeTest, StretchesTheCodedSizeBySampleAspectRatio) {
    for (const DisplaySizeCase& c : kDisplaySizeCases) {
        SCOPED_TRACE(testing::Message()
                     << testing::PrintToString(c.coded) << " at " << c.sarNum << ":" << c.sarDen);
        EXPECT_EQ(DisplaySize(c.coded.width, c.coded.height, c.sarNum, c.sarDen), c.expected);
    }
}

TEST(DisplaySizeTest, AnamorphicPictureFillsAWideAreaUnderDefault) {
    const IAspectRatio& fit = CAspectRatioFitSource::Instance();
    EXPECT_EQ(fit.GetDisplayRect(DisplaySize(720, 576, 64, 45), {1920, 1080}),
              (VideoRect{0, 0, 1920, 1080}));
}

}  // namespace
}  // namespace zvp
