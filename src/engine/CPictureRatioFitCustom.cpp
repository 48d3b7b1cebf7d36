#include "engine/CPictureRatioFitCustom.h"

#include <cmath>

namespace zvp {

CAspectRatioFitCustom& CAspectRatioFitCustom::Instance() {
    static CAspectRatioFitCustom* const instance = new CAspectRatioFitCustom();  // never freed
    return *instance;
}

double CAspectRatioFitCustom::GetRatio(VideoSize source) const {
    return ratio_ > 0.0 ? ratio_ : double(source.width) / source.height;
}

bool CAspectRatioFitCustom::SetRatio(double ratio) {
    const bool valid = std::isfinite(ratio) && ratio > 0.0;
    ratio_ = valid ? ratio : 0.0;
    return valid;
}

}  // namespace zvp
