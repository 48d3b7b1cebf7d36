#include "engine/CPictureRatioFitSource.h"

namespace zvp {

const CAspectRatioFitSource& CAspectRatioFitSource::Instance() {
    static const CAspectRatioFitSource* const instance =
        new CAspectRatioFitSource();  // never freed
    return *instance;
}

double CAspectRatioFitSource::GetRatio(VideoSize source) const {
    return double(source.width) / source.height;
}

}  // namespace zvp
