#include "media/CVideoScaler.h"

#include "app/Logger.h"

extern "C" {
#include <libavutil/avconfig.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace zvp {

namespace {

VideoColour ColourOf(AVColorSpace space, AVColorRange range, int pixelFormat) {
    VideoColour c;
    switch (space) {
        case AVCOL_SPC_BT709:
        case AVCOL_SPC_SMPTE240M:  // the nearest of the three
            c.matrix = ColourMatrix::BT709;
            break;
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
        case AVCOL_SPC_FCC:
            c.matrix = ColourMatrix::BT601;
            break;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:  // the nearest of the three
            c.matrix = ColourMatrix::BT2020NC;
            break;
        default:
            break;
    }
    if (range == AVCOL_RANGE_JPEG) {
        c.range = ColourRange::Full;
    } else if (range == AVCOL_RANGE_MPEG) {
        c.range = ColourRange::Limited;
    } else {
        switch (pixelFormat) {
            case AV_PIX_FMT_YUVJ411P:
            case AV_PIX_FMT_YUVJ420P:
            case AV_PIX_FMT_YUVJ422P:
            case AV_PIX_FMT_YUVJ440P:
            case AV_PIX_FMT_YUVJ444P:
                c.range = ColourRange::Full;
                break;
            default:
                break;
        }
    }
    return c;
}

bool IsRgb(int pixelFormat) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pixelFormat));
    return desc && (desc->flags & AV_PIX_FMT_FLAG_RGB);
}

}  // namespace

VideoColour CVideoScaler::CodecColour(const AVCodecContext& codec) {
    return ColourOf(codec.colorspace, codec.color_range, codec.pix_fmt);
}

VideoColour CVideoScaler::FrameColour(const AVFrame& frame) {
    return ColourOf(frame.colorspace, frame.color_range, frame.format);
}

namespace {

// The frame's own matrix and range, what it leaves unknown taken from `colour`, resolved by
// the frame's height.
VideoColour SourceColour(const AVFrame& frame, VideoColour colour) {
    VideoColour source = CVideoScaler::FrameColour(frame);
    if (source.matrix == ColourMatrix::Unknown) source.matrix = colour.matrix;
    if (source.range == ColourRange::Unknown) source.range = colour.range;
    return source.Resolved(frame.height);
}

}  // namespace

bool CVideoScaler::PlainPlanes(const AVFrame& frame, int width, int height, VideoColour colour) {
    if (frame.width != width || frame.height != height) return false;
    if (frame.format != AV_PIX_FMT_YUV420P && frame.format != AV_PIX_FMT_YUVJ420P) return false;
    const VideoColour from = SourceColour(frame, colour);
    const VideoColour to = colour.Resolved(height);
    return from.matrix == to.matrix && from.range == to.range;
}

int CVideoScaler::PlainDepthReduction(const AVFrame& frame, int width, int height,
                                      AVPixelFormat format, VideoColour colour) {
    if (format != AV_PIX_FMT_YUV420P || frame.width != width || frame.height != height) return 0;
    int depth = 0;
    switch (frame.format) {
        case AV_PIX_FMT_YUV420P9LE:
            depth = 9;
            break;
        case AV_PIX_FMT_YUV420P10LE:
            depth = 10;
            break;
        case AV_PIX_FMT_YUV420P12LE:
            depth = 12;
            break;
        case AV_PIX_FMT_YUV420P14LE:
            depth = 14;
            break;
        default:
            return 0;
    }
    if (AV_HAVE_BIGENDIAN) return 0;
    const VideoColour from = SourceColour(frame, colour);
    const VideoColour to = colour.Resolved(height);
    return from.matrix == to.matrix && from.range == to.range ? depth : 0;
}

SwsContext* CVideoScaler::Get(const AVFrame& frame, int width, int height, AVPixelFormat format,
                              VideoColour colour) {
    Setup setup;
    setup.srcWidth = frame.width;
    setup.srcHeight = frame.height;
    setup.srcFormat = frame.format;
    setup.dstWidth = width;
    setup.dstHeight = height;
    setup.dstFormat = format;
    setup.src = SourceColour(frame, colour);
    setup.dst = colour.Resolved(height);
    if (sws_ && setup == setup_) return sws_.get();
    // The ranges are options of the new context, so that it chooses its conversion knowing
    // them; the matrices can only be set once it is initialised.
    sws_.reset(sws_alloc_context());
    if (!sws_) return nullptr;
    SwsContext* c = sws_.get();
    // libswscale reads an RGB side as full range and wants its range option left at 0.
    const int srcFull = !IsRgb(setup.srcFormat) && setup.src.range == ColourRange::Full;
    const int dstFull = !IsRgb(setup.dstFormat) && setup.dst.range == ColourRange::Full;
    av_opt_set_int(c, "srcw", setup.srcWidth, 0);
    av_opt_set_int(c, "srch", setup.srcHeight, 0);
    av_opt_set_int(c, "src_format", setup.srcFormat, 0);
    av_opt_set_int(c, "dstw", setup.dstWidth, 0);
    av_opt_set_int(c, "dsth", setup.dstHeight, 0);
    av_opt_set_int(c, "dst_format", setup.dstFormat, 0);
    av_opt_set_int(c, "sws_flags", SWS_FAST_BILINEAR, 0);
    av_opt_set_int(c, "src_range", srcFull, 0);
    av_opt_set_int(c, "dst_range", dstFull, 0);
    if (sws_init_context(c, nullptr, nullptr) < 0) {
        sws_.reset();
        return nullptr;
    }
    if (sws_setColorspaceDetails(c, sws_getCoefficients(SwsColourSpace(setup.src.matrix)), srcFull,
                                 sws_getCoefficients(SwsColourSpace(setup.dst.matrix)), dstFull, 0,
                                 1 << 16, 1 << 16) < 0) {
        Log({"CVideoScaler::Get", kLogError},
            "colour matrices not applied to %dx%d %s pictures; the default is used", frame.width,
            frame.height, av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame.format)));
    }
    setup_ = setup;
    return c;
}

}  // namespace zvp
