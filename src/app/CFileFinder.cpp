#include "app/CFileFinder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include "app/Logger.h"

namespace zvp {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 character starting with `lead` (1 for stray bytes).
size_t CharLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

using FolderId = std::pair<dev_t, ino_t>;

struct Search {
    const std::function<bool(const std::string&)>& match;
    bool subfolders;
    const std::atomic<bool>& stop;
    const CFileFinder::ProgressCallback& progress;
    std::vector<std::string>& found;
    std::set<FolderId> visited;

    void Folder(const std::string& folder) {
        if (stop.load()) return;
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
        if (!visited.insert({info.st_dev, info.st_ino}).second) return;
        if (progress) progress(folder);

        DirHandle dir(::opendir(folder.c_str()));
        if (!dir) {
            Log(LogPoint{"CFileFinder::FindFiles", kLogDebug}, "Cannot list %s: %s", folder.c_str(),
                std::strerror(errno));
            return;
        }
        std::vector<std::string> files;
        std::vector<std::string> folders;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool is_folder = false;
            if (entry->d_type == DT_DIR) {
                is_folder = true;
            } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat target {};
                is_folder =
                    ::stat((folder + name).c_str(), &target) == 0 && S_ISDIR(target.st_mode);
            }
            (is_folder ? folders : files).push_back(name);
        }
        dir.reset();
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        if (subfolders) {
            for (const std::string& name : folders) {
                if (stop.load()) return;
                Folder(folder + name + "/");
            }
        }
        for (const std::string& name : files) {
            if (stop.load()) return;
            if (match(name)) found.push_back(folder + name);
        }
    }
};

}  // namespace

bool CFileFinder::MatchMask(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    size_t m = 0, n = 0;
    size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += std::min(CharLength(static_cast<unsigned char>(name[n])), name.size() - n);
        } else if (m < mask.size() && LowerAscii(mask[m]) == LowerAscii(name[n])) {
            ++m;
            ++n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            resume += std::min(CharLength(static_cast<unsigned char>(name[resume])),
                               name.size() - resume);
            n = resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

int CFileFinder::FindFiles(const std::string& folder, const std::string& mask,
                           bool withSubfolders) {
    return FindFiles(
        folder, [&mask](const std::string& name) { return MatchMask(mask, name); }, withSubfolders);
}

int CFileFinder::FindFiles(const std::string& folder,
                           const std::function<bool(const std::string& name)>& match,
                           bool withSubfolders) {
    found_.clear();
    stop_.store(false);
    if (folder.empty()) return 0;
    const std::string start = folder.back() == '/' ? folder : folder + "/";
    Search search{match, withSubfolders, stop_, progress_, found_, {}};
    search.Folder(start);
    return GetFileCount();
}

std::string CFileFinder::GetFilePath(int index) const {
    if (index < 0 || index >= GetFileCount()) return std::string();
    return found_[static_cast<size_t>(index)];
}

}  // namespace zvp
