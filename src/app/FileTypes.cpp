#include "app/FileTypes.h"

namespace zvp {
namespace {

constexpr const char* kAllFilesGroup = "All File(*.*)";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AllMediaList() {
    return std::string(kVideoFileTypes) + " " + kAudioFileTypes;
}

template <typename Visit>
void ForEachWord(std::string_view list, Visit visit) {
    while (!list.empty()) {
        const size_t space = list.find(' ');
        const std::string_view word = list.substr(0, space);
        if (!word.empty()) visit(word);
        if (space == std::string_view::npos) break;
        list.remove_prefix(space + 1);
    }
}

}  // namespace

std::string BuildFilterGroup(std::string_view name, std::string_view list) {
    std::string group(name);
    group += '|';
    ForEachWord(list, [&group](std::string_view extension) {
        group += "*.";
        group += extension;
        group += ';';
    });
    group += '|';
    return group;
}

std::string MediaAndPlaylistFilter() {
    return BuildFilterGroup("All Media", AllMediaList()) +
           BuildFilterGroup("All Video", kVideoFileTypes) +
           BuildFilterGroup("All Audio", kAudioFileTypes) +
           BuildFilterGroup("Playlists", kPlaylistFileTypes) +
           BuildFilterGroup(kAllFilesGroup, "*");
}

std::string MediaFilter() {
    return BuildFilterGroup("All Media", AllMediaList()) +
           BuildFilterGroup("All Video", kVideoFileTypes) +
           BuildFilterGroup("All Audio", kAudioFileTypes) + BuildFilterGroup(kAllFilesGroup, "*");
}

std::string PlaylistFilter() {
    return BuildFilterGroup("Playlists", kPlaylistFileTypes);
}

std::string SubtitleFilter() {
    return BuildFilterGroup("Subtitles", kSubtitleFileTypes) +
           BuildFilterGroup(kAllFilesGroup, "*");
}

std::string ToQtFileDialogFilter(std::string_view filter) {
    std::string out;
    while (!filter.empty()) {
        const size_t bar1 = filter.find('|');
        if (bar1 == std::string_view::npos) break;
        const size_t bar2 = filter.find('|', bar1 + 1);
        const std::string_view name = filter.substr(0, bar1);
        std::string_view patterns = filter.substr(
            bar1 + 1, bar2 == std::string_view::npos ? std::string_view::npos : bar2 - bar1 - 1);
        if (!out.empty()) out += ";;";
        out += name;
        out += " (";
        bool first = true;
        while (!patterns.empty()) {
            const size_t semi = patterns.find(';');
            const std::string_view pattern = patterns.substr(0, semi);
            if (!pattern.empty()) {
                if (!first) out += ' ';
                out += pattern == "*.*" ? std::string_view("*") : pattern;
                first = false;
            }
            if (semi == std::string_view::npos) break;
            patterns.remove_prefix(semi + 1);
        }
        out += ')';
        if (bar2 == std::string_view::npos) break;
        filter.remove_prefix(bar2 + 1);
    }
    return out;
}

bool IsFileTypeInList(std::string_view extension, std::string_view list) {
    bool found = false;
    ForEachWord(list, [&](std::string_view word) {
        if (word.size() != extension.size()) return;
        for (size_t i = 0; i < word.size(); ++i) {
            if (LowerAscii(word[i]) != LowerAscii(extension[i])) return;
        }
        found = true;
    });
    return found && !extension.empty();
}

}  // namespace zvp
