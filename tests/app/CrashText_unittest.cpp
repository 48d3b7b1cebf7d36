#include "app/CrashText.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <string>

namespace zvp {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char out[256];
    const size_t n = FormatCrashText(out, sizeof(out), format, args...);
    EXPECT_EQ(n, std::strlen(out));
    return out;
}

TEST(CrashTextTest, FormatterWidthsAndConversions) {
    EXPECT_EQ(Format("%08x|%04x|%x", 0xc0000094u, 0x33, 0), "c0000094|0033|0");
    EXPECT_EQ(Format("%016llx", 0x7ffe12345678ULL), "00007ffe12345678");
    EXPECT_EQ(Format("%016llx", ~0ULL), "ffffffffffffffff");
    EXPECT_EQ(Format("%x", -1), "ffffffff");  // 32 bits without a length modifier
    EXPECT_EQ(Format("%d|%d|%lld", -5, 2147483647, -9000000000LL), "-5|2147483647|-9000000000");
    EXPECT_EQ(Format("%05d|%5d|%-5d|", -42, 42, 42), "-0042|   42|42   |");
    EXPECT_EQ(Format("%-10lld  File", 1234LL), "1234        File");
    EXPECT_EQ(Format("%u %llu", 4000000000u, 18446744073709551615ULL),
              "4000000000 18446744073709551615");
    EXPECT_EQ(Format("%02d:%02d", 5, 30), "05:30");
    EXPECT_EQ(Format("%s caused %s%%", "zvp", "an X"), "zvp caused an X%");
    EXPECT_EQ(Format("[%5s|%-5s]", "ab", "ab"), "[   ab|ab   ]");
    EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
    // Missing and mistyped arguments, unknown conversions and a dangling '%'.
    EXPECT_EQ(Format("%s|%d|%q|%", 7), "|0|%q|%");
    EXPECT_EQ(Format(nullptr), "");
}

TEST(CrashTextTest, FormatterTruncatesAndTerminates) {
    char out[6];
    EXPECT_EQ(FormatCrashText(out, sizeof(out), "%s", "abcdefgh"), 5u);
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(FormatCrashText(out, sizeof(out), "%016llx", 1ULL), 5u);
    EXPECT_STREQ(out, "00000");
    EXPECT_EQ(FormatCrashText(out, 0, "abc"), 0u);
}

TEST(CrashTextTest, CivilTime) {
    struct Case {
        int64_t seconds;
        const char* text;
    } const cases[] = {
        {0, "1/1/1970 00:00:00"},
        {951782400 + 3661, "2/29/2000 01:01:00"},    // leap day, odd second rounded down
        {1709164800 + 86399, "2/29/2024 23:59:58"},  // leap day's last second
        {1709164800 + 86400, "3/1/2024 00:00:00"},
        {4107542400 - 1, "2/28/2100 23:59:58"},  // 2100 is no leap year
        {4107542400, "3/1/2100 00:00:00"},
        {-1, "12/31/1969 23:59:58"},
    };
    for (const Case& c : cases) {
        char out[64];
        FormatCrashTime(out, sizeof(out), c.seconds);
        EXPECT_STREQ(out, c.text) << c.seconds;
    }
    EXPECT_EQ(CrashCivilTimeFromSeconds(1709164800 + 13).second, 13);
}

TEST(CrashTextTest, Utf8Widening) {
    // "aé€😀" and one stray continuation byte.
    const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\x80";
    EXPECT_EQ(CrashUtf16Length(text.data(), text.size()), 6u);
    unsigned char out[32];
    size_t consumed = 0;
    const size_t n = CrashUtf8ToUtf16Le(text.data(), text.size(), out, sizeof(out), &consumed);
    const unsigned char expected[] = {'a',  0,    0xe9, 0,    0xac, 0x20,
                                      0x3d, 0xd8, 0x00, 0xde, 0xfd, 0xff};
    ASSERT_EQ(n, sizeof(expected));
    EXPECT_EQ(std::memcmp(out, expected, n), 0);
    EXPECT_EQ(consumed, text.size());
    // A pair never splits: with room for 7 bytes, the emoji waits for the next call.
    EXPECT_EQ(CrashUtf8ToUtf16Le(text.data(), text.size(), out, 7, &consumed), 6u);
    EXPECT_EQ(consumed, 6u);
    // Overlong and surrogate encodings are refused byte by byte.
    EXPECT_EQ(CrashUtf16Length("\xc0\xaf\xed\xa0\x80", 5), 5u);
}

TEST(CrashTextTest, ExceptionCodesAndNames) {
    struct Case {
        int signo;
        int code;
        bool overflow;
        bool uncaught;
        uint32_t expected;
        const char* name;
    } const cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, false, 0xC0000005, "an Access Violation"},
        {SIGSEGV, SEGV_MAPERR, true, false, 0xC00000FD, "a Stack Overflow"},
        {SIGBUS, BUS_ADRALN, false, false, 0x80000002, "a Datatype Misalignment"},
        {SIGBUS, BUS_ADRERR, false, false, 0xC0000006, "an In Page Error"},
        {SIGILL, ILL_PRVOPC, false, false, 0xC0000096, "a Privileged Instruction"},
        {SIGILL, ILL_PRVREG, false, false, 0xC0000096, "a Privileged Instruction"},
        {SIGILL, ILL_ILLOPN, false, false, 0xC000001D, "an Illegal Instruction"},
        {SIGFPE, FPE_INTDIV, false, false, 0xC0000094, "an Integer Divide by Zero"},
        {SIGFPE, FPE_INTOVF, false, false, 0xC0000095, "an Integer Overflow"},
        {SIGFPE, FPE_FLTDIV, false, false, 0xC000008E, "a Float Divide by Zero"},
        {SIGFPE, FPE_FLTOVF, false, false, 0xC0000091, "a Float Overflow"},
        {SIGFPE, FPE_FLTUND, false, false, 0xC0000093, "a Float Underflow"},
        {SIGFPE, FPE_FLTRES, false, false, 0xC000008F, "a Float Inexact Result"},
        {SIGFPE, FPE_FLTINV, false, false, 0xC0000090, "a Float Invalid Operation"},
        {SIGFPE, FPE_FLTSUB, false, false, 0xC000008C, "a Array Bounds Exceeded"},
        {SIGABRT, SI_TKILL, false, true, 0xE06D7363, "a Microsoft C++ Exception"},
        {SIGABRT, SI_TKILL, false, false, 0x40000015, "an Unknown exception type"},
    };
    for (const Case& c : cases) {
        const uint32_t code = CrashExceptionCode(c.signo, c.code, c.overflow, c.uncaught);
        EXPECT_EQ(code, c.expected) << c.signo << "/" << c.code;
        EXPECT_STREQ(CrashExceptionName(code), c.name);
    }
    EXPECT_STREQ(CrashErrnoName(ENOTDIR), "ENOTDIR");
    EXPECT_STREQ(CrashErrnoName(-3), "EUNKNOWN");
}

}  // namespace
}  // namespace zvp
