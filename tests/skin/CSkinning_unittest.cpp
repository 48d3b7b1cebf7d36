#include "skin/CSkinning.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppFileTestUtil.h"
#include "app/CAppFolder.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

TEST(CSkinningTest, ListsTheIniFilesOfTheSkinsFolder) {
    test::TempDir data;
    test::ScopedEnv home("XDG_DATA_HOME", data.path().string());
    EXPECT_TRUE(CSkinning::ListSkins().empty());

    const std::string skins = CAppFolder::GetSkins();
    ASSERT_EQ(skins, data.path().string() + "/ZVP/Skins/");
    for (const char* name : {"Red.ini", "Blue.INI", "notes.txt", "sub/Deep.ini"}) {
        fs::create_directories(fs::path(skins + name).parent_path());
        test::WriteBytes(skins + name, "[window]\n");
    }
    fs::create_directories(skins + "folder.ini");
    const std::vector<std::string> listed = CSkinning::ListSkins();
    EXPECT_EQ(listed, (std::vector<std::string>{skins + "Blue.INI", skins + "Red.ini"}));
    EXPECT_EQ(CSkinning::DisplayName(listed[0]), "Blue");
    EXPECT_EQ(CSkinning::DisplayName("/s/My.Skin.ini"), "My.Skin");
}

TEST(CSkinningTest, TheChoiceStartsAtTheBuiltInSkin) {
    EXPECT_EQ(CSkinning::CurrentSkinName(), "__default__");
    CSkinning::SetCurrentSkinName("/skins/Blue.ini");
    EXPECT_EQ(CSkinning::CurrentSkinName(), "/skins/Blue.ini");
    CSkinning::SetCurrentSkinName(CSkinning::kDefaultSkinName);
    EXPECT_EQ(CSkinning::CurrentSkinName(), "__default__");
}

}  // namespace
}  // namespace zvp
