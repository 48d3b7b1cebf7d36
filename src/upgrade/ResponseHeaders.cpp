#include "upgrade/ResponseHeaders.h"

#include <vector>

namespace zvp {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    }
    return true;
}

size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (StartsWithNoCase(text.substr(i), needle)) return i;
    }
    return std::string_view::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsCharsetByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '_';
}

std::string_view LeadingDigits(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) ++n;
    return text.substr(0, n);
}

// The header lines of `raw`, without their CR LF or LF.
std::vector<std::string_view> Lines(std::string_view raw) {
    std::vector<std::string_view> lines;
    while (!raw.empty()) {
        const size_t end = raw.find('\n');
        std::string_view line = raw.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        raw.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

ResponseHeaders ResponseHeaders::Parse(std::string_view raw) {
    ResponseHeaders out;
    const size_t charset = FindNoCase(raw, "charset=");
    if (charset != std::string_view::npos) {
        std::string_view rest = raw.substr(charset + 8);
        size_t n = 0;
        while (n < rest.size() && IsCharsetByte(rest[n])) ++n;
        out.charset = std::string(rest.substr(0, n));
    }
    bool haveLength = false;
    bool haveLocation = false;
    for (std::string_view line : Lines(raw)) {
        if (!haveLength && StartsWithNoCase(line, "Content-Length: ")) {
            const std::string_view digits = LeadingDigits(line.substr(16));
            if (!digits.empty()) {
                out.contentLength = std::string(digits);
                haveLength = true;
            }
        } else if (!haveLocation && StartsWithNoCase(line, "Location: ")) {
            const std::string_view digits = LeadingDigits(line.substr(10));
            if (!digits.empty()) {
                out.location = std::string(digits);
                haveLocation = true;
            }
        } else if (StartsWithNoCase(line, "Set-Cookie:")) {
            std::string_view value = line.substr(11);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                value.remove_prefix(1);
            }
            if (value.empty()) continue;
            if (!out.cookies.empty()) out.cookies += ' ';
            out.cookies.append(value);
            out.cookies += ';';
        }
    }
    return out;
}

}  // namespace zvp
