#include "ui/OpenUriPath.h"

#include <QUrl>

namespace zvp {

std::optional<std::string> OpenUriPath(const QString& uri) {
    const QUrl url(uri);
    if (!url.isValid() || !url.isLocalFile()) return std::nullopt;
    return url.toLocalFile().toStdString();
}

}  // namespace zvp
