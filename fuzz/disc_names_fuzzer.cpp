// Feeds arbitrary bytes to the mount-table reader and to the disc name matcher: no crash, and
// the few rules each must keep whatever the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/DiscDetection.h"
#include "playlist/MountTable.h"

namespace {

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Every field of every entry is non-empty, never longer than the text, and a decoded field
// holds a space or tab only where the text escaped one.
void CheckMountTable(std::string_view text) {
    for (const zvp::MountEntry& entry : zvp::ParseMountTable(text)) {
        for (const std::string* field : {&entry.source, &entry.target, &entry.type}) {
            if (field->empty() || field->size() > text.size()) __builtin_trap();
            if (field->find('\n') != std::string::npos &&
                text.find("\\012") == std::string_view::npos) {
                __builtin_trap();
            }
        }
    }
    const std::string decoded = zvp::DecodeMountField(text);
    if (decoded.size() > text.size()) __builtin_trap();
    // Text without a backslash decodes to itself.
    if (text.find('\\') == std::string_view::npos && decoded != text) __builtin_trap();
}

// The matcher ignores ASCII case and the ISO 9660 version of files; the listing order is a
// strict order.
void CheckNames(const std::vector<std::string_view>& names) {
    static constexpr const char* kPatterns[] = {"mpegav",      "mpeg2",       "video_ts",
                                                "avseq??.dat", "music??.mpg", "vts_??_?.vob"};
    for (std::string_view name : names) {
        for (const char* pattern : kPatterns) {
            for (const bool file : {false, true}) {
                const bool match = zvp::MatchesDiscName(pattern, name, file);
                if (zvp::MatchesDiscName(pattern, UpperAscii(name), file) != match) {
                    __builtin_trap();
                }
                if (file &&
                    zvp::MatchesDiscName(pattern, std::string(name) + ";1", true) !=
                        zvp::MatchesDiscName(pattern, name, true) &&
                    name.find(';') == std::string_view::npos) {
                    __builtin_trap();
                }
            }
        }
        if (zvp::DiscNameLess(name, name)) __builtin_trap();
    }
    for (size_t i = 1; i < names.size(); ++i) {
        if (zvp::DiscNameLess(names[i - 1], names[i]) && zvp::DiscNameLess(names[i], names[i - 1]))
            __builtin_trap();
    }
    std::vector<std::string_view> sorted = names;
    std::sort(sorted.begin(), sorted.end(), zvp::DiscNameLess);
    if (!std::is_sorted(sorted.begin(), sorted.end(), zvp::DiscNameLess)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckMountTable(bytes);
    // The bytes cut at every "/" and NUL, as the names a folder listing could give.
    std::vector<std::string_view> names;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '/' || bytes[i] == '\0') {
            if (i > start) names.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    CheckNames(names);
    return 0;
}
