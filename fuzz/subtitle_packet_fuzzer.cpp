// Feeds arbitrary bytes to the embedded subtitle path as one subtitle stream's packets:
//   byte 0          the decoder, by its value modulo 5: ASS, SubRip, DVD, DVB, PGS
//   then records    a 16-bit little-endian length and that many bytes (a short last record
//                   takes what is left); the first record is the decoder's extradata, each
//                   other one a packet, the n-th at n seconds (at most kMaxPackets)
// Each packet is decoded, handed to the text or bitmap subtitle and drawn on 64 x 48 YV12 and
// RGB24 pictures inside and after its time; a seek and a clear end each input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "SubtitleStage.h"
#include "graph/FFmpegPtr.h"
#include "subtitle/SubtitleDecoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

constexpr int kMaxPackets = 32;

constexpr AVCodecID kDecoders[] = {AV_CODEC_ID_ASS, AV_CODEC_ID_SUBRIP, AV_CODEC_ID_DVD_SUBTITLE,
                                   AV_CODEC_ID_DVB_SUBTITLE, AV_CODEC_ID_HDMV_PGS_SUBTITLE};

// The next record of `rest`, which loses it.
std::string_view NextRecord(std::string_view& rest) {
    if (rest.size() < 2) {
        rest = {};
        return {};
    }
    const size_t length = static_cast<uint8_t>(rest[0]) | size_t{static_cast<uint8_t>(rest[1])}
                                                              << 8;
    rest.remove_prefix(2);
    const std::string_view record = rest.substr(0, length);
    rest.remove_prefix(record.size());
    return record;
}

// A codec context for `id` with `extradata` (copied, padded), or null when it does not open.
zvp::AVCodecContextPtr OpenDecoder(AVCodecID id, std::string_view extradata) {
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) return nullptr;
    zvp::AVCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return nullptr;
    if (!extradata.empty()) {
        context->extradata =
            static_cast<uint8_t*>(av_mallocz(extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!context->extradata) return nullptr;
        std::memcpy(context->extradata, extradata.data(), extradata.size());
        context->extradata_size = static_cast<int>(extradata.size());
    }
    context->pkt_timebase = AVRational{1, 1000};
    context->width = zvp::fuzz::SubtitleStage::kWidth;
    context->height = zvp::fuzz::SubtitleStage::kHeight;
    context->max_pixels = zvp::kMaxSubtitlePixels;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
    return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zvp::fuzz::SubtitleStage stage;
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const AVCodecID id = kDecoders[data[0] % 5];
    zvp::AVCodecContextPtr context = OpenDecoder(id, NextRecord(rest));
    if (!context) return 0;
    zvp::AVPacketPtr packet(av_packet_alloc());
    for (int n = 0; n < kMaxPackets && !rest.empty(); ++n) {
        const std::string_view record = NextRecord(rest);
        if (av_new_packet(packet.get(), static_cast<int>(record.size())) < 0) break;
        if (!record.empty()) std::memcpy(packet->data, record.data(), record.size());
        const int64_t ms = int64_t{n} * 1000;
        packet->pts = packet->dts = ms;
        packet->duration = 1000;
        zvp::AVSubtitlePtr subtitle = zvp::DecodeSubtitle(context.get(), packet.get());
        av_packet_unref(packet.get());
        if (subtitle) zvp::OpenDecodedSubtitle(std::move(subtitle), ms);
        zvp::fuzz::SubtitleStage::Render(ms + 500);
    }
    // The end-of-stream marker decodes to nothing.
    if (zvp::DecodeSubtitle(context.get(), packet.get())) __builtin_trap();
    zvp::fuzz::SubtitleStage::Render(3600000);
    zvp::SeekSubtitles(0);
    zvp::fuzz::SubtitleStage::Render(500);
    zvp::ClearSubtitles(zvp::kSubtitleBitmap);
    zvp::ClearSubtitles(zvp::kSubtitleText);
    return 0;
}
