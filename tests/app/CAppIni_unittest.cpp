#include "app/CAppIni.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/AppFileTestUtil.h"
#include "app/CAppFolder.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class CAppIniTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_.file("zvp_data.ini"); }

    test::TempDir dir_;
};

TEST_F(CAppIniTest, MissingFileAnswersFromDefaults) {
    CAppIni ini(Path());
    EXPECT_TRUE(ini.Reload());
    EXPECT_TRUE(std::filesystem::exists(Path()));  // created empty
    EXPECT_EQ(ini.GetString("settings::loop_mode"), "playlist_loop");
    EXPECT_EQ(ini.GetInt("settings::current_play_item"), -1);
    EXPECT_EQ(ini.GetString("settings::window_resizing_mode"), "fixed");

    // The four keys without a default read as missing, and are not written.
    for (const char* key :
         {"subtitle::font_name", "settings::default_playlist_path",
          "settings::default_media_file_path", "settings::default_subtitle_path"}) {
        std::string out = "junk";
        EXPECT_FALSE(ini.GetString(key, out)) << key;
        EXPECT_EQ(out, "");
        EXPECT_EQ(ini.GetInt(key), 0);
    }
    ASSERT_TRUE(ini.Save());
    const std::string saved = ReadBytes(Path());
    EXPECT_EQ(saved.find(test::Utf16Le(u"font_name")), std::string::npos);
    EXPECT_NE(saved.find(test::Utf16Le(u"loop_mode=playlist_loop\r\n")), std::string::npos);

    ASSERT_TRUE(ini.SetString("subtitle::font_name", "DejaVu Sans"));
    ASSERT_TRUE(ini.Save());
    CAppIni again(Path());
    ASSERT_TRUE(again.Reload());
    EXPECT_EQ(again.GetString("subtitle::font_name"), "DejaVu Sans");
}

TEST_F(CAppIniTest, Colours) {
    CAppIni ini(Path());
    ini.Reload();
    const uint32_t primary = ini.GetColor("subtitle::primary_text_color");
    EXPECT_EQ(ColorRed(primary), 0xCC);
    EXPECT_EQ(ColorGreen(primary), 0xFF);
    EXPECT_EQ(ColorBlue(primary), 0xFF);
    EXPECT_EQ(ini.GetColor("subtitle::shadow_color"), MakeColor(0x22, 0x22, 0x22));

    ASSERT_TRUE(ini.SetColor("subtitle::outline_color", MakeColor(1, 2, 3)));
    EXPECT_EQ(ini.GetString("subtitle::outline_color"), "010203");
    EXPECT_EQ(ini.GetColor("subtitle::outline_color"), MakeColor(1, 2, 3));
    ASSERT_TRUE(ini.SetColor("subtitle::outline_color", MakeColor(0xAB, 0xCD, 0xEF)));
    EXPECT_EQ(ini.GetString("subtitle::outline_color"), "abcdef");

    ini.SetString("subtitle::outline_color", "AbCdEf");
    EXPECT_EQ(ini.GetColor("subtitle::outline_color"), MakeColor(0xAB, 0xCD, 0xEF));
    for (const char* bad : {"zz0000", "", "12 456", "0x1234", "123456789"}) {
        ini.SetString("subtitle::outline_color", bad);
        EXPECT_EQ(ini.GetColor("subtitle::outline_color"), 0u) << bad;
    }
    EXPECT_EQ(ini.GetColor("subtitle::font_name"), 0u);  // no value, no default
}

TEST_F(CAppIniTest, FileNamesAreCaseInsensitiveAndDefaultsOnlyIgnoresTheFile) {
    WriteBytes(Path(),
               "[SETTINGS]\r\nLOOP_MODE=single_loop\r\n"
               "default_media_file_path=/media/a=b c\r\n"
               "current_play_item=  42abc\r\n");
    CAppIni ini(Path());
    ASSERT_TRUE(ini.Reload());
    EXPECT_EQ(ini.GetString("settings::loop_mode"), "single_loop");
    EXPECT_EQ(ini.GetString("Settings::Loop_Mode"), "single_loop");
    EXPECT_EQ(ini.GetString("settings::loop_mode", true), "playlist_loop");
    EXPECT_EQ(ini.GetString("settings::default_media_file_path"), "/media/a=b c");
    EXPECT_EQ(ini.GetInt("settings::current_play_item"), 42);
    EXPECT_EQ(ini.GetInt("settings::current_play_item", true), -1);
    std::string out;
    EXPECT_FALSE(ini.GetString("settings::default_media_file_path", out, true));
}

TEST_F(CAppIniTest, KeysAndIntegers) {
    CAppIni ini(Path());
    ini.Reload();
    std::string out;
    EXPECT_FALSE(ini.GetString("loop_mode", out));
    EXPECT_FALSE(ini.GetString("settings::", out));
    EXPECT_FALSE(ini.SetString("settings", "x"));
    EXPECT_FALSE(ini.SetInt("::loop_mode", 1));
    // A prefix of a known key is not that key.
    EXPECT_FALSE(ini.GetString("settings::loop", out));
    EXPECT_TRUE(ini.SetString("a:b", "v"));  // one colon separates as well
    EXPECT_EQ(ini.GetString("a::b"), "v");

    EXPECT_TRUE(ini.SetInt("settings::current_play_item", -7));
    EXPECT_EQ(ini.GetString("settings::current_play_item"), "-7");
    for (const auto& [text, value] :
         std::vector<std::pair<const char*, int>>{{"abc", 0},
                                                  {"+5", 5},
                                                  {" -12x", -12},
                                                  {"99999999999", INT32_MAX},
                                                  {"-99999999999", INT32_MIN}}) {
        ini.SetString("n::v", text);
        EXPECT_EQ(ini.GetInt("n::v"), value) << text;
    }
    EXPECT_FALSE(ini.SetString("n::v", "two\nlines"));
}

TEST_F(CAppIniTest, AnsiFileIsResavedAsSortedUtf16) {
    WriteBytes(Path(),
               "# written by hand\r\n"
               "[subtitle]\r\n"
               "font_name=Caf\xE9 Sans\r\n"
               "[Settings]\r\n"
               "loop_mode=single\r\n"
               "default_media_file_path=/home/Jos\xE9/M\xFAsica/\r\n");
    CAppIni ini(Path());
    ASSERT_TRUE(ini.Reload());
    EXPECT_EQ(ini.GetString("subtitle::font_name"), "Caf\xC3\xA9 Sans");
    EXPECT_EQ(ini.GetString("settings::default_media_file_path"),
              "/home/Jos\xC3\xA9/M\xC3\xBAsica/");
    ASSERT_TRUE(ini.Save());
    const std::string expected =
        "\xFF\xFE" + test::Utf16Le(
                         u"[settings]\r\n"
                         u"aspect_ratio=default\r\n"
                         u"current_play_item=-1\r\n"
                         u"default_media_file_path=/home/Jos\u00e9/M\u00fasica/\r\n"
                         u"loop_mode=single\r\n"
                         u"window_resizing_mode=fixed\r\n"
                         u"[subtitle]\r\n"
                         u"font_border_size=0\r\n"
                         u"font_name=Caf\u00e9 Sans\r\n"
                         u"font_size=0\r\n"
                         u"outline_color=000000\r\n"
                         u"primary_text_color=CCFFFF\r\n"
                         u"secondary_text_color=FFFFCC\r\n"
                         u"shadow_color=222222\r\n");
    EXPECT_EQ(ReadBytes(Path()), expected);
}

TEST_F(CAppIniTest, SaveIntoReadOnlyFolderFailsAndKeepsTheOldFile) {
    CAppIni ini(Path());
    ini.Reload();
    ini.SetString("settings::loop_mode", "single");
    ASSERT_TRUE(ini.Save());
    const std::string before = ReadBytes(Path());

    test::ScopedNoPermissionOverride no_override;
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
    if (test::CanCreateIn(dir_.path().string())) {
        ::chmod(dir_.path().c_str(), 0755);
        GTEST_SKIP() << "permission bits are not enforced for this user";
    }
    ini.SetString("settings::loop_mode", "shuffle");
    EXPECT_FALSE(ini.Save());
    ::chmod(dir_.path().c_str(), 0755);

    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(ini.GetString("settings::loop_mode"), "shuffle");  // memory stays valid
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // no temporary file left behind
}

TEST_F(CAppIniTest, CrashBetweenWriteAndRenameKeepsTheOldSettings) {
    {
        CAppIni ini(Path());
        ini.Reload();
        ini.SetString("settings::loop_mode", "single");
        ASSERT_TRUE(ini.Save());
    }
    // A save interrupted before its rename leaves only its temporary file.
    WriteBytes(Path() + ".tmp4242-0", "\xFF\xFE[sett");
    CAppIni ini(Path());
    ASSERT_TRUE(ini.Reload());
    EXPECT_EQ(ini.GetString("settings::loop_mode"), "single");
    ini.SetString("settings::loop_mode", "shuffle");
    ASSERT_TRUE(ini.Save());
    CAppIni again(Path());
    again.Reload();
    EXPECT_EQ(again.GetString("settings::loop_mode"), "shuffle");
}

TEST_F(CAppIniTest, UnreadableFileIsNotReplaced) {
    // A settings "file" that exists but cannot be read as one.
    std::filesystem::create_directory(Path());
    CAppIni ini(Path());
    EXPECT_FALSE(ini.Reload());
    EXPECT_EQ(ini.GetString("settings::loop_mode"), "playlist_loop");
    ini.SetString("settings::loop_mode", "single");
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(std::filesystem::is_directory(Path()));
}

TEST_F(CAppIniTest, ProcessWideObjectUsesTheDataFolder) {
    test::ScopedEnv data_home("XDG_DATA_HOME", dir_.path().string());
    CAppIni& ini = CAppIni::Instance();
    EXPECT_EQ(&ini, &CAppIni::Instance());
    EXPECT_EQ(ini.GetSettingsPath(), dir_.path().string() + "/ZVP/zvp_data.ini");
    ASSERT_TRUE(ini.Reload());
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "ZVP" / "zvp_data.ini"));
}

}  // namespace
}  // namespace zvp
