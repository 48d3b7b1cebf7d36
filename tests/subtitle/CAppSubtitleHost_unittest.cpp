#include "subtitle/CAppSubtitleHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "subtitle/CSubtitleFile.h"
#include "subtitle/SubtitleFonts.h"
#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

// The application's own host, on a settings file and data folder inside a temporary folder.
class CAppSubtitleHostTest : public ::testing::Test {
  protected:
    static std::optional<std::string> Env(const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& v) {
        if (v) {
            ::setenv(name, v->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", temp_.file("data").c_str(), 1);
        ::setenv("TMPDIR", temp_.file("tmp").c_str(), 1);
        fs::create_directories(temp_.file("tmp"));
        CAppIni::Instance().Reload();
        SetSubtitleHost(std::make_shared<CAppSubtitleHost>());
    }
    void TearDown() override {
        ShutdownSubtitles();
        CSubtitleFile::SetCurrentPath(std::string());
        SetSubtitleHost(nullptr);
        Restore("XDG_DATA_HOME", data_home_);
        Restore("TMPDIR", tmpdir_);
        CAppIni::Instance().Reload();
    }
    std::optional<std::string> data_home_ = Env("XDG_DATA_HOME");
    std::optional<std::string> tmpdir_ = Env("TMPDIR");
    test::TempDir temp_;
};

TEST_F(CAppSubtitleHostTest, SettingsStyleTheRendererAndTheDefaultFontIsStored) {
    CAppIni& ini = CAppIni::Instance();
    std::string name;
    EXPECT_FALSE(ini.GetString("subtitle::font_name", name));
    ASSERT_TRUE(CSubtitle::Setup(640, 480));
    // An empty font name is replaced in the settings by the default font name.
    ASSERT_TRUE(ini.GetString("subtitle::font_name", name));
    EXPECT_EQ(name, GetDefaultFontName());
    EXPECT_EQ(CurrentSubtitleRenderer()->font_file(), GetSystemDefaultFontFile());
    const SubtitleSettings s = CurrentSubtitleRenderer()->settings();
    EXPECT_EQ(s.font_size, 0);
    EXPECT_EQ(s.primary_color, std::optional<std::string>("CCFFFF"));

    ini.SetInt("subtitle::font_size", -2);
    ini.SetString("subtitle::shadow_color", "123456");
    ini.Save();
    ResetSubtitleRenderer();
    EXPECT_EQ(CurrentSubtitleRenderer()->settings().font_size, -2);
    EXPECT_EQ(CurrentSubtitleRenderer()->settings().shadow_color,
              std::optional<std::string>("123456"));
}

TEST_F(CAppSubtitleHostTest, FindsSubtitlesInTheApplicationSubtitleFolder) {
    ASSERT_TRUE(CSubtitle::Setup(640, 480));
    const std::string media = temp_.file("media") + "/";
    fs::create_directories(media);
    test::WriteFile(media + "film.avi", "");
    test::WriteFile(media + "other.srt", "1\n00:00:01,000 --> 00:00:02,000\nOther\n");
    const std::string subs = CAppFolder::GetSubtitles();
    test::WriteFile(subs + "film.en.srt", "1\n00:00:01,000 --> 00:00:02,000\nEnglish\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, media + "film.avi"));
    EXPECT_EQ(CSubtitleFile::Candidates(), std::vector<std::string>{subs + "film.en.srt"});
    EXPECT_EQ(CSubtitleFile::CurrentPath(), subs + "film.en.srt");
    // The converted copy lies in the system temporary folder.
    std::string prepared;
    for (const auto& o : RegisteredSubtitles())
        if (auto f = std::dynamic_pointer_cast<CSubtitleFile>(o)) prepared = f->prepared_file();
    EXPECT_EQ(prepared.rfind(temp_.file("tmp") + "/", 0), 0u) << prepared;
}

}  // namespace
}  // namespace zvp
