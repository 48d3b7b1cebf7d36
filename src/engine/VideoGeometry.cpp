#include "engine/VideoGeometry.h"

#include <cmath>
#include <limits>

namespace zvp {

namespace {

// `side` × num ÷ den rounded half up, for num > den > 0 and side > 0; saturates at INT32_MAX.
int32_t Stretch(int32_t side, int32_t num, int32_t den) {
    const double stretched = std::floor(double(side) * num / den + 0.5);
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    return stretched >= kMax ? std::numeric_limits<int32_t>::max()
                             : static_cast<int32_t>(stretched);
}

}  // namespace

VideoSize DisplaySize(int32_t width, int32_t height, int32_t sarNum, int32_t sarDen) {
    if (width <= 0 || height <= 0 || sarNum <= 0 || sarDen <= 0 || sarNum == sarDen) {
        return {width, height};
    }
    if (sarNum > sarDen) return {Stretch(width, sarNum, sarDen), height};
    return {width, Stretch(height, sarDen, sarNum)};
}

}  // namespace zvp
