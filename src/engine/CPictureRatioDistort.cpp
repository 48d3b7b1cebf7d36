#include "engine/CPictureRatioDistort.h"

#include <algorithm>

namespace zvp {

const CAspectRatioDistort& CAspectRatioDistort::Instance() {
    static const CAspectRatioDistort* const instance = new CAspectRatioDistort();  // never freed
    return *instance;
}

VideoRect CAspectRatioDistort::GetDisplayRect(VideoSize source, VideoSize area) const {
    if (source.width <= 0 || source.height <= 0) return {};
    return {0, 0, std::max(area.width, 0), std::max(area.height, 0)};
}

VideoSize CAspectRatioDistort::GetIdealSize(VideoSize source) const {
    if (source.width <= 0 || source.height <= 0) return {};
    return source;
}

}  // namespace zvp
