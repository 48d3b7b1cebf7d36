#include "app/IniDocument.h"

#include <gtest/gtest.h>

#include "app/AppFileTestUtil.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

std::string Value(const IniDocument& doc, const char* section, const char* name) {
    const std::string* value = doc.FindValue(section, name);
    return value ? *value : "<missing>";
}

TEST(IniDocumentTest, ParsesSectionsValuesAndIgnoresTheRest) {
    IniDocument doc;
    doc.Parse(
        "orphan=before any section\r\n"
        "  [ Settings ]  \r\n"
        "\tloop_mode = single\r\n"
        "path=C:=x=y \r\n"
        "# a comment line\r\n"
        "=no name\r\n"
        "just text\r\n"
        "[\r\n"
        "[SETTINGS]\n"
        "LOOP_MODE=shuffle\n"
        "[other]\n"
        "empty=\n",
        IniDocument::LoadMode::kReplace);
    ASSERT_EQ(doc.sections().size(), 2u);
    EXPECT_EQ(Value(doc, "settings", "loop_mode"), "shuffle");  // same names, any case
    EXPECT_EQ(Value(doc, " settings\t", "Loop_Mode "), "shuffle");
    EXPECT_EQ(Value(doc, "settings", "path"), "C:=x=y ");  // everything after the first "="
    EXPECT_EQ(Value(doc, "other", "empty"), "");
    EXPECT_EQ(Value(doc, "settings", "# a comment line"), "<missing>");
    EXPECT_EQ(doc.FindSection("settings")->size(), 2u);
    EXPECT_EQ(doc.sections().begin()->first, "other");
}

TEST(IniDocumentTest, MergeKeepsAndReplaceClears) {
    IniDocument doc;
    doc.Parse("[a]\nx=1\ny=2\n", IniDocument::LoadMode::kReplace);
    doc.Parse("[A]\nY=3\n[b]\nz=4\n", IniDocument::LoadMode::kMerge);
    EXPECT_EQ(Value(doc, "a", "x"), "1");
    EXPECT_EQ(Value(doc, "a", "y"), "3");
    EXPECT_EQ(Value(doc, "b", "z"), "4");
    doc.Parse("[c]\nw=5\n", IniDocument::LoadMode::kReplace);
    EXPECT_EQ(doc.sections().size(), 1u);
}

TEST(IniDocumentTest, SerializesSortedUtf16WithCrLf) {
    IniDocument doc;
    ASSERT_TRUE(doc.SetValue("subtitle", "font_size", "12"));
    ASSERT_TRUE(doc.SetValue("Settings", "loop_mode", "single"));
    ASSERT_TRUE(doc.SetValue("settings", "aspect_ratio", "16:9"));
    ASSERT_TRUE(doc.SetValue("settings", "Zoom", " a b "));
    ASSERT_TRUE(doc.SetValue("settings", "path", "/home/Jos\xC3\xA9/"));
    const std::string expected = "\xFF\xFE" + test::Utf16Le(
                                                  u"[Settings]\r\n"
                                                  u"aspect_ratio=16:9\r\n"
                                                  u"loop_mode=single\r\n"
                                                  u"path=/home/Jos\u00e9/\r\n"
                                                  u"Zoom= a b \r\n"
                                                  u"[subtitle]\r\n"
                                                  u"font_size=12\r\n");
    EXPECT_EQ(doc.Serialize(), expected);

    test::TempDir dir;
    ASSERT_TRUE(doc.Save(dir.file("out.ini")));
    EXPECT_EQ(test::ReadBytes(dir.file("out.ini")), expected);
    IniDocument back;
    ASSERT_TRUE(back.Load(dir.file("out.ini"), IniDocument::LoadMode::kReplace));
    EXPECT_EQ(back.Serialize(), expected);
}

TEST(IniDocumentTest, RefusesWhatTheFileCouldNotGiveBack) {
    IniDocument doc;
    EXPECT_FALSE(doc.SetValue("s", "a=b", "v"));
    EXPECT_FALSE(doc.SetValue("s", "", "v"));
    EXPECT_FALSE(doc.SetValue("s", "n", "line\r\n[evil]\r\nx=1"));
    EXPECT_FALSE(doc.SetValue("s\n", "n", "v"));
    EXPECT_FALSE(doc.SetValue("s", "[n", "v] "));  // would read back as a section
    EXPECT_TRUE(doc.SetValue("s", "[n", "v"));
    EXPECT_TRUE(doc.SetValue("s", "#n", "v"));
    IniDocument back;
    back.Parse("[s]\n[n=v\n#n=v\n", IniDocument::LoadMode::kReplace);
    EXPECT_EQ(back.Serialize(), doc.Serialize());
}

TEST(IniDocumentTest, LoadCreatesAMissingFileAndFailsOnAFolder) {
    test::TempDir dir;
    IniDocument doc;
    doc.SetValue("keep", "k", "v");
    EXPECT_TRUE(doc.Load(dir.file("new.ini"), IniDocument::LoadMode::kMerge));
    EXPECT_TRUE(std::filesystem::exists(dir.file("new.ini")));
    EXPECT_EQ(Value(doc, "keep", "k"), "v");
    EXPECT_FALSE(doc.Load(dir.path().string(), IniDocument::LoadMode::kReplace));
    EXPECT_EQ(Value(doc, "keep", "k"), "v");  // a failed load changes nothing
    EXPECT_FALSE(doc.Load(dir.file("no/such/folder.ini"), IniDocument::LoadMode::kReplace));
}

}  // namespace
}  // namespace zvp
