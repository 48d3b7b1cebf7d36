#include "subtitle/SubtitleFonts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "subtitle/CMemorySubtitleHost.h"

namespace zvp {
namespace {

bool Exists(const std::string& path) {
    return std::filesystem::is_regular_file(path);
}

TEST(SubtitleFontsTest, SystemDefaultIsAnExistingScalableFont) {
    const std::string file = GetSystemDefaultFontFile();
    ASSERT_TRUE(Exists(file)) << file;
    const std::string ext = std::filesystem::path(file).extension().string();
    EXPECT_TRUE(ext == ".ttf" || ext == ".otf" || ext == ".ttc") << file;
    EXPECT_FALSE(GetDefaultFontName().empty());
}

TEST(SubtitleFontsTest, FindsFacesByEnglishOrLocalName) {
    std::string face, file;
    ASSERT_TRUE(GetFontFile("DejaVu Sans", true, face, file));
    EXPECT_EQ(face, "DejaVu Sans Bold");
    EXPECT_NE(file.find("DejaVuSans-Bold"), std::string::npos) << file;
    ASSERT_TRUE(GetFontFile("dejavu sans", false, face, file));
    EXPECT_EQ(std::filesystem::path(file).filename(), "DejaVuSans.ttf");
    EXPECT_FALSE(GetFontFile("No Such Face 1234", true, face, file));

    EXPECT_EQ(GetEnglishFontName("DejaVu Sans"), "DejaVu Sans");
    EXPECT_EQ(GetEnglishFontName("文泉驿微米黑"), "WenQuanYi Micro Hei");
    EXPECT_EQ(GetEnglishFontName("No Such Face 1234"), "");
}

TEST(SubtitleFontsTest, AppFontFollowsTheFallbackOrder) {
    CMemorySubtitleHost host;
    // Empty setting: the system default file, and its family is stored as the setting.
    EXPECT_EQ(get_app_font_file(host), GetSystemDefaultFontFile());
    EXPECT_EQ(host.ReadSettings().font_name, GetDefaultFontName());
    EXPECT_EQ(host.store_font_name_calls(), 1);

    // A configured face, named in any language.
    SubtitleSettings settings;
    settings.font_name = "文泉驿微米黑";
    host.SetSettings(settings);
    EXPECT_NE(get_app_font_file(host).find("wqy-microhei"), std::string::npos);

    // A face that is not installed: the system default.
    settings.font_name = "No Such Face 1234";
    host.SetSettings(settings);
    EXPECT_EQ(get_app_font_file(host), GetSystemDefaultFontFile());
    EXPECT_EQ(host.store_font_name_calls(), 1);
}

}  // namespace
}  // namespace zvp
