#pragma once

#include <cstdint>

#include "subtitle/SubtitleHandles.h"

namespace zvp {

// The one decoder of embedded subtitles: decode one packet of the subtitle stream and hand
// the result to the registry. The video decoder calls DecodeSubtitle on the video pin's
// streaming thread under the media file's lock, at most once per decoded picture, and
// OpenDecodedSubtitle after releasing that lock.

// Decodes `packet` with `context` (the subtitle stream's decoder). The end-of-stream marker
// (an empty packet) and packets that decode to nothing give null; a decoder error is logged
// ("Failed to decode subtitle!") and gives null too.
AVSubtitlePtr DecodeSubtitle(AVCodecContext* context, const AVPacket* packet);

// The most pixels one bitmap of a subtitle decoder may have; whoever opens a subtitle decoder
// sets it as the decoder's max_pixels. A larger region is refused by the decoder (a damaged
// DVB region of 43947 x 43947 otherwise passes the decoder's own size check by overflowing it
// and takes 2 GB). Four times a 4K picture, so every real bitmap fits.
inline constexpr int64_t kMaxSubtitlePixels = int64_t{4096} * 4096;

// Hands a decoded subtitle to the registry: when its first rectangle is text, OpenSubtitle
// (3, 0) with it and, when there are two or more rectangles, (3, 1) with the second; when it
// is a bitmap, OpenSubtitle (1, 0) with the whole subtitle. `packetMs` is the packet's time in
// ms, used when the subtitle carries no time of its own. A text subtitle is shown from its
// start to its end display time (an end of 0 or UINT32_MAX: until replaced). Subtitles
// without rectangles, or whose first rectangle is null, change nothing.
void OpenDecodedSubtitle(AVSubtitlePtr subtitle, int64_t packetMs);

}  // namespace zvp
