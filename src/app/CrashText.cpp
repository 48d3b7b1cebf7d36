#include "app/CrashText.h"

#include <signal.h>

#include <cerrno>

namespace zvp {

namespace {

// Appends to a fixed buffer, dropping what does not fit.
class Sink {
  public:
    Sink(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
    void Put(char c) {
        if (length_ + 1 < capacity_) out_[length_++] = c;
    }
    void Repeat(char c, int count) {
        for (int i = 0; i < count; ++i) Put(c);
    }
    size_t Finish() {
        if (capacity_ > 0) out_[length_] = '\0';
        return length_;
    }

  private:
    char* out_;
    size_t capacity_;
    size_t length_ = 0;
};

size_t TextLength(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// Writes `digits` (most significant first) with sign, width and padding.
void PutField(Sink& sink, const char* digits, int count, bool negative, int width, bool left,
              bool zero) {
    const int body = count + (negative ? 1 : 0);
    const int pad = width > body ? width - body : 0;
    if (!left && !zero) sink.Repeat(' ', pad);
    if (negative) sink.Put('-');
    if (!left && zero) sink.Repeat('0', pad);
    for (int i = 0; i < count; ++i) sink.Put(digits[i]);
    if (left) sink.Repeat(' ', pad);
}

void PutNumber(Sink& sink, unsigned long long value, unsigned base, bool upper, bool negative,
               int width, bool left, bool zero) {
    const char* table = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    int count = 0;
    do {
        reversed[count++] = table[value % base];
        value /= base;
    } while (value != 0);
    char digits[24];
    for (int i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
    PutField(sink, digits, count, negative, width, left, zero);
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Decodes one code point at `in` (size > 0); sets `*used` to the bytes taken. Malformed,
// overlong, surrogate and out-of-range sequences decode as U+FFFD, taking one byte.
uint32_t DecodeOne(const unsigned char* in, size_t size, size_t* used) {
    const unsigned char lead = in[0];
    *used = 1;
    if (lead < 0x80) return lead;
    int extra;
    uint32_t cp;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (size < static_cast<size_t>(extra) + 1) return 0xFFFD;
    for (int i = 1; i <= extra; ++i) {
        if (!IsContinuation(in[i])) return 0xFFFD;
        cp = (cp << 6) | (in[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    *used = static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

size_t FormatCrashTextList(char* out, size_t capacity, const char* format,
                           const CrashFormatArg* args, size_t count) {
    Sink sink(out, capacity);
    size_t next = 0;
    auto take = [&]() -> const CrashFormatArg* { return next < count ? &args[next++] : nullptr; };
    const char* p = format ? format : "";
    while (*p != '\0') {
        if (*p != '%') {
            sink.Put(*p++);
            continue;
        }
        const char* start = p++;
        bool left = false;
        bool zero = false;
        for (;; ++p) {
            if (*p == '-') {
                left = true;
            } else if (*p == '0') {
                zero = true;
            } else {
                break;
            }
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') {
            if (width <= 64) width = width * 10 + (*p - '0');
            ++p;
        }
        if (width > 64) width = 64;
        bool wide = false;
        while (*p == 'l' || *p == 'h') {
            if (*p == 'l') wide = true;
            ++p;
        }
        const char conversion = *p;
        if (conversion == '\0') {
            for (const char* q = start; q < p; ++q) sink.Put(*q);
            break;
        }
        ++p;
        switch (conversion) {
            case '%':
                sink.Put('%');
                break;
            case 's': {
                const CrashFormatArg* arg = take();
                const char* text =
                    arg && arg->kind == CrashFormatArg::Kind::kText && arg->text ? arg->text : "";
                const size_t length = TextLength(text);
                const int shown = length > 4096 ? 4096 : static_cast<int>(length);
                const int pad = width > shown ? width - shown : 0;
                if (!left) sink.Repeat(' ', pad);
                for (size_t i = 0; i < length; ++i) sink.Put(text[i]);
                if (left) sink.Repeat(' ', pad);
                break;
            }
            case 'c': {
                const CrashFormatArg* arg = take();
                const char c = arg && arg->kind == CrashFormatArg::Kind::kInteger
                                   ? static_cast<char>(arg->bits)
                                   : '\0';
                if (!left) sink.Repeat(' ', width > 1 ? width - 1 : 0);
                if (c != '\0') sink.Put(c);
                if (left) sink.Repeat(' ', width > 1 ? width - 1 : 0);
                break;
            }
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X': {
                const CrashFormatArg* arg = take();
                unsigned long long bits =
                    arg && arg->kind == CrashFormatArg::Kind::kInteger ? arg->bits : 0;
                bool negative = false;
                if (conversion == 'd' || conversion == 'i') {
                    long long value = wide ? static_cast<long long>(bits)
                                           : static_cast<long long>(static_cast<int32_t>(bits));
                    negative = value < 0;
                    // Negating through unsigned keeps LLONG_MIN defined.
                    bits = negative ? 0ULL - static_cast<unsigned long long>(value)
                                    : static_cast<unsigned long long>(value);
                } else if (!wide) {
                    bits &= 0xFFFFFFFFULL;
                }
                const unsigned base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
                PutNumber(sink, bits, base, conversion == 'X', negative, width, left, zero);
                break;
            }
            default:
                for (const char* q = start; q < p; ++q) sink.Put(*q);
                break;
        }
    }
    return sink.Finish();
}

CrashCivilTime CrashCivilTimeFromSeconds(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days to a proleptic Gregorian date, counting eras of 400 years from 0000-03-01.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    CrashCivilTime t{};
    t.year = static_cast<int>(year);
    t.month = static_cast<int>(month);
    t.day = static_cast<int>(day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

size_t FormatCrashTime(char* out, size_t capacity, int64_t seconds) {
    const CrashCivilTime t = CrashCivilTimeFromSeconds(seconds);
    return FormatCrashText(out, capacity, "%d/%d/%d %02d:%02d:%02d", t.month, t.day, t.year, t.hour,
                           t.minute, t.second & ~1);
}

size_t CrashUtf16Length(const char* utf8, size_t size) {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8);
    size_t units = 0;
    size_t i = 0;
    while (i < size) {
        size_t used;
        const uint32_t cp = DecodeOne(in + i, size - i, &used);
        units += cp > 0xFFFF ? 2 : 1;
        i += used;
    }
    return units;
}

size_t CrashUtf8ToUtf16Le(const char* utf8, size_t size, unsigned char* out, size_t capacity,
                          size_t* consumed) {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8);
    size_t i = 0;
    size_t written = 0;
    while (i < size) {
        size_t used;
        const uint32_t cp = DecodeOne(in + i, size - i, &used);
        if (cp > 0xFFFF) {
            if (written + 4 > capacity) break;
            const uint32_t v = cp - 0x10000;
            const uint32_t high = 0xD800 + (v >> 10);
            const uint32_t low = 0xDC00 + (v & 0x3FF);
            out[written++] = static_cast<unsigned char>(high);
            out[written++] = static_cast<unsigned char>(high >> 8);
            out[written++] = static_cast<unsigned char>(low);
            out[written++] = static_cast<unsigned char>(low >> 8);
        } else {
            if (written + 2 > capacity) break;
            out[written++] = static_cast<unsigned char>(cp);
            out[written++] = static_cast<unsigned char>(cp >> 8);
        }
        i += used;
    }
    if (consumed) *consumed = i;
    return written;
}

uint32_t CrashExceptionCode(int signo, int siCode, bool stackOverflow, bool uncaughtException) {
    switch (signo) {
        case SIGSEGV:
            return stackOverflow ? 0xC00000FD : 0xC0000005;
        case SIGBUS:
            return siCode == BUS_ADRALN ? 0x80000002 : 0xC0000006;
        case SIGILL:
            return (siCode == ILL_PRVOPC || siCode == ILL_PRVREG) ? 0xC0000096 : 0xC000001D;
        case SIGFPE:
            switch (siCode) {
                case FPE_INTDIV:
                    return 0xC0000094;
                case FPE_INTOVF:
                    return 0xC0000095;
                case FPE_FLTDIV:
                    return 0xC000008E;
                case FPE_FLTOVF:
                    return 0xC0000091;
                case FPE_FLTUND:
                    return 0xC0000093;
                case FPE_FLTRES:
                    return 0xC000008F;
                case FPE_FLTINV:
                    return 0xC0000090;
                case FPE_FLTSUB:
                    return 0xC000008C;
                default:
                    return 0x40000015;
            }
        case SIGABRT:
            return uncaughtException ? 0xE06D7363 : 0x40000015;
        default:
            return 0x40000015;
    }
}

const char* CrashExceptionName(uint32_t code) {
    struct Entry {
        uint32_t code;
        const char* name;
    };
    static constexpr Entry kNames[] = {
        {0x40010005, "a Control-C"},
        {0x40010008, "a Control-Break"},
        {0x80000002, "a Datatype Misalignment"},
        {0x80000003, "a Breakpoint"},
        {0xC0000005, "an Access Violation"},
        {0xC0000006, "an In Page Error"},
        {0xC0000017, "a No Memory"},
        {0xC000001D, "an Illegal Instruction"},
        {0xC0000025, "a Noncontinuable Exception"},
        {0xC0000026, "an Invalid Disposition"},
        {0xC000008C, "a Array Bounds Exceeded"},
        {0xC000008D, "a Float Denormal Operand"},
        {0xC000008E, "a Float Divide by Zero"},
        {0xC000008F, "a Float Inexact Result"},
        {0xC0000090, "a Float Invalid Operation"},
        {0xC0000091, "a Float Overflow"},
        {0xC0000092, "a Float Stack Check"},
        {0xC0000093, "a Float Underflow"},
        {0xC0000094, "an Integer Divide by Zero"},
        {0xC0000095, "an Integer Overflow"},
        {0xC0000096, "a Privileged Instruction"},
        {0xC00000FD, "a Stack Overflow"},
        {0xC0000142, "a DLL Initialization Failed"},
        {0xE06D7363, "a Microsoft C++ Exception"},
    };
    for (const Entry& entry : kNames) {
        if (entry.code == code) return entry.name;
    }
    return "an Unknown exception type";
}

const char* CrashErrnoName(int error) {
    switch (error) {
        case EPERM:
            return "EPERM";
        case ENOENT:
            return "ENOENT";
        case EINTR:
            return "EINTR";
        case EIO:
            return "EIO";
        case ENXIO:
            return "ENXIO";
        case EBADF:
            return "EBADF";
        case EAGAIN:
            return "EAGAIN";
        case ENOMEM:
            return "ENOMEM";
        case EACCES:
            return "EACCES";
        case EFAULT:
            return "EFAULT";
        case EBUSY:
            return "EBUSY";
        case EEXIST:
            return "EEXIST";
        case EXDEV:
            return "EXDEV";
        case ENODEV:
            return "ENODEV";
        case ENOTDIR:
            return "ENOTDIR";
        case EISDIR:
            return "EISDIR";
        case EINVAL:
            return "EINVAL";
        case ENFILE:
            return "ENFILE";
        case EMFILE:
            return "EMFILE";
        case ETXTBSY:
            return "ETXTBSY";
        case EFBIG:
            return "EFBIG";
        case ENOSPC:
            return "ENOSPC";
        case ESPIPE:
            return "ESPIPE";
        case EROFS:
            return "EROFS";
        case EMLINK:
            return "EMLINK";
        case EPIPE:
            return "EPIPE";
        case ENAMETOOLONG:
            return "ENAMETOOLONG";
        case ELOOP:
            return "ELOOP";
        case EOVERFLOW:
            return "EOVERFLOW";
        case EDQUOT:
            return "EDQUOT";
        case ESTALE:
            return "ESTALE";
        default:
            return "EUNKNOWN";
    }
}

}  // namespace zvp
