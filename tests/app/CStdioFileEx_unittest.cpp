#include "app/CStdioFileEx.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/AppFileTestUtil.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::vector<std::string> ReadLines(const std::string& path, int codePage = -1,
                                   bool* unicode = nullptr) {
    CStdioFileEx file;
    std::vector<std::string> lines;
    if (!file.Open(path, CStdioFileEx::modeRead | CStdioFileEx::typeText)) return {"<open failed>"};
    file.SetCodePage(codePage);
    if (unicode) *unicode = file.IsUnicode();
    std::string line;
    while (file.ReadString(line)) lines.push_back(line);
    return lines;
}

const std::vector<std::string> kAccentedLines = {
    "Jos\xC3\xA9", "", "M\xC3\xBAsica \xC3\xA0 l'\xC3\xA9t\xC3\xA9", "end"};

TEST(CStdioFileExTest, Utf16AndCodePageFilesReadTheSameLines) {
    test::TempDir dir;
    // UTF-16LE with mark.
    WriteBytes(
        dir.file("u16.txt"),
        "\xFF\xFE" + test::Utf16Le(u"Jos\u00e9\r\n\r\nM\u00fasica \u00e0 l'\u00e9t\u00e9\r\nend"));
    // Windows-1252 / Latin-1 without a mark, LF only on one line.
    WriteBytes(dir.file("ansi.txt"), "Jos\xE9\r\n\nM\xFAsica \xE0 l'\xE9t\xE9\r\nend\r\n");
    // UTF-8 without a mark.
    WriteBytes(dir.file("utf8.txt"),
               "Jos\xC3\xA9\n\nM\xC3\xBAsica \xC3\xA0 l'\xC3\xA9t\xC3\xA9\nend");

    // UTF-32LE with mark, whose first two bytes are the UTF-16LE mark.
    std::string u32("\xFF\xFE\0\0", 4);
    for (char16_t c : std::u16string(u"Jos\u00e9\r\n\r\nM\u00fasica \u00e0 l'\u00e9t\u00e9\r\nend"))
        u32 += test::Utf16Le(std::u16string(1, c)) + std::string(2, '\0');
    WriteBytes(dir.file("u32.txt"), u32);

    bool unicode = false;
    EXPECT_EQ(ReadLines(dir.file("u16.txt"), -1, &unicode), kAccentedLines);
    EXPECT_TRUE(unicode);
    EXPECT_EQ(ReadLines(dir.file("u32.txt"), -1, &unicode), kAccentedLines);
    EXPECT_FALSE(unicode);
    EXPECT_EQ(ReadLines(dir.file("u32.txt"), 1252), kAccentedLines);
    EXPECT_EQ(ReadLines(dir.file("ansi.txt"), -1, &unicode), kAccentedLines);
    EXPECT_FALSE(unicode);
    EXPECT_EQ(ReadLines(dir.file("ansi.txt"), 1252), kAccentedLines);
    EXPECT_EQ(ReadLines(dir.file("utf8.txt")), kAccentedLines);
}

TEST(CStdioFileExTest, Utf8ByteOrderMarkIsSkipped) {
    test::TempDir dir;
    WriteBytes(dir.file("bom.txt"),
               "\xEF\xBB\xBF"
               "caf\xC3\xA9\r\nnext\r\n");
    const std::vector<std::string> expected = {"caf\xC3\xA9", "next"};
    EXPECT_EQ(ReadLines(dir.file("bom.txt"), 65001), expected);
    EXPECT_EQ(ReadLines(dir.file("bom.txt")), expected);
}

TEST(CStdioFileExTest, LongLinesAndLineEndsAreKept) {
    test::TempDir dir;
    const std::string long_line(10000, 'x');
    const std::string longer_line(100000, 'y');
    WriteBytes(dir.file("long.txt"),
               long_line + "\r\n" + longer_line + "\n" + "mid\rcr\r\n\r\n" + "last");
    const std::vector<std::string> expected = {long_line, longer_line, "mid\rcr", "", "last"};
    EXPECT_EQ(ReadLines(dir.file("long.txt")), expected);

    std::u16string wide(10000, u'\u00e9');
    WriteBytes(dir.file("long16.txt"), "\xFF\xFE" + test::Utf16Le(wide + u"\r\n"));
    std::string utf8;
    for (int i = 0; i < 10000; ++i) utf8 += "\xC3\xA9";
    EXPECT_EQ(ReadLines(dir.file("long16.txt")), std::vector<std::string>{utf8});
}

TEST(CStdioFileExTest, WritesEachEncodingWithItsMark) {
    test::TempDir dir;
    {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(dir.file("u16.mpl"), CStdioFileEx::modeWrite |
                                                       CStdioFileEx::modeCreate |
                                                       CStdioFileEx::modeUnicode));
        EXPECT_TRUE(file.WriteString("/m\xC3\xA9\r\n"));
        EXPECT_TRUE(file.WriteString("b\r\n"));
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(ReadBytes(dir.file("u16.mpl")), "\xFF\xFE" + test::Utf16Le(u"/m\u00e9\r\nb\r\n"));

    {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(dir.file("utf8.srt"), CStdioFileEx::modeWrite));
        file.SetCodePage(65001);
        file.WriteString("\xC3\xA9\n");
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(ReadBytes(dir.file("utf8.srt")), "\xEF\xBB\xBF\xC3\xA9\n");

    {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(dir.file("ansi.txt"), CStdioFileEx::modeWrite));
        file.SetCodePage(1252);
        file.WriteString("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\r\n");
    }  // the destructor commits
    EXPECT_EQ(ReadBytes(dir.file("ansi.txt")), "\xE9\x80?\r\n");
}

TEST(CStdioFileExTest, FailedOrAbortedWritesKeepThePreviousFile) {
    test::TempDir dir;
    WriteBytes(dir.file("keep.txt"), "old\n");
    {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(dir.file("keep.txt"), CStdioFileEx::modeWrite));
        file.WriteString("new\n");
        file.Abort();
    }
    EXPECT_EQ(ReadBytes(dir.file("keep.txt")), "old\n");
    // Nothing but the file itself is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    CStdioFileEx file;
    EXPECT_FALSE(file.Open(dir.file("missing/x.txt"), CStdioFileEx::modeWrite));
    EXPECT_FALSE(file.Open(dir.file("absent.txt"), CStdioFileEx::modeRead));
    EXPECT_FALSE(file.Open(dir.path().string(), CStdioFileEx::modeRead));  // a folder
    std::string line;
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_FALSE(file.WriteString("x"));
}

TEST(CStdioFileExTest, WritingThroughALinkKeepsTheLink) {
    test::TempDir dir;
    WriteBytes(dir.file("real.txt"), "old\n");
    std::filesystem::create_symlink(dir.file("real.txt"), dir.file("link.txt"));
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(dir.file("link.txt"), CStdioFileEx::modeWrite));
    file.WriteString("new\n");
    ASSERT_TRUE(file.Close());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.txt")));
    EXPECT_EQ(ReadBytes(dir.file("real.txt")), "new\n");
}

}  // namespace
}  // namespace zvp
