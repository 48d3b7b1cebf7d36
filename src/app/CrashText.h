#pragma once

#include <cstddef>
#include <cstdint>

namespace zvp {

// Text helpers of the crash handler. None of them allocates, locks, reads the locale or
// calls into libc beyond plain memory access, so each may run inside a signal handler. All
// are pure functions of their arguments; any thread.

// One argument of FormatCrashText: an integer or a UTF-8 text (null reads as "").
struct CrashFormatArg {
    enum class Kind : uint8_t { kInteger, kText };
    Kind kind = Kind::kInteger;
    unsigned long long bits = 0;  // the integer, sign-extended to 64 bits
    const char* text = nullptr;

    constexpr CrashFormatArg(int v) : bits(static_cast<unsigned long long>(v)) {}
    constexpr CrashFormatArg(long v) : bits(static_cast<unsigned long long>(v)) {}
    constexpr CrashFormatArg(long long v) : bits(static_cast<unsigned long long>(v)) {}
    constexpr CrashFormatArg(unsigned v) : bits(v) {}
    constexpr CrashFormatArg(unsigned long v) : bits(v) {}
    constexpr CrashFormatArg(unsigned long long v) : bits(v) {}
    constexpr CrashFormatArg(char v) : bits(static_cast<unsigned char>(v)) {}
    constexpr CrashFormatArg(const char* v) : kind(Kind::kText), text(v) {}
};

// Formats into `out` (at most `capacity` - 1 bytes, always NUL-terminated when capacity > 0)
// and returns the length written. Conversions: %s, %d (%i), %u, %x (%X), %c and %%, each with
// an optional '-' (left-justify) or '0' (zero pad) flag, a width up to 64 and the length
// modifiers h, l and ll (accepted, all values being 64-bit). %d takes the low 32 bits as
// signed unless a length modifier says long; %u and %x likewise unsigned. A missing or
// mistyped argument formats as 0 or "". Unknown conversions are copied as they stand.
size_t FormatCrashTextList(char* out, size_t capacity, const char* format,
                           const CrashFormatArg* args, size_t count);

template <typename... Args>
size_t FormatCrashText(char* out, size_t capacity, const char* format, Args... args) {
    const CrashFormatArg list[] = {CrashFormatArg(args)..., CrashFormatArg(0)};
    return FormatCrashTextList(out, capacity, format, list, sizeof...(Args));
}

// A civil date and time of day.
struct CrashCivilTime {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
};

// The civil time `seconds` after 1970-01-01 00:00:00 (negative values count backwards).
CrashCivilTime CrashCivilTimeFromSeconds(int64_t seconds);

// "month/day/year hh:mm:ss" for `seconds` after the epoch, seconds rounded down to an even
// number as a DOS time holds them. Returns the length written.
size_t FormatCrashTime(char* out, size_t capacity, int64_t seconds);

// The number of UTF-16 units that `size` bytes of UTF-8 widen to. Invalid bytes count as one
// U+FFFD each; code points above U+FFFF take two units.
size_t CrashUtf16Length(const char* utf8, size_t size);

// Widens UTF-8 to UTF-16LE bytes as CrashUtf16Length counts them. Writes at most `capacity`
// bytes, never splitting a character (nor a surrogate pair); returns the bytes written and
// sets `*consumed` to the input bytes used.
size_t CrashUtf8ToUtf16Le(const char* utf8, size_t size, unsigned char* out, size_t capacity,
                          size_t* consumed);

// The exception code for a fault signal: the signal, its si_code, whether a SIGSEGV is a stack
// overflow and whether a SIGABRT follows an uncaught C++ exception.
uint32_t CrashExceptionCode(int signo, int siCode, bool stackOverflow, bool uncaughtException);

// The article and name for an exception code ("an Integer Divide by Zero"); "an Unknown
// exception type" for codes outside the table.
const char* CrashExceptionName(uint32_t code);

// The symbolic name of an errno value ("ENOTDIR"); "EUNKNOWN" for values outside the table.
const char* CrashErrnoName(int error);

}  // namespace zvp
