#include "app/TextDecoder.h"

#include <gtest/gtest.h>

namespace zvp {
namespace {

TEST(TextDecoderTest, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(TextDecoder::IsValidUtf8(""));
    EXPECT_TRUE(TextDecoder::IsValidUtf8("plain"));
    EXPECT_TRUE(TextDecoder::IsValidUtf8("Jos\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"));
    EXPECT_FALSE(TextDecoder::IsValidUtf8("caf\xE9"));           // Latin-1
    EXPECT_FALSE(TextDecoder::IsValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(TextDecoder::IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(TextDecoder::IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(TextDecoder::IsValidUtf8("ab\xE2\x82"));        // truncated at the end
}

TEST(TextDecoderTest, LegacyTextIsDetectedAndConverted) {
    std::string charset;
    EXPECT_EQ(TextDecoder::LegacyToUtf8("valid \xC3\xA9", &charset), "valid \xC3\xA9");
    EXPECT_EQ(charset, "UTF-8");

    const std::string latin1 =
        "L'\xE9t\xE9 \xE0 la plage, tr\xE8s agr\xE9"
        "able. Jos\xE9 et M\xFAsica.\r\n";
    EXPECT_EQ(TextDecoder::LegacyToUtf8(latin1),
              "L'\xC3\xA9t\xC3\xA9 \xC3\xA0 la plage, tr\xC3\xA8s agr\xC3\xA9"
              "able. "
              "Jos\xC3\xA9 et M\xC3\xBAsica.\r\n");

    // Windows-1251 Cyrillic: "Текст на русском языке"
    const std::string cp1251 =
        "\xD2\xE5\xEA\xF1\xF2 \xED\xE0 \xF0\xF3\xF1\xF1\xEA\xEE\xEC \xFF\xE7\xFB\xEA\xE5";
    EXPECT_EQ(TextDecoder::LegacyToUtf8(cp1251),
              "\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 \xD0\xBD\xD0\xB0 "
              "\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xBE\xD0\xBC "
              "\xD1\x8F\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB5");

    // In a large file the only non-ASCII text may come late; it still decides.
    std::string large;
    while (large.size() < 300 * 1024) large += "plain ASCII line of a long playlist\r\n";
    EXPECT_EQ(TextDecoder::LegacyToUtf8(large + cp1251).substr(large.size()),
              TextDecoder::LegacyToUtf8(cp1251));

    // Whatever is detected, the result is valid UTF-8.
    const std::string noise("\x80\xFF\x00\x81\xFE", 5);
    EXPECT_TRUE(TextDecoder::IsValidUtf8(TextDecoder::LegacyToUtf8(noise)));
}

TEST(TextDecoderTest, FileBytesHonourByteOrderMarks) {
    EXPECT_EQ(TextDecoder::FileBytesToUtf8(std::string("\xFF\xFE"
                                                       "a\0\xE9\0",
                                                       6)),
              "a\xC3\xA9");
    EXPECT_EQ(TextDecoder::FileBytesToUtf8("\xEF\xBB\xBF"
                                           "a\xC3\xA9"),
              "a\xC3\xA9");
    EXPECT_EQ(TextDecoder::FileBytesToUtf8("abc"), "abc");

    // The 4-byte marks come first: FF FE 00 00 is UTF-32LE, not UTF-16LE with a U+0000.
    using namespace std::string_literals;
    const std::string u32le = "\xFF\xFE\0\0a\0\0\0\xE9\0\0\0\x1E\xD1\x01\0"s;
    const std::string u32be = "\0\0\xFE\xFF\0\0\0a\0\0\0\xE9\0\x01\xD1\x1E"s;
    EXPECT_EQ(TextDecoder::ByteOrderMark(u32le), TextDecoder::Mark::kUtf32Le);
    EXPECT_EQ(TextDecoder::ByteOrderMark(u32be), TextDecoder::Mark::kUtf32Be);
    EXPECT_EQ(TextDecoder::ByteOrderMark("\xFF\xFE\0a"s), TextDecoder::Mark::kUtf16Le);
    EXPECT_EQ(TextDecoder::ByteOrderMark("\xFE\xFF"), TextDecoder::Mark::kUtf16Be);
    EXPECT_EQ(TextDecoder::ByteOrderMark("\xEF\xBB"), TextDecoder::Mark::kNone);
    EXPECT_EQ(TextDecoder::FileBytesToUtf8(u32le), "a\xC3\xA9\xF0\x9D\x84\x9E");
    EXPECT_EQ(TextDecoder::FileBytesToUtf8(u32be), "a\xC3\xA9\xF0\x9D\x84\x9E");
    EXPECT_EQ(TextDecoder::FileBytesToUtf8("\xFE\xFF\0a\0\xE9"s), "a\xC3\xA9");
    // A code unit cut short or out of range is replaced, never read past.
    EXPECT_EQ(TextDecoder::FileBytesToUtf8("\xFF\xFE\0\0a\0\0\0\0\0\x11\0b\0"s),
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextDecoderTest, Utf16RoundTripAndBrokenInput) {
    const std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC";  // A é € 🎬
    const std::string utf16 = TextDecoder::Utf8ToUtf16Le(text);
    EXPECT_EQ(utf16, std::string("A\0\xE9\0\xAC\x20\x3C\xD8\xAC\xDF", 10));
    EXPECT_EQ(TextDecoder::Utf16LeToUtf8(utf16), text);

    // An unpaired surrogate becomes U+FFFD; an odd last byte is dropped.
    EXPECT_EQ(TextDecoder::Utf16LeToUtf8(std::string("\x3C\xD8"
                                                     "a\0"
                                                     "b",
                                                     5)),
              "\xEF\xBF\xBD"
              "a");
    // Invalid UTF-8 is written as U+FFFD.
    EXPECT_EQ(TextDecoder::Utf8ToUtf16Le("\xFF"), "\xFD\xFF");
}

TEST(TextDecoderTest, CodePageConversions) {
    std::string out;
    ASSERT_TRUE(TextDecoder::FromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD",
                                      TextDecoder::CodePageName(1252), out));
    EXPECT_EQ(out, "caf\xE9 \x80 ?");  // the CJK character has no Windows-1252 form
    ASSERT_TRUE(TextDecoder::ToUtf8("caf\xE9 \x80", TextDecoder::CodePageName(1252), out));
    EXPECT_EQ(out, "caf\xC3\xA9 \xE2\x82\xAC");
    // Bytes the code page leaves undefined do not stop the conversion.
    ASSERT_TRUE(
        TextDecoder::ToUtf8("a\x81"
                            "b",
                            "CP1252", out));
    EXPECT_EQ(out,
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_FALSE(TextDecoder::ToUtf8("x", "NO-SUCH-CHARSET", out));
    // Text said to be UTF-8 comes out well-formed whatever it holds.
    ASSERT_TRUE(
        TextDecoder::ToUtf8("a\xF6\x9C\x9E\x9F"
                            "b",
                            "UTF-8", out));
    EXPECT_EQ(out,
              "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");

    EXPECT_EQ(TextDecoder::CodePageName(65001), "UTF-8");
    EXPECT_EQ(TextDecoder::CodePageName(28591), "ISO-8859-1");
    EXPECT_EQ(TextDecoder::CodePageName(932), "CP932");
}

}  // namespace
}  // namespace zvp
