#include "ui/AppIcon.h"

namespace zvp {

QIcon AppIcon() {
    return QIcon(QStringLiteral(":/icons/zvp-128.png"));
}

}  // namespace zvp
