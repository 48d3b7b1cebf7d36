#include "ui/OpenUriPath.h"

#include <QUrl>

namespace zvp {

std::optional<std::string> OpenUriPath(const QString& uri) {
    const QUrl url(uri);
    if (!url.isValid() || !url.isLocalFile()) return std::nullopt;
    // "file://host/x" is a file on another machine: toLocalFile would make it "//host/x".
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    QUrl local = url;
    local.setHost(QString());
    std::string path = local.toLocalFile().toStdString();
    // A decoded %00 would cut the name the file system sees; a relative path names nothing
    // the caller could know.
    if (path.find('\0') != std::string::npos || !path.starts_with('/')) path.clear();
    return path;
}

}  // namespace zvp
