#include "engine/CZoomVariant.h"

#include <limits>

#include "engine/IPictureRatio.h"
#include "engine/PictureRatio.h"

namespace zvp {

namespace {

// `side` × `factor` truncated toward zero, within [0, INT32_MAX].
int32_t Scale(int32_t side, double factor) {
    const double scaled = side * factor;
    if (!(scaled > 0.0)) return 0;
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    return scaled >= double(kMax) ? kMax : static_cast<int32_t>(scaled);
}

}  // namespace

void CZoomVariant::CalcArea(VideoSize minArea, VideoSize source, VideoSize& area,
                            VideoRect& rect) const {
    const IAspectRatio* aspectRatio = CurrentAspectRatio();
    const VideoSize ideal = aspectRatio ? aspectRatio->GetIdealSize(source) : VideoSize{};
    const int32_t width = Scale(ideal.width, GetFactor());
    const int32_t height = Scale(ideal.height, GetFactor());
    // Both differences are positive and fit: 0 <= width < minArea.width.
    const int32_t x = width < minArea.width ? (minArea.width - width) / 2 : 0;
    const int32_t y = height < minArea.height ? (minArea.height - height) / 2 : 0;
    area = {width < minArea.width ? minArea.width : width,
            height < minArea.height ? minArea.height : height};
    rect = {x, y, x + width, y + height};
}

}  // namespace zvp
