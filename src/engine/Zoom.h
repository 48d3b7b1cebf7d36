#pragma once

#include <string_view>

#include "engine/VideoGeometry.h"

namespace zvp {

class IZoom;

// The zoom strategy `name` names, compared without regard to ASCII case with "FITWINDOW",
// "ZOOM50", "ZOOM75", "ZOOM100", "ZOOM125", "ZOOM150" and "ZOOM200"; "FITWINDOW" for any
// other text. The strategies are singletons that live as long as the process.
const IZoom& ZoomByName(std::string_view name);

}  // namespace zvp
