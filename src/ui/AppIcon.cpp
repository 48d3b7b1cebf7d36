#include "ui/AppIcon.h"

namespace zvp {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/zvp.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace zvp
