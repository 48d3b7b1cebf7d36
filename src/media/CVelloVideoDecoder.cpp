#include "media/CVelloVideoDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "app/Logger.h"
#include "media/CLentPictureCanvas.h"
#include "media/CVelloSource.h"
#include "media/PlaneDepth.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/SubtitleDecoding.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
}

namespace zvp {

namespace {
constexpr AVRational kUnitsTimeBase{1, 10'000'000};
constexpr const char* kWhere = "CVelloVideoDecoder::DecodeFrameToBuffer";
constexpr int kMaxWaitingSubtitlePackets = 64;

// One whole output picture written from a decoded frame.
void CountCopy(uint32_t bytes, uint32_t copied) {
    CVelloVideoDecoder::CopyCounters& copies = CVelloVideoDecoder::Copies();
    copies.pictures.fetch_add(1, std::memory_order_relaxed);
    copies.copied_bytes.fetch_add(copied, std::memory_order_relaxed);
    copies.picture_bytes.fetch_add(bytes, std::memory_order_relaxed);
}
}  // namespace

CVelloVideoDecoder::CVelloVideoDecoder() : frame_(MakeFrame()) {}

CVelloVideoDecoder::CopyCounters& CVelloVideoDecoder::Copies() {
    static CopyCounters counters;
    return counters;
}

CVelloVideoDecoder::~CVelloVideoDecoder() = default;

void CVelloVideoDecoder::Reset() {
    draining_ = false;
    pending_ = false;
    retry_.reset();
    if (frame_) av_frame_unref(frame_.get());
}

bool CVelloVideoDecoder::DecodeFrameToBuffer(CVelloSource* source, const CMediaType& mt,
                                             uint8_t* buffer, long size, Result& result, bool rgb,
                                             Lent* lent) {
    if (!DecodePicture(source, result)) return false;
    if (result.picture && !ConvertPicture(source, mt, buffer, size, rgb, lent))
        result.picture = false;
    return true;
}

bool CVelloVideoDecoder::DecodePicture(CVelloSource* source, Result& result) {
    result = Result{};
    if (pending_) {
        result = pendingResult_;
        return true;
    }
    CPlaybackInfo* info = source->GetPlaybackInfo();
    if (!frame_) return false;

    // A picture the decoder finished earlier (threading and reordering delay pictures)
    // comes first; the end of the stream hands out the rest one by one.
    if (ReceivePicture(source, result)) return true;
    if (draining_) {
        Log({kWhere, kLogInfo}, "No data in video queue. EOF?");
        return false;
    }

    // A packet the decoder refused while it was full goes in again now that the pictures it
    // held were taken.
    if (retry_) {
        AVPacketPtr packet = std::move(retry_);
        const int sent = SendPacket(info, packet.get());
        if (sent == kNoDecoder) return false;
        if (sent == AVERROR(EAGAIN)) {
            // Neither takes nor gives: the decoder is stuck on this packet.
            Log({kWhere, kLogError}, "The video decoder refused a packet twice; skipped.");
        }
        ReceivePicture(source, result);
        return true;
    }

    if (!source->WaitForVideoPackets()) {
        result.interrupted = true;
        return false;
    }
    AVPacketPtr packet;
    const PacketResult got = source->GetVideoPacket(packet);
    if (got == PacketResult::kInterrupted) {
        result.interrupted = true;
        return false;
    }
    if (got == PacketResult::kEnd) {
        {
            std::lock_guard lock(info->GetLock());
            if (AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_VIDEO))
                avcodec_send_packet(codec, nullptr);
        }
        draining_ = true;
        if (ReceivePicture(source, result)) return true;
        Log({kWhere, kLogInfo}, "No data in video queue. EOF?");
        return false;
    }

    // The decoder gets the packet's own time stamps (stream units); `pos` carries the 100 ns
    // time the queue gave it, which comes back with the picture as `pkt_pos`.
    const int64_t queueTime = packet->pts;
    packet->pts = packet->pos;
    packet->pos = queueTime;
    const int sent = SendPacket(info, packet.get());
    if (sent == kNoDecoder) return false;
    // Full (its pictures must be taken first): the same packet is sent again on the next call.
    if (sent == AVERROR(EAGAIN)) retry_ = std::move(packet);
    // Any other error is a broken packet: skipped, the next one is tried.
    if (sent < 0 && sent != AVERROR(EAGAIN)) return true;
    ReceivePicture(source, result);
    return true;
}

int CVelloVideoDecoder::SendPacket(CPlaybackInfo* info, const AVPacket* packet) {
    std::lock_guard lock(info->GetLock());
    AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_VIDEO);
    if (!codec) return kNoDecoder;
    return avcodec_send_packet(codec, packet);
}

bool CVelloVideoDecoder::ReceivePicture(CVelloSource* source, Result& result) {
    CPlaybackInfo* info = source->GetPlaybackInfo();
    AVRational timeBase{1, 1};
    {
        std::lock_guard lock(info->GetLock());
        AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_VIDEO);
        if (!codec) return false;
        av_frame_unref(frame_.get());
        if (avcodec_receive_frame(codec, frame_.get()) < 0) return false;
        const AVFormatContext* format = info->GetFormatContext();
        const int index = info->CurrentStream(AVMEDIA_TYPE_VIDEO);
        if (format && index >= 0 && index < static_cast<int>(format->nb_streams))
            timeBase = format->streams[index]->time_base;
    }
    const AVFrame& frame = *frame_;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE) {
        result.start = av_rescale_q(frame.best_effort_timestamp, timeBase, kUnitsTimeBase);
    } else {
        result.start = frame.pkt_pos;
    }
    result.duration =
        frame.pkt_duration > 0 ? av_rescale_q(frame.pkt_duration, timeBase, kUnitsTimeBase) : 0;
    result.picture = true;
    pending_ = true;
    pendingResult_ = result;
    return true;
}

bool CVelloVideoDecoder::ConvertPicture(CVelloSource* source, const CMediaType& mt, uint8_t* buffer,
                                        long size, bool rgb, Lent* lent) {
    if (!pending_) return false;
    pending_ = false;
    // The subtitle packet due at this picture is decoded first: whether it registers a
    // subtitle decides between lending the frame and drawing onto a copy.
    if (source->SubtitleQueue()) DecodeSubtitle(source, pendingResult_.start);
    if (Lend(source, mt, buffer, size, rgb, lent)) return true;
    if (!Convert(*frame_, mt, buffer, size, rgb)) {
        // The buffer holds no picture of this time: nothing is delivered for it.
        Log({"CVelloVideoDecoder::ConvertPicture", kLogError},
            "Cannot convert the %dx%d picture (format %d) at %lld into a %ld-byte buffer; dropped.",
            frame_->width, frame_->height, frame_->format,
            static_cast<long long>(pendingResult_.start), size);
        av_frame_unref(frame_.get());
        return false;
    }
    const VIDEOINFOHEADER* vih = mt.VideoInfo();
    if (vih) {
        DrawSubtitles(source, buffer, vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight),
                      rgb, nullptr);
    }
    av_frame_unref(frame_.get());
    return true;
}

void CVelloVideoDecoder::DrawSubtitles(CVelloSource* source, uint8_t* buffer, int width, int height,
                                       bool rgb, ISubtitleCanvas* canvas) {
    int baseline = height - 32;
    SetSubtitleOutputRgb24(rgb);
    RenderSubtitles(buffer, width, height, pendingResult_.start / 10'000, baseline, 0, rgb, canvas);
    // The next picture's subtitles are rendered on the registry's worker while this thread
    // delivers this picture and decodes that one.
    int64_t duration = pendingResult_.duration;
    if (duration <= 0) duration = source->GetPlaybackInfo()->DefaultFrameDuration();
    if (duration > 0) RenderSubtitlesAhead((pendingResult_.start + duration) / 10'000, rgb);
}

bool CVelloVideoDecoder::Lend(CVelloSource* source, const CMediaType& mt, uint8_t* buffer,
                              long size, bool rgb, Lent* lent) {
    const VIDEOINFOHEADER* vih = mt.VideoInfo();
    // Only a reference-counted frame can outlive the next decode without a copy.
    if (!lent || rgb || !vih || !frame_->buf[0]) return false;
    const int width = vih->bmiHeader.biWidth;
    const int height = std::abs(vih->bmiHeader.biHeight);
    if (!CVideoScaler::PlainPlanes(*frame_, width, height, mt.Colour())) return false;
    const uint32_t pictureBytes =
        uint32_t(av_image_get_buffer_size(AV_PIX_FMT_YUV420P, width, height, 1));
    // Subtitles draw on rows copied into the buffer, in its packed layout: a whole picture's
    // room, even sizes.
    const bool subtitles = AnySubtitles();
    if (subtitles &&
        (!buffer || size < 0 || uint32_t(size) < pictureBytes || width % 2 != 0 || height % 2 != 0))
        return false;
    AVFramePtr frame = MakeFrame();
    if (!frame) return false;
    av_frame_move_ref(frame.get(), frame_.get());
    Lent out;
    size_t copied = 0;
    if (subtitles) {
        CLentPictureCanvas canvas(*frame, buffer, width, height);
        DrawSubtitles(source, buffer, width, height, false, &canvas);
        out.band = canvas.band();
        copied = canvas.copied_bytes();
    }
    out.frame = std::move(frame);
    *lent = std::move(out);
    CountCopy(pictureBytes, uint32_t(copied));
    return true;
}

bool CVelloVideoDecoder::Convert(const AVFrame& frame, const CMediaType& mt, uint8_t* buffer,
                                 long size, bool rgb) {
    const VIDEOINFOHEADER* vih = mt.VideoInfo();
    if (!vih || frame.width <= 0 || frame.height <= 0 || !frame.data[0]) return false;
    const int width = vih->bmiHeader.biWidth;
    const int height = std::abs(vih->bmiHeader.biHeight);
    if (width <= 0 || height <= 0) return false;
    const AVPixelFormat target = rgb ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
    const uint32_t needed = rgb ? CMediaType::Rgb24Stride(width) * uint32_t(height)
                                : uint32_t(av_image_get_buffer_size(target, width, height, 1));
    if (size < 0 || uint32_t(size) < needed) return false;

    uint8_t* dst[4] = {};
    int dstStride[4] = {};
    int dstRows[4] = {};
    if (rgb) {
        dst[0] = buffer;
        dstStride[0] = static_cast<int>(CMediaType::Rgb24Stride(width));
        dstRows[0] = height;
    } else {
        // YV12: Y, then V, then U. The planes are handed over as the scaler's 4:2:0 layout
        // (Y, U, V) with the two chroma destinations swapped.
        const int chromaWidth = (width + 1) / 2;
        const int chromaHeight = (height + 1) / 2;
        dst[0] = buffer;
        dst[2] = dst[0] + static_cast<size_t>(width) * height;
        dst[1] = dst[2] + static_cast<size_t>(chromaWidth) * chromaHeight;
        dstStride[0] = width;
        dstStride[1] = dstStride[2] = chromaWidth;
        dstRows[0] = height;
        dstRows[1] = dstRows[2] = chromaHeight;
        if (const int depth =
                CVideoScaler::PlainDepthReduction(frame, width, height, target, mt.Colour())) {
            for (int plane = 0; plane < 3; ++plane) {
                ReducePlaneTo8Bits(frame.data[plane], frame.linesize[plane], dst[plane],
                                   dstStride[plane], dstStride[plane], dstRows[plane], depth);
            }
            CountCopy(needed, needed);
            return true;
        }
    }
    SwsContext* sws = scaler_.Get(frame, width, height, target, mt.Colour());
    if (!sws) return false;

    const uint8_t* src[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
    int srcStride[4] = {frame.linesize[0], frame.linesize[1], frame.linesize[2], frame.linesize[3]};
    if (rgb) {
        // Bottom-up: the source is read from its last row upwards.
        const AVPixFmtDescriptor* desc =
            av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
        if (!desc) return false;
        // Only real planes are flipped (a palette is not a plane).
        const int planes = (desc->flags & AV_PIX_FMT_FLAG_PAL)
                               ? 1
                               : av_pix_fmt_count_planes(static_cast<AVPixelFormat>(frame.format));
        for (int plane = 0; plane < planes && plane < 4 && src[plane]; ++plane) {
            const bool chroma = (plane == 1 || plane == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
            const int rows =
                chroma ? AV_CEIL_RSHIFT(frame.height, desc->log2_chroma_h) : frame.height;
            src[plane] += static_cast<ptrdiff_t>(srcStride[plane]) * (rows - 1);
            srcStride[plane] = -srcStride[plane];
        }
    }
    if (sws_scale(sws, src, srcStride, 0, frame.height, dst, dstStride) <= 0) return false;
    // The scaler writes the whole output picture once, from the frame's planes.
    CountCopy(needed, needed);
    return true;
}

void CVelloVideoDecoder::DecodeSubtitle(CVelloSource* source, int64_t pictureTime) {
    // The head packet waits until the pictures reach its time: a bitmap subtitle shows from
    // the moment it is decoded, and the reading runs ahead of the pictures.
    AVPacketPtr packet;
    if (!source->PeekSubtitle(packet)) return;
    const bool due =
        packet->size <= 0 || packet->pts == AV_NOPTS_VALUE || packet->pts <= pictureTime;
    // Time stamps far off the pictures' must not make the queue grow for the rest of the file.
    if (!due && source->SubtitleQueue()->Count() <= kMaxWaitingSubtitlePackets) return;
    if (!source->GetSubtitlePacket(packet)) return;
    const int64_t packetMs = packet->pts == AV_NOPTS_VALUE ? 0 : packet->pts / 10'000;
    packet->pts = packet->pos;  // the stream's own time stamp
    packet->pos = -1;
    AVSubtitlePtr subtitle;
    {
        CPlaybackInfo* info = source->GetPlaybackInfo();
        std::lock_guard lock(info->GetLock());
        subtitle = zvp::DecodeSubtitle(info->GetCodecContext(AVMEDIA_TYPE_SUBTITLE), packet.get());
    }
    OpenDecodedSubtitle(std::move(subtitle), packetMs);
}

}  // namespace zvp
