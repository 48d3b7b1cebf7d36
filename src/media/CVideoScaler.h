#pragma once

#include "graph/CMediaType.h"
#include "graph/FFmpegPtr.h"

namespace zvp {

// The libswscale context that converts decoded pictures into the output pin's pictures, with
// the matrices and ranges of both sides; kept between pictures while the conversion stays
// the same. Not thread-safe: owned and used by one decoder on its streaming thread.
class CVideoScaler {
  public:
    // The context converting `frame` into `width` x `height` pictures of `format`, YUV ones
    // in `colour` resolved by `height`. The frame's own matrix and range count first, and
    // what it leaves unknown is taken from `colour`. Made anew when anything differs from the
    // last call; null when libswscale refuses the conversion. Owned by this object until the
    // next call. A picture whose matrix differs from the output's goes through RGB inside
    // libswscale, which is slower; pictures agree with their decoder's announcement as a rule.
    SwsContext* Get(const AVFrame& frame, int width, int height, AVPixelFormat format,
                    VideoColour colour);

    // True when `frame` already is the 8-bit planar 4:2:0 picture of `width` x `height` in the
    // matrix and range `colour` resolves to: converting it would only copy it.
    static bool PlainPlanes(const AVFrame& frame, int width, int height, VideoColour colour);

    // The bit depth (9..14) of `frame` when it is little-endian planar 4:2:0 YUV already of
    // `width` x `height` and of the matrix and range `colour` resolves to, so that only its
    // depth differs from 8-bit planar 4:2:0 (`format`): such a picture is cheaper to reduce
    // plane by plane (ReducePlaneTo8Bits) than through libswscale. 0 for any other.
    static int PlainDepthReduction(const AVFrame& frame, int width, int height,
                                   AVPixelFormat format, VideoColour colour);

    // What a decoder or picture says about its colour; unknown where it says nothing (the
    // JPEG pixel formats say full range).
    static VideoColour CodecColour(const AVCodecContext& codec);
    static VideoColour FrameColour(const AVFrame& frame);

  private:
    struct Setup {
        int srcWidth = 0, srcHeight = 0, srcFormat = -1;  // AVPixelFormat values
        int dstWidth = 0, dstHeight = 0, dstFormat = -1;
        VideoColour src, dst;  // resolved; ignored for an RGB side
        bool operator==(const Setup&) const = default;
    };

    SwsContextPtr sws_;
    Setup setup_;  // what `sws_` was made for
};

}  // namespace zvp
