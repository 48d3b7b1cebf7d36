#include "app/VersionText.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppFileTestUtil.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

class VersionTextTest : public ::testing::Test {
  protected:
    std::string VersionOf(const std::string& content) {
        test::WriteBytes(path_, content);
        return GetVersionText(path_);
    }

    test::TempDir dir_;
    std::string path_ = dir_.file("ZVP.ini");
};

TEST_F(VersionTextTest, JoinsThePartsAsWrittenAndMarksABeta) {
    EXPECT_EQ(VersionOf("[Version]\nMajor=2\nMinor=0\nBuild=17\nBeta=1\n"), "2.0.17 beta");
    EXPECT_EQ(VersionOf("[Version]\r\nMajor=2\r\nMinor=0\r\nBuild=17\r\nBeta=0\r\n"), "2.0.17");
    EXPECT_EQ(VersionOf("[Version]\nMajor=2\nMinor=0\nBuild=17\n"), "2.0.17");
    EXPECT_EQ(VersionOf("[Version]\nMajor=2\nMinor=02\nBuild=017\nBeta=2\n"), "2.02.017");
    EXPECT_EQ(VersionOf("[Version]\nMajor=3\n"), "3..");
    // The file as the settings engine writes it: UTF-16LE with a byte-order mark.
    EXPECT_EQ(VersionOf("\xFF\xFE" + test::Utf16Le(u"[Version]\r\nBeta=1\r\nBuild=5\r\n"
                                                   u"Major=1\r\nMinor=4\r\n")),
              "1.4.5 beta");
}

TEST_F(VersionTextTest, EmptyWithoutTheSectionOrTheFileWhichIsNeverCreated) {
    EXPECT_EQ(VersionOf("[Other]\nMajor=2\n"), "");
    std::filesystem::remove(path_);
    EXPECT_EQ(GetVersionText(path_), "");
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_EQ(GetVersionText(dir_.file("missing/ZVP.ini")), "");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("missing")));
}

// The build writes ZVP.ini beside this test program (zvp_write_version_ini).
TEST(VersionTextBuildTest, ReadsTheBuildsFileBesideTheProgram) {
    EXPECT_EQ(GetVersionText(), ZVP_PROJECT_VERSION);
}

}  // namespace
}  // namespace zvp
