#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstdint>

namespace zvp {

// The native channel mask of `layout`, or the default mask for its channel count (stereo
// when even that has no native order).
inline int64_t ChannelMask(const AVChannelLayout& layout) {
    if (layout.order == AV_CHANNEL_ORDER_NATIVE && layout.u.mask != 0)
        return static_cast<int64_t>(layout.u.mask);
    AVChannelLayout fallback{};
    av_channel_layout_default(&fallback, std::max(layout.nb_channels, 1));
    const int64_t mask = fallback.order == AV_CHANNEL_ORDER_NATIVE
                             ? static_cast<int64_t>(fallback.u.mask)
                             : static_cast<int64_t>(AV_CH_LAYOUT_STEREO);
    av_channel_layout_uninit(&fallback);
    return mask;
}

}  // namespace zvp
