// The zoom strategies over the current aspect-ratio strategy: fitting, the area a fixed
// magnification needs, lookup by name, and the behaviour without a current aspect ratio.
#include "engine/Zoom.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/CZoom100.h"
#include "engine/CZoom125.h"
#include "engine/CZoom150.h"
#include "engine/CZoom200.h"
#include "engine/CZoom50.h"
#include "engine/CZoom75.h"
#include "engine/CZoomFitWindow.h"
#include "engine/GeometryPrinters.h"
#include "engine/IPictureRatio.h"
#include "engine/IZoom.h"
#include "engine/PictureRatio.h"

namespace zvp {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr VideoRect kUntouched{-7, -7, -7, -7};

// The current aspect ratio is process-wide; each test sets its own and leaves none behind.
class ZoomTest : public ::testing::Test {
  protected:
    void TearDown() override { SetCurrentAspectRatio(nullptr); }
    static void UseAspect(const char* name) { SetCurrentAspectRatio(&AspectRatioByName(name)); }
};

struct AreaCase {
    const char* zoom;
    const char* aspect;
    VideoSize minArea, source;
    VideoSize area;
    VideoRect rect;
};

// clang-format off
const AreaCase kAreaCases[] = {
    // zoom         aspect     min area      source        area          rect
    {"ZOOM200",   "default", {800, 600},  {320, 240},   {800, 600},   {80, 60, 720, 540}},
    {"ZOOM50",    "default", {800, 600},  {1, 1},       {800, 600},   {400, 300, 400, 300}},
    // Each factor on its own, truncated, with no minimum to grow to.
    {"ZOOM50",    "default", {0, 0},      {641, 481},   {320, 240},   {0, 0, 320, 240}},
    {"ZOOM75",    "default", {0, 0},      {321, 241},   {240, 180},   {0, 0, 240, 180}},
    {"ZOOM100",   "default", {0, 0},      {640, 480},   {640, 480},   {0, 0, 640, 480}},
    {"ZOOM125",   "default", {0, 0},      {641, 481},   {801, 601},   {0, 0, 801, 601}},
    {"ZOOM150",   "default", {0, 0},      {641, 481},   {961, 721},   {0, 0, 961, 721}},
    {"ZOOM200",   "default", {0, 0},      {640, 480},   {1280, 960},  {0, 0, 1280, 960}},
    // Grown in one direction only; the picture is centred only in that one.
    {"ZOOM200",   "default", {600, 800},  {320, 240},   {640, 800},   {0, 160, 640, 640}},
    {"ZOOM100",   "default", {700, 100},  {640, 480},   {700, 480},   {30, 0, 670, 480}},
    // The picture is the current aspect ratio's ideal size, not the source size.
    {"ZOOM100",   "16:9",    {0, 0},      {640, 480},   {853, 480},   {0, 0, 853, 480}},
    {"ZOOM200",   "4:3",     {0, 0},      {1920, 1080}, {3840, 2880}, {0, 0, 3840, 2880}},
    // Nothing to show: an empty picture centred in the minimum area.
    {"ZOOM150",   "default", {800, 600},  {0, 480},     {800, 600},   {400, 300, 400, 300}},
    // Sides that would pass INT32_MAX saturate; a negative minimum is never grown to.
    {"ZOOM200",   "stretch", {0, 0},      {kMax, kMax}, {kMax, kMax}, {0, 0, kMax, kMax}},
    {"ZOOM200",   "default", {kMax, kMax}, {1, 1},      {kMax, kMax},
     {1073741822, 1073741822, 1073741824, 1073741824}},
    {"ZOOM50",    "default", {-800, -600}, {640, 480},  {320, 240},   {0, 0, 320, 240}},
    // The fitting zoom keeps the area it is given and fits the picture into it.
    {"FITWINDOW", "default", {1000, 400}, {720, 576},   {1000, 400},  {250, 0, 750, 400}},
    {"FITWINDOW", "16:9",    {800, 600},  {640, 480},   {800, 600},   {0, 75, 800, 525}},
    {"FITWINDOW", "stretch", {800, 600},  {640, 480},   {800, 600},   {0, 0, 800, 600}},
};
// clang-format on

TEST_F(ZoomTest, CalcAreaSizesAndPlacesThePicture) {
    for (const AreaCase& c : kAreaCases) {
        SCOPED_TRACE(testing::Message() << c.zoom << " over " << c.aspect << ", min "
                                        << testing::PrintToString(c.minArea) << ", source "
                                        << testing::PrintToString(c.source));
        UseAspect(c.aspect);
        VideoSize area{-1, -1};
        VideoRect rect = kUntouched;
        ZoomByName(c.zoom).CalcArea(c.minArea, c.source, area, rect);
        EXPECT_EQ(area, c.area);
        EXPECT_EQ(rect, c.rect);
    }
}

TEST_F(ZoomTest, EveryZoomFitsWithTheCurrentAspectRatio) {
    const char* const zooms[] = {"FITWINDOW", "ZOOM50",  "ZOOM75", "ZOOM100",
                                 "ZOOM125",   "ZOOM150", "ZOOM200"};
    for (const char* zoom : zooms) {
        SCOPED_TRACE(zoom);
        UseAspect("16:9");
        VideoRect rect = kUntouched;
        ZoomByName(zoom).FitDisplayRect({640, 480}, {800, 600}, rect);
        EXPECT_EQ(rect, (VideoRect{0, 75, 800, 525}));
        UseAspect("stretch");
        ZoomByName(zoom).FitDisplayRect({640, 480}, {800, 600}, rect);
        EXPECT_EQ(rect, (VideoRect{0, 0, 800, 600}));
    }
}

TEST_F(ZoomTest, WithoutACurrentAspectRatioTheRectangleIsLeftAlone) {
    ASSERT_EQ(CurrentAspectRatio(), nullptr);
    VideoRect rect = kUntouched;
    CZoom200::Instance().FitDisplayRect({640, 480}, {800, 600}, rect);
    EXPECT_EQ(rect, kUntouched);

    VideoSize area{-1, -1};
    CZoomFitWindow::Instance().FitDisplayRect({640, 480}, {800, 600}, rect);
    CZoomFitWindow::Instance().CalcArea({800, 600}, {640, 480}, area, rect);
    EXPECT_EQ(area, (VideoSize{800, 600}));
    EXPECT_EQ(rect, kUntouched);

    // A factor zoom has no ideal size to magnify: an empty picture in the minimum area.
    CZoom200::Instance().CalcArea({800, 600}, {640, 480}, area, rect);
    EXPECT_EQ(area, (VideoSize{800, 600}));
    EXPECT_EQ(rect, (VideoRect{400, 300, 400, 300}));
}

TEST_F(ZoomTest, ByNameIgnoresCaseAndFallsBackToFitWindow) {
    struct {
        const char* text;
        const IZoom* expected;
    } const cases[] = {
        {"FITWINDOW", &CZoomFitWindow::Instance()}, {"fitwindow", &CZoomFitWindow::Instance()},
        {"ZOOM50", &CZoom50::Instance()},           {"zoom75", &CZoom75::Instance()},
        {"Zoom100", &CZoom100::Instance()},         {"ZOOM125", &CZoom125::Instance()},
        {"ZOOM150", &CZoom150::Instance()},         {"zoom200", &CZoom200::Instance()},
        {"", &CZoomFitWindow::Instance()},          {"ZOOM20", &CZoomFitWindow::Instance()},
        {"ZOOM2000", &CZoomFitWindow::Instance()},  {"200", &CZoomFitWindow::Instance()},
    };
    for (const auto& c : cases) EXPECT_EQ(&ZoomByName(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace zvp
