#include "playlist/CPlaylistFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "app/AtomicFileWriter.h"
#include "app/Logger.h"
#include "app/TextDecoder.h"
#include "app/WholeFile.h"

namespace zvp {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kUtf16Mark = "\xFF\xFE"sv;
constexpr std::string_view kUtf16LineEnd = "\r\0\n\0"sv;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD"sv;  // U+FFFD
// A byte that is no part of a UTF-8 character is stored as the lone low surrogate kByteEscape
// + byte; only bytes 0x80 to 0xFF ever are, as ASCII is always well-formed.
constexpr uint32_t kByteEscape = 0xDC00;

std::string_view SourceName(std::string_view source) {
    return source.empty() ? "playlist data"sv : source;
}

uint32_t UnitAt(std::string_view bytes, size_t index) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * index])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * index + 1])) << 8);
}

bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// One UTF-16LE line (no line end) as the row's bytes: escaped bytes come back as themselves,
// everything else goes through TextDecoder.
std::string DecodeUtf16Line(std::string_view line) {
    const size_t units = line.size() / 2;
    std::string row;
    size_t run = 0;  // first unit not yet converted
    for (size_t i = 0; i < units; ++i) {
        const uint32_t unit = UnitAt(line, i);
        if (unit < kByteEscape + 0x80 || unit > kByteEscape + 0xFF) continue;
        if (i > 0 && IsHighSurrogate(UnitAt(line, i - 1))) continue;  // half of a pair
        row += TextDecoder::Utf16LeToUtf8(line.substr(2 * run, 2 * (i - run)));
        row.push_back(static_cast<char>(unit - kByteEscape));
        run = i + 1;
    }
    if (run == 0) return TextDecoder::Utf16LeToUtf8(line);
    row += TextDecoder::Utf16LeToUtf8(line.substr(2 * run));
    return row;
}

void ParseUtf16(std::string_view body, std::vector<std::string>& rows, size_t& nulLines) {
    const size_t units = body.size() / 2;  // an odd last byte is dropped
    size_t start = 0;
    bool has_nul = false;
    for (size_t i = 0; i <= units; ++i) {
        const bool at_end = i == units;
        const uint32_t unit = at_end ? 0 : UnitAt(body, i);
        if (!at_end && unit != '\n') {
            has_nul = has_nul || unit == 0;
            continue;
        }
        if (at_end && start == units) break;  // nothing follows a final LF
        size_t end = i;
        if (end > start && UnitAt(body, end - 1) == '\r') --end;
        if (has_nul) {
            ++nulLines;
        } else {
            rows.push_back(DecodeUtf16Line(body.substr(2 * start, 2 * (end - start))));
        }
        start = i + 1;
        has_nul = false;
    }
}

// How many bytes at the end of `bytes` are the start of a UTF-8 character cut short: 1 to 3,
// or 0 when the text does not end inside a character.
size_t CutCharacterLength(std::string_view bytes) {
    for (size_t k = 1; k <= 3 && k <= bytes.size(); ++k) {
        const auto lead = static_cast<unsigned char>(bytes[bytes.size() - k]);
        if ((lead & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        size_t length = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        }
        return length > k ? k : 0;
    }
    return 0;
}

// An 8-bit file's bytes (no NUL) as UTF-8 text.
std::string Decode8Bit(std::string_view bytes) {
    const TextDecoder::Mark mark = TextDecoder::ByteOrderMark(bytes);
    if (mark == TextDecoder::Mark::kNone || mark == TextDecoder::Mark::kUtf8) {
        // UTF-8 cut inside its last character would otherwise be read as a legacy code page
        // (every non-ASCII row changed) or end in one U+FFFD per byte.
        const std::string_view body = bytes.substr(TextDecoder::MarkLength(mark));
        const size_t cut = CutCharacterLength(body);
        const std::string_view whole = body.substr(0, body.size() - cut);
        if (cut > 0 && TextDecoder::IsValidUtf8(whole)) {
            std::string text(whole);
            text.append(kReplacementUtf8);
            return text;
        }
    }
    return TextDecoder::FileBytesToUtf8(bytes);
}

void Parse8Bit(std::string_view text, std::vector<std::string>& rows, size_t& nulLines) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos) {
            ++nulLines;
        } else {
            rows.emplace_back(line);
        }
        start = next;
    }
}

// Appends `path` as UTF-16LE code units, escaping each byte that is no part of a UTF-8
// character.
void AppendUtf16(std::string_view path, std::string& out) {
    size_t run = 0;  // first byte of the well-formed stretch not yet converted
    for (size_t pos = 0; pos < path.size();) {
        if (static_cast<unsigned char>(path[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const size_t length = TextDecoder::CharacterLength(path, pos);
        if (length > 0) {
            pos += length;
            continue;
        }
        out += TextDecoder::Utf8ToUtf16Le(path.substr(run, pos - run));
        const uint32_t unit = kByteEscape + static_cast<unsigned char>(path[pos]);
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
        run = ++pos;
    }
    out += TextDecoder::Utf8ToUtf16Le(path.substr(run));
}

const char* ReadFailureReason(int err, char* buffer, size_t size) {
    switch (err) {
        case EFBIG:
            return "larger than 256 MiB";
        case EISDIR:
            return "it is a folder";
        case EINVAL:
            return "not a regular file";
        default:
            return ::strerror_r(err, buffer, size);
    }
}

}  // namespace

std::optional<std::vector<std::string>> CPlaylistFile::Parse(std::string_view bytes,
                                                             std::string_view source) {
    std::vector<std::string> rows;
    size_t nul_lines = 0;
    if (bytes.substr(0, kUtf16Mark.size()) == kUtf16Mark) {
        ParseUtf16(bytes.substr(kUtf16Mark.size()), rows, nul_lines);
    } else {
        if (bytes.find('\0') != std::string_view::npos) {
            const std::string_view name = SourceName(source);
            Log(LogPoint{"CPlaylistFile::Parse", kLogInfo},
                "%.*s is not a playlist: 8-bit text holding a NUL byte",
                static_cast<int>(name.size()), name.data());
            return std::nullopt;
        }
        Parse8Bit(Decode8Bit(bytes), rows, nul_lines);
    }
    if (nul_lines > 0) {
        const std::string_view name = SourceName(source);
        Log(LogPoint{"CPlaylistFile::Parse", kLogInfo}, "%.*s: skipped %zu line(s) holding U+0000",
            static_cast<int>(name.size()), name.data(), nul_lines);
    }
    return rows;
}

std::string CPlaylistFile::Serialize(std::span<const std::string> paths, std::string_view target) {
    // UTF-16 takes at most two bytes for each byte of UTF-8 (escaped bytes included).
    size_t capacity = kUtf16Mark.size();
    for (const std::string& path : paths) capacity += 2 * path.size() + kUtf16LineEnd.size();
    std::string out;
    size_t left_out = 0;
    for (const std::string& path : paths) {
        if (path.find_first_of("\n\0"sv) != std::string::npos) {
            ++left_out;
            continue;
        }
        if (out.empty()) {
            out.reserve(capacity);
            out += kUtf16Mark;
        }
        AppendUtf16(path, out);
        out += kUtf16LineEnd;
    }
    if (left_out > 0) {
        const std::string_view name = SourceName(target);
        Log(LogPoint{"CPlaylistFile::Serialize", kLogInfo},
            "%.*s: left out %zu path(s) holding a line feed or NUL", static_cast<int>(name.size()),
            name.data(), left_out);
    }
    return out;
}

bool CPlaylistFile::Read(const std::string& path, std::vector<std::string>& rows) {
    std::string bytes;
    if (!ReadWholeFile(path, kMaxTextFileSize, bytes)) {
        const int err = errno;
        char buffer[128];
        Log(LogPoint{"CPlaylistFile::Read", kLogInfo}, "Cannot read playlist %s: %s", path.c_str(),
            ReadFailureReason(err, buffer, sizeof(buffer)));
        return false;
    }
    std::optional<std::vector<std::string>> parsed = Parse(bytes, path);
    if (!parsed) return false;
    rows = std::move(*parsed);
    return true;
}

bool CPlaylistFile::Write(const std::string& path, std::span<const std::string> paths) {
    if (!AtomicFileWriter::WriteFile(path, Serialize(paths, path))) {
        const int err = errno;
        char buffer[128];
        Log(LogPoint{"CPlaylistFile::Write", kLogError}, "Cannot write playlist %s: %s",
            path.c_str(), ::strerror_r(err, buffer, sizeof(buffer)));
        return false;
    }
    return true;
}

}  // namespace zvp
