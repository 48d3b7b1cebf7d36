#include "app/CAppFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "app/Logger.h"

namespace zvp {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// `programFolder` when it holds `file`, else "<programFolder>/../<installed>/"; "" for a
// folder that is not absolute.
std::string InstalledFolder(const std::string& programFolder, const char* file,
                            const char* installed) {
    if (programFolder.empty() || programFolder[0] != '/') return {};
    const std::string own = WithSlash(programFolder);
    std::error_code ec;
    if (std::filesystem::exists(own + file, ec)) return own;
    const std::filesystem::path prefix =
        std::filesystem::path(own.substr(0, own.size() - 1)).parent_path();
    return WithSlash((prefix / installed).lexically_normal().string());
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    struct passwd entry {};
    struct passwd* result = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof(buffer), &result) == 0 && result &&
        result->pw_dir) {
        return result->pw_dir;
    }
    return "/tmp";
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string CAppFolder::GetDataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (data && data[0] == '/') return WithSlash(data);
    return WithSlash(HomeFolder()) + ".local/share/";
}

std::string CAppFolder::EnsureFolder(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) return folder;
    // Create every missing parent from the outermost inwards.
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/') continue;
        const std::string part = folder.substr(0, pos);
        if (part.empty() || part.back() == '/') continue;
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            Log(LogPoint{"CAppFolder::EnsureFolder", kLogError}, "Cannot create folder %s: %s",
                part.c_str(), std::strerror(errno));
            break;
        }
    }
    return folder;
}

std::string CAppFolder::GetBase() {
    return EnsureFolder(GetDataHome() + "ZVP/");
}

std::string CAppFolder::GetTemp() {
    return EnsureFolder(GetBase() + "Temp/");
}

std::string CAppFolder::GetInstaller() {
    return EnsureFolder(GetTemp() + "Installer/");
}

std::string CAppFolder::GetSkins() {
    return EnsureFolder(GetBase() + "Skins/");
}

std::string CAppFolder::GetSubtitles() {
    return EnsureFolder(GetBase() + "Subtitles/");
}

std::string CAppFolder::GetPlaylists() {
    return EnsureFolder(GetBase() + "Playlists/");
}

std::string CAppFolder::GetPlaylistFile(const std::string& name) {
    return GetPlaylists() + name + ".mpl";
}

std::string CAppFolder::GetInstallerFile(const std::string& fileName) {
    return GetInstaller() + fileName;
}

std::string CAppFolder::GetProgramFolder() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return "./";
    const std::string_view path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return "./";
    return std::string(path.substr(0, slash + 1));
}

std::string CAppFolder::GetResourceFolder() {
    return GetResourceFolder(GetProgramFolder());
}

std::string CAppFolder::GetResourceFolder(const std::string& programFolder) {
    return InstalledFolder(programFolder, "ZVP.ini", "share/zvp");
}

std::string CAppFolder::GetHelperFolder() {
    return GetHelperFolder(GetProgramFolder());
}

std::string CAppFolder::GetHelperFolder(const std::string& programFolder, const char* helper) {
    return InstalledFolder(programFolder, helper, "libexec/zvp");
}

}  // namespace zvp
