#include "subtitle/CMemorySubtitleHost.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/TextDecoder.h"

namespace zvp {

namespace fs = std::filesystem;

namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Files in `folder` named "<base>*.<ext>", sorted by name.
std::vector<std::string> FindIn(const std::string& folder, const std::string& base,
                                const std::string& ext) {
    std::vector<std::string> found;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return found;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string name = entry.path().filename().string();
        const std::string suffix = "." + ext;
        if (name.size() < base.size() + suffix.size()) continue;
        if (name.compare(0, base.size(), base) != 0) continue;
        if (!EqualsIgnoreCase(std::string_view(name).substr(name.size() - suffix.size()), suffix))
            continue;
        found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

SubtitleSettings CMemorySubtitleHost::ReadSettings() {
    std::lock_guard lock(lock_);
    return settings_;
}

void CMemorySubtitleHost::StoreFontName(const std::string& name) {
    std::lock_guard lock(lock_);
    settings_.font_name = name;
    store_calls_.fetch_add(1);
}

std::vector<std::string> CMemorySubtitleHost::FindCandidates(const std::string& mediaPath) {
    std::vector<std::string> folders;
    {
        std::lock_guard lock(lock_);
        folders.push_back(fs::path(mediaPath).parent_path().string());
        folders.insert(folders.end(), folders_.begin(), folders_.end());
        folders.push_back(settings_.default_subtitle_path);
    }
    const std::string base = fs::path(mediaPath).stem().string();
    std::vector<std::string> list;
    for (const auto& folder : folders) {
        for (const char* ext : {"srt", "ass"}) {
            for (auto& path : FindIn(folder, base, ext)) {
                if (std::find(list.begin(), list.end(), path) == list.end()) list.push_back(path);
            }
        }
    }
    return list;
}

std::string CMemorySubtitleHost::TempFolder() {
    {
        std::lock_guard lock(lock_);
        if (!temp_folder_.empty()) return temp_folder_;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string CMemorySubtitleHost::DecodeText(std::string_view bytes) {
    return TextDecoder::LegacyToUtf8(bytes);
}

void CMemorySubtitleHost::SetSettings(const SubtitleSettings& settings) {
    std::lock_guard lock(lock_);
    settings_ = settings;
}

void CMemorySubtitleHost::SetSubtitleFolders(std::vector<std::string> folders) {
    std::lock_guard lock(lock_);
    folders_ = std::move(folders);
}

void CMemorySubtitleHost::SetTempFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::lock_guard lock(lock_);
    temp_folder_ = std::move(folder);
}

}  // namespace zvp
