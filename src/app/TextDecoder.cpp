#include "app/TextDecoder.h"

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace zvp {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

struct IconvCloser {
    void operator()(void* cd) const { ::iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const std::string& to, const std::string& from) {
    iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return IconvHandle();
    return IconvHandle(cd);
}

struct UchardetDeleter {
    void operator()(uchardet_t ud) const { ::uchardet_delete(ud); }
};
using UchardetHandle = std::unique_ptr<std::remove_pointer_t<uchardet_t>, UchardetDeleter>;

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 character at `text[pos]`. Returns its length (0 when the bytes there are
// not a well-formed character) and stores the code point.
size_t DecodeUtf8(std::string_view text, size_t pos, uint32_t& cp) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    size_t length;
    uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(pos + i);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// `text` with every byte that does not start a well-formed character replaced by U+FFFD.
std::string RepairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    uint32_t cp;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = DecodeUtf8(text, pos, cp);
        if (length == 0) {
            out.append(kReplacementUtf8);
            ++pos;
        } else {
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

}  // namespace

bool TextDecoder::IsValidUtf8(std::string_view bytes) {
    uint32_t cp;
    for (size_t pos = 0; pos < bytes.size();) {
        // Fast path over ASCII.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const size_t length = DecodeUtf8(bytes, pos, cp);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

size_t TextDecoder::CharacterLength(std::string_view text, size_t pos) {
    if (pos >= text.size()) return 0;
    uint32_t cp;
    return DecodeUtf8(text, pos, cp);
}

std::string TextDecoder::DetectCharset(std::string_view bytes) {
    UchardetHandle detector(::uchardet_new());
    if (!detector) return std::string();
    // Detection costs far more than conversion; a large text is judged by its lines that
    // hold non-ASCII bytes, up to kDetectionSample bytes of them, wherever they are.
    constexpr size_t kDetectionSample = 64 * 1024;
    std::string sample;
    if (bytes.size() > kDetectionSample) {
        for (size_t pos = 0; pos < bytes.size() && sample.size() < kDetectionSample;) {
            size_t end = bytes.find('\n', pos);
            end = end == std::string_view::npos ? bytes.size() : end + 1;
            const std::string_view line = bytes.substr(pos, end - pos);
            const bool non_ascii = std::any_of(line.begin(), line.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            });
            if (non_ascii) sample.append(line.substr(0, kDetectionSample - sample.size()));
            pos = end;
        }
        bytes = sample;
    }
    if (::uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
        return std::string();
    }
    ::uchardet_data_end(detector.get());
    const char* charset = ::uchardet_get_charset(detector.get());
    return charset ? Upper(charset) : std::string();
}

std::string TextDecoder::LegacyToUtf8(std::string_view bytes, std::string* charset) {
    if (IsValidUtf8(bytes)) {
        if (charset) *charset = "UTF-8";
        return std::string(bytes);
    }
    std::string detected = DetectCharset(bytes);
    // Text that is not valid UTF-8 cannot be ASCII or UTF-8 whatever the detector thinks.
    if (detected.empty() || detected == "ASCII" || detected == "UTF-8") {
        detected = "WINDOWS-1252";
    }
    std::string out;
    if (!ToUtf8(bytes, detected, out)) {
        detected = "WINDOWS-1252";
        ToUtf8(bytes, detected, out);
    }
    if (charset) *charset = detected;
    return out;
}

TextDecoder::Mark TextDecoder::ByteOrderMark(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.substr(0, 4) == "\xFF\xFE\0\0"sv) return Mark::kUtf32Le;
    if (bytes.substr(0, 4) == "\0\0\xFE\xFF"sv) return Mark::kUtf32Be;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF"sv) return Mark::kUtf8;
    if (bytes.substr(0, 2) == "\xFF\xFE"sv) return Mark::kUtf16Le;
    if (bytes.substr(0, 2) == "\xFE\xFF"sv) return Mark::kUtf16Be;
    return Mark::kNone;
}

size_t TextDecoder::MarkLength(Mark mark) {
    switch (mark) {
        case Mark::kUtf32Le:
        case Mark::kUtf32Be:
            return 4;
        case Mark::kUtf8:
            return 3;
        case Mark::kUtf16Le:
        case Mark::kUtf16Be:
            return 2;
        case Mark::kNone:
            break;
    }
    return 0;
}

namespace {

// UTF-32 code units to UTF-8: a unit that is no character (a surrogate, above U+10FFFF) or
// a unit cut short at the end becomes one U+FFFD.
std::string Utf32ToUtf8(std::string_view bytes, bool little) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 4) {
        if (bytes.size() - i < 4) {
            out.append(kReplacementUtf8);
            break;
        }
        uint32_t u = 0;
        for (int b = 0; b < 4; ++b) {
            const uint32_t byte = static_cast<unsigned char>(bytes[i + b]);
            u |= byte << (8 * (little ? b : 3 - b));
        }
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) {
            out.append(kReplacementUtf8);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

bool TextDecoder::MarkedUnicodeToUtf8(std::string_view bytes, Mark mark, std::string& out) {
    const std::string_view text = bytes.substr(std::min(bytes.size(), MarkLength(mark)));
    switch (mark) {
        case Mark::kUtf16Le:
            out = Utf16LeToUtf8(text);
            return true;
        case Mark::kUtf16Be: {
            std::string swapped(text.substr(0, text.size() & ~size_t{1}));
            for (size_t i = 0; i < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
            out = Utf16LeToUtf8(swapped);
            return true;
        }
        case Mark::kUtf32Le:
        case Mark::kUtf32Be:
            out = Utf32ToUtf8(text, mark == Mark::kUtf32Le);
            return true;
        case Mark::kUtf8:
        case Mark::kNone:
            break;
    }
    return false;
}

std::string TextDecoder::FileBytesToUtf8(std::string_view bytes) {
    const Mark mark = ByteOrderMark(bytes);
    std::string out;
    if (MarkedUnicodeToUtf8(bytes, mark, out)) return out;
    if (mark == Mark::kUtf8) {
        bytes.remove_prefix(3);
        // Marked as UTF-8: keep it so, only repairing broken sequences.
        return RepairUtf8(bytes);
    }
    return LegacyToUtf8(bytes);
}

namespace {

// Converts all of `input` with `cd`, appending the result to `out`. At input that cannot be
// converted, `replace(rest, out)` appends a stand-in and returns how many bytes of `rest` it
// stands for (at least one is skipped), and conversion goes on after them.
template <typename Replace>
void ConvertAll(iconv_t cd, std::string_view input, std::string& out, Replace replace) {
    char* in = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char buffer[4096];
    while (true) {
        char* dst = buffer;
        size_t dst_left = sizeof(buffer);
        const size_t rc = in_left > 0 ? ::iconv(cd, &in, &in_left, &dst, &dst_left)
                                      : ::iconv(cd, nullptr, nullptr, &dst, &dst_left);
        const int err = errno;
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (rc != static_cast<size_t>(-1)) {
            if (in_left > 0) continue;
            // Flush any shift state, then done.
            char* flush = buffer;
            size_t flush_left = sizeof(buffer);
            ::iconv(cd, nullptr, nullptr, &flush, &flush_left);
            out.append(buffer, static_cast<size_t>(flush - buffer));
            return;
        }
        if (err == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut short at the end.
        const size_t skip =
            std::min(std::max<size_t>(replace(std::string_view(in, in_left), out), 1), in_left);
        in += skip;
        in_left -= skip;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (in_left == 0) return;
    }
}

}  // namespace

bool TextDecoder::ToUtf8(std::string_view bytes, const std::string& charset, std::string& out) {
    out.clear();
    const std::string upper = Upper(charset);
    if (upper == "UTF-8" || upper == "UTF8") {
        // iconv lets some ill-formed sequences through (lead bytes above F4); repair here.
        out = RepairUtf8(bytes);
        return true;
    }
    IconvHandle cd = OpenIconv("UTF-8", charset);
    if (!cd) return false;
    out.reserve(bytes.size() + bytes.size() / 2 + 16);
    // A byte that cannot be decoded becomes U+FFFD.
    ConvertAll(static_cast<iconv_t>(cd.get()), bytes, out, [](std::string_view, std::string& o) {
        o.append(kReplacementUtf8);
        return size_t{1};
    });
    if (!IsValidUtf8(out)) out = RepairUtf8(out);
    return true;
}

bool TextDecoder::FromUtf8(std::string_view text, const std::string& charset, std::string& out) {
    out.clear();
    IconvHandle cd = OpenIconv(charset, "UTF-8");
    if (!cd) return false;
    out.reserve(text.size() + 16);
    // A character the charset cannot hold, or invalid input: one '?' per character.
    ConvertAll(static_cast<iconv_t>(cd.get()), text, out,
               [](std::string_view rest, std::string& o) {
                   uint32_t cp;
                   o.push_back('?');
                   return DecodeUtf8(rest, 0, cp);
               });
    return true;
}

std::string TextDecoder::Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const size_t units = bytes.size() / 2;
    const auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            out.append(kReplacementUtf8);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::string TextDecoder::Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    const auto put = [&out](uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (size_t pos = 0; pos < text.size();) {
        uint32_t cp;
        size_t length = DecodeUtf8(text, pos, cp);
        if (length == 0) {
            cp = 0xFFFD;
            length = 1;
        }
        pos += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::string TextDecoder::CodePageName(int codePage) {
    switch (codePage) {
        case kSystemCodePage:
        case kUtf8:
            return "UTF-8";
        case 1200:
            return "UTF-16LE";
        case 1201:
            return "UTF-16BE";
        case 20127:
            return "ASCII";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 950:
            return "BIG5";
        case 54936:
            return "GB18030";
        case 51932:
            return "EUC-JP";
        case 51949:
            return "EUC-KR";
        default:
            break;
    }
    if (codePage >= 28591 && codePage <= 28606) {
        return "ISO-8859-" + std::to_string(codePage - 28590);
    }
    return "CP" + std::to_string(codePage);
}

}  // namespace zvp
