#pragma once

#include <string_view>

#include "engine/VideoGeometry.h"

namespace zvp {

// The picture-ratio strategies: the interface IAspectRatio (IPictureRatio.h) and one class per
// CPictureRatio*.h file (CAspectRatioDistort in CPictureRatioDistort.h, and so on).
class IAspectRatio;

// The aspect-ratio strategy `name` names, compared without regard to ASCII case with
// "stretch", "default", "4:3", "16:9" and "custom"; "default" for any other text. The
// strategies are singletons that live as long as the process.
const IAspectRatio& AspectRatioByName(std::string_view name);

// The process-wide current aspect-ratio strategy, which the zoom strategies apply; null until
// the first SetCurrentAspectRatio. Not owned. UI thread only.
const IAspectRatio* CurrentAspectRatio();
void SetCurrentAspectRatio(const IAspectRatio* aspectRatio);

}  // namespace zvp
