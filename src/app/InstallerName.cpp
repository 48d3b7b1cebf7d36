#include "app/InstallerName.h"

namespace zvp {
namespace {

constexpr std::string_view kSuffixes[] = {".run", ".AppImage", ".deb"};

bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '+' || c == '-';
}

}  // namespace

bool ParseVersionTriple(std::string_view text, std::array<uint32_t, 3>& out) {
    std::array<uint32_t, 3> numbers{};
    for (size_t part = 0; part < 3; ++part) {
        const size_t end = part < 2 ? text.find('.') : text.size();
        if (end == std::string_view::npos) return false;
        const std::string_view digits = text.substr(0, end);
        if (digits.empty() || digits.size() > 9) return false;
        uint32_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<uint32_t>(c - '0');
        }
        numbers[part] = value;
        text.remove_prefix(part < 2 ? end + 1 : end);
    }
    out = numbers;
    return true;
}

std::optional<InstallerName> ParseInstallerName(std::string_view text) {
    while (!text.empty()) {
        const char last = text.back();
        if (last != '\r' && last != '\n' && last != ' ' && last != '\t') break;
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > kMaxInstallerNameLength) return std::nullopt;
    for (char c : text) {
        if (!IsNameByte(c)) return std::nullopt;
    }
    if (text.front() == '.' || text.front() == '-') return std::nullopt;
    if (text.find("..") != std::string_view::npos) return std::nullopt;
    bool suffixOk = false;
    for (std::string_view suffix : kSuffixes) {
        suffixOk = suffixOk || text.ends_with(suffix);
    }
    if (!suffixOk) return std::nullopt;
    const size_t underscore = text.rfind('_');
    const size_t dot = text.rfind('.');
    if (underscore == std::string_view::npos || dot <= underscore) return std::nullopt;
    InstallerName result;
    if (!ParseVersionTriple(text.substr(underscore + 1, dot - underscore - 1), result.version)) {
        return std::nullopt;
    }
    result.name = std::string(text);
    return result;
}

bool IsExecutableInstallerName(std::string_view name) {
    return name.ends_with(".run") || name.ends_with(".AppImage");
}

}  // namespace zvp
