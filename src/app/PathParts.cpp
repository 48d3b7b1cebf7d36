#include "app/PathParts.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>

namespace zvp {
namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string StandardFolder(QStandardPaths::StandardLocation location) {
    QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty()) path = QDir::homePath();
    return WithSlash(path.toStdString());
}

std::string ExecutablePath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace

void PathParts::Set(const std::string& path) {
    drive_.clear();
    const size_t slash = path.rfind('/');
    const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    folder_ = path.substr(0, name_start);
    const std::string name = path.substr(name_start);
    // A leading dot belongs to the title; "." and ".." are titles too.
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "..") {
        title_ = name;
        extension_.clear();
    } else {
        title_ = name.substr(0, dot);
        extension_ = name.substr(dot);
    }
}

std::string PathParts::ExtensionWithoutDot() const {
    return extension_.size() > 1 ? extension_.substr(1) : std::string();
}

bool PathParts::Exists() const {
    const std::string path = FullPath();
    return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

PathParts PathParts::ForLocation(int kind) {
    PathParts parts;
    switch (kind) {
        case kExecutable:
            parts.Set(ExecutablePath());
            break;
        case kExecutableFolder:
            parts.Set(ExecutablePath());
            parts.title_.clear();
            parts.extension_.clear();
            break;
        case kTempFolder: {
            const char* tmp = std::getenv("TMPDIR");
            parts.Set(WithSlash(tmp && tmp[0] == '/' ? tmp : "/tmp"));
            break;
        }
        case kDesktop:
            parts.Set(StandardFolder(QStandardPaths::DesktopLocation));
            break;
        case kFavorites:
            parts.Set(WithSlash(QDir::homePath().toStdString()));
            break;
        case kPersonal:
            parts.Set(StandardFolder(QStandardPaths::DocumentsLocation));
            break;
        case kMyMusic:
            parts.Set(StandardFolder(QStandardPaths::MusicLocation));
            break;
        default:  // kWindowsFolder, kSystemFolder and unknown kinds: nothing here
            break;
    }
    return parts;
}

}  // namespace zvp
