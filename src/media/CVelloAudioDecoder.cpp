#include "media/CVelloAudioDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/Logger.h"
#include "media/CVelloSource.h"
#include "media/ChannelMask.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace zvp {

namespace {

const char* FormatName(AVSampleFormat format) {
    const char* name = av_get_sample_fmt_name(format);
    return name ? name : "?";
}

}  // namespace

CVelloAudioDecoder::CVelloAudioDecoder()
    : frame_(MakeFrame()), resampleBuffer_(static_cast<uint8_t*>(av_malloc(kResampleBytes))) {}

CVelloAudioDecoder::~CVelloAudioDecoder() = default;

void CVelloAudioDecoder::Reset() {
    output_ = nullptr;
    packet_.reset();
    needPacket_ = true;
    if (frame_) av_frame_unref(frame_.get());
}

int CVelloAudioDecoder::AudioDecodeFrame(bool& end, bool& interrupted, int64_t& packetTime) {
    static constexpr const char* kWhere = "CVelloAudioDecoder::AudioDecodeFrame";
    end = false;
    interrupted = false;
    if (!source_ || !frame_ || !resampleBuffer_) {
        end = true;
        return -1;
    }
    CPlaybackInfo* info = source_->GetPlaybackInfo();
    for (;;) {
        if (!needPacket_) {
            std::lock_guard lock(info->GetLock());
            AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_AUDIO);
            if (!codec) {
                end = true;
                return -1;
            }
            av_frame_unref(frame_.get());
            const int received = avcodec_receive_frame(codec, frame_.get());
            if (received == 0) {
                const int bytes = ConvertFrame();
                if (bytes > 0) return bytes;
                continue;  // nothing to hand out: the next block
            }
            // EAGAIN: the packets sent are used up; errors drop the rest of the packet.
            needPacket_ = true;
        }

        packet_.reset();
        const PacketResult got = source_->GetAudioPacket(packet_);
        if (got == PacketResult::kInterrupted) {
            interrupted = true;
            return -1;
        }
        if (got == PacketResult::kNotYet) {
            // Refused while the video runs far ahead in the file: the audio comes later.
            Log({kWhere, kLogInfo}, "No data in audio queue. EOF?");
            if (source_->WaitForAudioPacket()) continue;
            interrupted = true;
            return -1;
        }
        if (got == PacketResult::kEnd) {
            Log({kWhere, kLogInfo}, "No data in audio queue. EOF?");
            end = true;
            return -1;
        }
        packetTime = packet_->pts;
        packet_->pts = packet_->pos;  // the stream's own time stamp (see CVelloSource)
        packet_->pos = -1;
        std::lock_guard lock(info->GetLock());
        AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_AUDIO);
        if (!codec) {
            end = true;
            return -1;
        }
        if (avcodec_send_packet(codec, packet_.get()) == 0) needPacket_ = false;
    }
}

int CVelloAudioDecoder::ConvertFrame() {
    // Called under CPlaybackInfo's lock.
    AudioConversion& conv = source_->GetPlaybackInfo()->GetAudioConversion();
    const AVFrame& frame = *frame_;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    if (frame.nb_samples <= 0 || channels <= 0 || conv.dstChannels <= 0) return -1;
    const int64_t layout = ChannelMask(frame.ch_layout);

    const bool sameAsTarget = format == conv.dstFormat && layout == conv.dstLayout &&
                              frame.sample_rate == conv.dstRate && channels == conv.dstChannels;
    const bool sourceChanged =
        format != conv.srcFormat || layout != conv.srcLayout || frame.sample_rate != conv.srcRate;
    if (!sameAsTarget && (sourceChanged || !conv.resampler)) {
        conv.resampler.reset();
        AVChannelLayout outLayout{}, inLayout{};
        av_channel_layout_from_mask(&outLayout, static_cast<uint64_t>(conv.dstLayout));
        av_channel_layout_from_mask(&inLayout, static_cast<uint64_t>(layout));
        SwrContext* swr = nullptr;
        int made = swr_alloc_set_opts2(&swr, &outLayout, conv.dstFormat, conv.dstRate, &inLayout,
                                       format, frame.sample_rate, 0, nullptr);
        SwrContextPtr owned(swr);
        if (made >= 0) made = swr_init(owned.get());
        av_channel_layout_uninit(&outLayout);
        av_channel_layout_uninit(&inLayout);
        if (made < 0) {
            std::fprintf(stderr,
                         "Cannot create sample rate converter for conversion of %d Hz %s %d "
                         "channels to %d Hz %s %d channels!\n",
                         frame.sample_rate, FormatName(format), channels, conv.dstRate,
                         FormatName(conv.dstFormat), conv.dstChannels);
            return -1;
        }
        conv.resampler = std::move(owned);
        conv.srcFormat = format;
        conv.srcLayout = layout;
        conv.srcChannels = channels;
        conv.srcRate = frame.sample_rate;
    } else if (sameAsTarget) {
        conv.resampler.reset();
        conv.srcFormat = format;
        conv.srcLayout = layout;
        conv.srcChannels = channels;
        conv.srcRate = frame.sample_rate;
    }

    const int targetBytes = av_get_bytes_per_sample(conv.dstFormat);
    if (conv.resampler) {
        const int room = kResampleBytes / conv.dstChannels / targetBytes;
        uint8_t* out[1] = {resampleBuffer_.get()};
        const int converted =
            swr_convert(conv.resampler.get(), out, room,
                        const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
        if (converted < 0) {
            std::fprintf(stderr, "audio_resample() failed\n");
            return -1;
        }
        if (converted == room) {
            std::fprintf(stderr, "warning: audio buffer is probably too small\n");
            swr_init(conv.resampler.get());
        }
        output_ = resampleBuffer_.get();
        return converted * conv.dstChannels * targetBytes;
    }
    output_ = frame.data[0];
    return frame.nb_samples * channels * targetBytes;
}

bool CVelloAudioDecoder::FillAudioBuffer(uint8_t* buffer, long& length, long capacity,
                                         int64_t& start, int64_t& next, bool& interrupted) {
    long want = length;
    length = 0;
    start = 0;
    interrupted = false;
    while (want > 0) {
        bool end = false;
        int64_t packetTime = 0;
        const int n = AudioDecodeFrame(end, interrupted, packetTime);
        if (start == 0) start = packetTime;
        if (end || interrupted) return false;
        const long copied = std::min<long>(n, capacity - length);
        if (copied > 0) std::memcpy(buffer + length, output_, size_t(copied));
        want -= n;
        length += std::max<long>(copied, 0);
        if (length >= capacity) break;
    }
    AVPacketPtr head;
    if (source_->PeekAudio(head)) next = head->pts;
    return true;
}

}  // namespace zvp
