#pragma once

#include <QIcon>

namespace zvp {

// The application icon: the hicolor PNGs rendered at build time from resources/icons/zvp.svg
// (":/icons/hicolor/<n>x<n>/apps/zvp.png", compiled into zvp_ui), one entry a size.
// UI thread only.
QIcon AppIcon();

}  // namespace zvp
