#include "subtitle/SubtitleStyle.h"

#include <gtest/gtest.h>

#include <cstring>

#include "subtitle/SubtitleHandles.h"

namespace zvp {
namespace {

TEST(SubtitleStyleTest, FontSizeFollowsSettingWithinBounds) {
    EXPECT_DOUBLE_EQ(StyleFontSize(0, 480), 4.5 * 480 / 100 * 1.4);  // 30.24
    EXPECT_NEAR(StyleFontSize(0, 480), 30.24, 1e-9);
    EXPECT_NEAR(StyleFontSize(10, 480), 33.6, 1e-9);  // capped at 5.0
    EXPECT_NEAR(StyleFontSize(1, 480), 33.6, 1e-9);
    EXPECT_NEAR(StyleFontSize(-2, 480), 2.5 * 4.8 * 1.4, 1e-9);
    EXPECT_NEAR(StyleFontSize(-3, 480), 2.0 * 4.8 * 1.4, 1e-9);  // 1.5 -> 2.0
    EXPECT_NEAR(StyleFontSize(-100, 1080), 2.0 * 10.8 * 1.4, 1e-9);
}

TEST(SubtitleStyleTest, BorderSettingMapsToOutline) {
    EXPECT_EQ(StyleBorder(-10), 0);
    EXPECT_EQ(StyleBorder(-1), 1);
    EXPECT_EQ(StyleBorder(1), 3);
    EXPECT_EQ(StyleBorder(0), 2);
    EXPECT_EQ(StyleBorder(7), 2);
    EXPECT_EQ(StyleBorder(-5), 2);
}

TEST(SubtitleStyleTest, ColorSettingBecomesOpaqueLibassColor) {
    EXPECT_EQ(StyleColor(std::string("CCFFFF")), 0xCCFFFF00u);
    EXPECT_EQ(StyleColor(std::string("010203")), 0x01020300u);
    EXPECT_EQ(StyleColor(std::string("abcdef")), 0xABCDEF00u);
    EXPECT_EQ(StyleColor(std::nullopt), 0xFFFFFFFFu);
    EXPECT_EQ(StyleColor(std::string("zz0000")), 0u);
}

TEST(SubtitleStyleTest, ApplyStyleFillsTheTracksStyles) {
    AssLibraryPtr library(ass_library_init());
    AssTrackPtr track(ass_new_track(library.get()));
    ASSERT_GE(track->n_styles, 1);  // libass's own fallback style
    SubtitleSettings settings;
    settings.font_border_size = -10;
    settings.primary_color = "102030";
    settings.shadow_color = std::nullopt;
    ApplyStyle(track.get(), settings, 480);
    const ASS_Style& s = track->styles[0];
    EXPECT_STREQ(s.FontName, "Arial");
    EXPECT_NEAR(s.FontSize, 30.24, 1e-9);
    EXPECT_EQ(s.PrimaryColour, 0x10203000u);
    EXPECT_EQ(s.SecondaryColour, 0xFFFFCC00u);
    EXPECT_EQ(s.OutlineColour, 0x00000000u);
    EXPECT_EQ(s.BackColour, 0xFFFFFFFFu);
    EXPECT_EQ(s.Bold, 1);
    EXPECT_EQ(s.BorderStyle, 1);
    EXPECT_EQ(s.Outline, 0);
    EXPECT_EQ(s.Shadow, 1);
    EXPECT_EQ(s.Alignment, 2);
    EXPECT_EQ(s.MarginL, 10);
    EXPECT_EQ(s.MarginR, 10);
    EXPECT_EQ(s.MarginV, 5);
    EXPECT_DOUBLE_EQ(s.ScaleX, 1.0);

    settings.font_border_size = 1;
    ApplyStyle(track.get(), settings, 480);
    EXPECT_EQ(track->styles[0].Outline, 3);
    EXPECT_EQ(track->styles[0].Shadow, 4);
}

}  // namespace
}  // namespace zvp
