#include "subtitle/SubtitleFonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(SubtitleFontsTest, FamilyListHoldsResolvableEnglishNamesOnceInCaselessOrder) {
    const std::vector<std::string> names = ListFontFamilies();
    ASSERT_FALSE(names.empty());
    for (size_t i = 0; i < names.size(); ++i) {
        std::string face, file;
        EXPECT_TRUE(GetFontFile(names[i], false, face, file)) << names[i];
        EXPECT_NE(names[i].front(), '@') << names[i];
        if (i > 0) {
            EXPECT_LT(Lower(names[i - 1]), Lower(names[i])) << "order or duplicate";
        }
    }
    // A family with local names is listed under its English name only.
    EXPECT_EQ(std::count(names.begin(), names.end(), "WenQuanYi Micro Hei"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "文泉驿微米黑"), 0);
    // Style families of one face (Condensed, Light) are folded into the face's English family.
    EXPECT_EQ(std::count(names.begin(), names.end(), "DejaVu Sans"), 1);
    EXPECT_NE(std::find(names.begin(), names.end(), GetDefaultFontName()), names.end());
}

}  // namespace
}  // namespace zvp
