#include "engine/CPictureRatioFit.h"

#include <algorithm>
#include <limits>

namespace zvp {

namespace {

constexpr int32_t kMaxSide = std::numeric_limits<int32_t>::max();

// `value` truncated toward zero and clamped to [0, limit]; NaN gives 0.
int32_t TruncToSide(double value, int32_t limit) {
    if (!(value > 0.0)) return 0;
    if (value >= double(limit)) return limit;
    return static_cast<int32_t>(value);
}

}  // namespace

VideoRect CAspectRatioFit::GetDisplayRect(VideoSize source, VideoSize area) const {
    if (source.width <= 0 || source.height <= 0) return {};
    const double ratio = GetRatio(source);
    const int32_t areaWidth = std::max(area.width, 0);
    const int32_t areaHeight = std::max(area.height, 0);
    // W ÷ H > ratio, with a zero height counting as infinitely wide (and 0 ÷ 0 as not wider).
    const bool wider = areaHeight == 0 ? areaWidth > 0 : double(areaWidth) / areaHeight > ratio;
    if (wider) {
        const int32_t width = TruncToSide(ratio * areaHeight + 0.5, areaWidth);
        const int32_t left = (areaWidth - width) / 2;
        return {left, 0, left + width, areaHeight};
    }
    const int32_t height = TruncToSide(areaWidth / ratio + 0.5, areaHeight);
    const int32_t top = (areaHeight - height) / 2;
    return {0, top, areaWidth, top + height};
}

VideoSize CAspectRatioFit::GetIdealSize(VideoSize source) const {
    if (source.width <= 0 || source.height <= 0) return {};
    const double ratio = GetRatio(source);
    if (double(source.width) / source.height > ratio) {
        return {source.width, TruncToSide(source.width / ratio + 0.5, kMaxSide)};
    }
    return {TruncToSide(ratio * source.height + 0.5, kMaxSide), source.height};
}

}  // namespace zvp
