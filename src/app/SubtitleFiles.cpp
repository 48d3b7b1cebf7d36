#include "app/SubtitleFiles.h"

#include <algorithm>

#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "app/CFileFinder.h"
#include "app/PathParts.h"

namespace zvp {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

}  // namespace

void FindSubtitleFiles(const std::string& mediaPath, std::vector<std::string>& list) {
    FindSubtitleFiles(mediaPath, list, CAppIni::Instance());
}

void FindSubtitleFiles(const std::string& mediaPath, std::vector<std::string>& list,
                       const CAppIni& settings) {
    const PathParts media(mediaPath);
    const std::string& title = media.title();
    std::vector<std::string> folders;
    folders.push_back(media.Folder().empty() ? std::string("./") : media.Folder());
    folders.push_back(CAppFolder::GetSubtitles());
    const std::string stored = settings.GetString("settings::default_subtitle_path");
    if (!stored.empty()) folders.push_back(stored);

    CFileFinder finder;
    for (const std::string& folder : folders) {
        for (const char* extension : {"srt", "ass"}) {
            // The mask "<title>*.<ext>" with the title taken literally, so wildcard characters
            // in a file name match only themselves.
            const std::string suffix = std::string(".") + extension;
            finder.FindFiles(
                folder,
                [&](const std::string& name) {
                    return name.size() >= title.size() + suffix.size() &&
                           EqualsNoCase(std::string_view(name).substr(0, title.size()), title) &&
                           EqualsNoCase(std::string_view(name).substr(name.size() - suffix.size()),
                                        suffix);
                },
                true);
            for (const std::string& path : finder.files()) {
                if (std::find(list.begin(), list.end(), path) == list.end()) list.push_back(path);
            }
        }
    }
    std::sort(list.begin(), list.end());
}

}  // namespace zvp
