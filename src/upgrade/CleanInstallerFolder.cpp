#include "upgrade/CleanInstallerFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "app/CAppFolder.h"
#include "upgrade/UpgradeEndpoints.h"

namespace zvp {
namespace {

constexpr int kMaxDepth = 16;

bool IsInstallerLeftover(std::string_view name) {
    return name.ends_with(".run") || name.ends_with(".AppImage") || name.ends_with(".deb") ||
           name.ends_with(".part") || name == kRelauncherName;
}

// Cleans the folder open as `dirFd` (owned) and below it.
int CleanFolder(int dirFd, int depth) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    int removed = 0;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            if (depth >= kMaxDepth) continue;
            const int sub = ::openat(::dirfd(dir), entry->d_name,
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) removed += CleanFolder(sub, depth + 1);
        } else if (S_ISREG(info.st_mode) && IsInstallerLeftover(name)) {
            if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace

int CleanInstallerFolder(const std::string& folder) {
    const std::string root = folder.empty() ? CAppFolder::GetInstaller() : folder;
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    return CleanFolder(fd, 0);
}

}  // namespace zvp
