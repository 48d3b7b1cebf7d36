#pragma once

#include <QIcon>

namespace zvp {

// The application icon (":/icons/zvp-128.png", compiled into zvp_ui). UI thread only.
QIcon AppIcon();

}  // namespace zvp
