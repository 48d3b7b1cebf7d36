#include "media/CVelloAudioDecoder.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "app/Logger.h"
#include "media/CVelloSource.h"
#include "media/ChannelMask.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

namespace zvp {

namespace {

constexpr AVRational kUnitsTimeBase{1, 10'000'000};
constexpr int64_t kUnitsPerSecond = 10'000'000;

const char* FormatName(AVSampleFormat format) {
    const char* name = av_get_sample_fmt_name(format);
    return name ? name : "?";
}

}  // namespace

CVelloAudioDecoder::CVelloAudioDecoder()
    : frame_(MakeFrame()),
      packet_(MakePacket()),
      resampleBuffer_(static_cast<uint8_t*>(av_malloc(kResampleBytes))) {}

CVelloAudioDecoder::~CVelloAudioDecoder() = default;

void CVelloAudioDecoder::SetOutputFormat(int channels, int rate) {
    target_ = Target{};
    if (channels > 0 && rate > 0) {
        target_.channels = channels;
        target_.rate = rate;
    }
    rebuild_ = true;
}

void CVelloAudioDecoder::Reset() {
    output_ = nullptr;
    if (packet_) av_packet_unref(packet_.get());
    if (frame_) av_frame_unref(frame_.get());
    needPacket_ = true;
    pending_ = false;
    refused_ = false;
    draining_ = false;
    flushed_ = false;
    held_ = false;
    cut_ = 0;
    silenceBytes_ = 0;
    align_ = Align::kStart;
    lastEnd_ = AV_NOPTS_VALUE;
    stream_ = -1;
    dropLogged_ = false;
    refusalLogged_ = false;
}

int CVelloAudioDecoder::AudioDecodeFrame(bool& end, bool& interrupted, int64_t& packetTime) {
    static constexpr const char* kWhere = "CVelloAudioDecoder::AudioDecodeFrame";
    end = false;
    interrupted = false;
    if (!source_ || !frame_ || !packet_ || !resampleBuffer_) {
        end = true;
        return -1;
    }
    CPlaybackInfo* info = source_->GetPlaybackInfo();
    for (;;) {
        if (silenceBytes_ > 0) {
            const int64_t room = kResampleBytes / BlockAlign() * BlockAlign();
            const int bytes = static_cast<int>(std::min(silenceBytes_, room));
            std::memset(resampleBuffer_.get(), 0, static_cast<size_t>(bytes));
            silenceBytes_ -= bytes;
            output_ = resampleBuffer_.get();
            return bytes;
        }
        if (held_) {
            std::lock_guard lock(info->GetLock());
            held_ = false;
            const int bytes = ConvertFrame();
            if (bytes > 0) return bytes;
            continue;
        }
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
                refused_ = false;
                if (!AlignFrame(*codec)) continue;  // wholly before the start
                if (draining_ && frameStart_ != AV_NOPTS_VALUE) packetTime = frameStart_;
                if (held_) continue;  // the silence before it goes first
                const int bytes = ConvertFrame();
                if (bytes > 0) return bytes;
                continue;  // nothing to hand out: the next block
            }
            if (draining_) {
                // AVERROR_EOF: every frame is out. Anything else (an error, or a decoder a
                // track switch put in after the drain began) ends the stream as well.
                if (!flushed_) {
                    flushed_ = true;
                    const int bytes = FlushResampler();
                    if (bytes > 0) return bytes;
                }
                end = true;
                return -1;
            }
            // EAGAIN: the packets sent are used up; errors drop the rest of the packet.
            needPacket_ = true;
            if (refused_) {
                // The decoder neither takes the packet nor gives a frame: give up the packet
                // rather than ask forever.
                Log({kWhere, kLogError}, "Audio decoder refused a packet twice; packet dropped.");
                refused_ = false;
                pending_ = false;
            }
        }

        if (!pending_) {
            const PacketResult got = source_->GetAudioPacket(packet_);
            if (got == PacketResult::kInterrupted) {
                interrupted = true;
                return -1;
            }
            if (got == PacketResult::kNotYet) {
                // Refused while the video runs far ahead in the file: the audio comes later.
                // While the video stays that far ahead, every time the audio queue runs dry
                // (as often as every audio packet): logged once until the next seek.
                if (!refusalLogged_) Log({kWhere, kLogInfo}, "No data in audio queue. EOF?");
                refusalLogged_ = true;
                if (source_->WaitForAudioPacket()) continue;
                interrupted = true;
                return -1;
            }
            if (got == PacketResult::kEnd) {
                Log({kWhere, kLogInfo}, "No data in audio queue. EOF?");
                // Frame threads hold the last frames back until the decoder is drained.
                std::lock_guard lock(info->GetLock());
                if (AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_AUDIO))
                    avcodec_send_packet(codec, nullptr);
                draining_ = true;
                needPacket_ = false;
                continue;
            }
            packetTime = packet_->pts;
            packet_->pts = packet_->pos;  // the stream's own time stamp (see CVelloSource)
            packet_->pos = -1;
            pending_ = true;
        }
        std::lock_guard lock(info->GetLock());
        AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_AUDIO);
        if (!codec) {
            end = true;
            return -1;
        }
        const int current = info->CurrentStream(AVMEDIA_TYPE_AUDIO);
        if (packet_->stream_index != current) {
            // Queued before a track switch: the current decoder cannot read it.
            if (!dropLogged_) {
                Log({kWhere, kLogInfo}, "Audio packets of stream %d dropped after a track switch.",
                    packet_->stream_index);
                dropLogged_ = true;
            }
            av_packet_unref(packet_.get());
            pending_ = false;
            continue;
        }
        if (stream_ != current) {
            if (stream_ != -1) {
                align_ = Align::kSwitch;
                alignTo_ = lastEnd_;
                dropLogged_ = false;
            }
            stream_ = current;
        }
        int sent = avcodec_send_packet(codec, packet_.get());
        if (sent == AVERROR_EOF) {
            // Drained before (a restart after the end without a seek): start it afresh.
            avcodec_flush_buffers(codec);
            sent = avcodec_send_packet(codec, packet_.get());
        }
        needPacket_ = false;
        if (sent == AVERROR(EAGAIN)) {
            // The decoder's output is full: take its frames, then send this packet again.
            refused_ = true;
            continue;
        }
        pending_ = false;
        av_packet_unref(packet_.get());
        if (sent < 0) Log({kWhere, kLogInfo}, "Audio packet not decoded (error %d).", sent);
    }
}

bool CVelloAudioDecoder::AlignFrame(const AVCodecContext& codec) {
    // Called under CPlaybackInfo's lock.
    const AVFrame& frame = *frame_;
    const AVRational base = codec.pkt_timebase;
    const int rate = frame.sample_rate;
    frameStart_ = AV_NOPTS_VALUE;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE && base.num > 0 && base.den > 0)
        frameStart_ = av_rescale_q(frame.best_effort_timestamp, base, kUnitsTimeBase);
    lastEnd_ = frameStart_ != AV_NOPTS_VALUE && rate > 0
                   ? frameStart_ + av_rescale(frame.nb_samples, kUnitsPerSecond, rate)
                   : AV_NOPTS_VALUE;
    if (align_ == Align::kNone) return true;
    if (align_ == Align::kStart) alignTo_ = source_->GetFirstAudioTime();
    // > 0: the frame begins after the time. Unknown times, and times far apart (a difference
    // too large to fit saturates past the limit), are unusable.
    const int64_t gap = TimeDifference(frameStart_, alignTo_);
    if (frameStart_ == AV_NOPTS_VALUE || alignTo_ == AV_NOPTS_VALUE || rate <= 0 ||
        gap > kMaxAlignUnits || gap < -kMaxAlignUnits) {
        // No usable time: the samples are taken as they come.
        align_ = Align::kNone;
        return true;
    }
    if (gap < 0) {
        const int64_t cut = av_rescale(-gap, rate, kUnitsPerSecond);
        if (cut >= frame.nb_samples) return false;
        cut_ = static_cast<int>(cut);
    } else if (gap > 0 && align_ == Align::kSwitch && EnsureTarget()) {
        silenceBytes_ = av_rescale(gap, target_.rate, kUnitsPerSecond) * BlockAlign();
        held_ = silenceBytes_ > 0;
    }
    align_ = Align::kNone;
    return true;
}

bool CVelloAudioDecoder::EnsureTarget() {
    // Called under CPlaybackInfo's lock.
    const AudioConversion& conv = source_->GetPlaybackInfo()->GetAudioConversion();
    if (target_.channels <= 0 || target_.rate <= 0) {
        if (conv.dstChannels <= 0 || conv.dstRate <= 0) return false;
        target_.channels = conv.dstChannels;
        target_.rate = conv.dstRate;
    }
    if (target_.layout <= 0) {
        if (conv.dstLayout > 0 &&
            std::popcount(static_cast<uint64_t>(conv.dstLayout)) == target_.channels) {
            target_.layout = conv.dstLayout;
        } else {
            AVChannelLayout layout{};
            av_channel_layout_default(&layout, target_.channels);
            target_.layout = ChannelMask(layout);
            av_channel_layout_uninit(&layout);
        }
    }
    return true;
}

int CVelloAudioDecoder::ConvertFrame() {
    // Called under CPlaybackInfo's lock.
    AudioConversion& conv = source_->GetPlaybackInfo()->GetAudioConversion();
    const int cut = std::exchange(cut_, 0);
    const AVFrame& frame = *frame_;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    const int samples = frame.nb_samples - cut;
    if (samples <= 0 || channels <= 0 || !EnsureTarget()) return -1;
    const int64_t layout = ChannelMask(frame.ch_layout);

    const bool sameAsTarget = format == AV_SAMPLE_FMT_S16 && layout == target_.layout &&
                              frame.sample_rate == target_.rate && channels == target_.channels;
    const bool sourceChanged =
        format != conv.srcFormat || layout != conv.srcLayout || frame.sample_rate != conv.srcRate;
    if (!sameAsTarget && (sourceChanged || rebuild_ || !conv.resampler)) {
        conv.resampler.reset();
        AVChannelLayout outLayout{}, inLayout{};
        av_channel_layout_from_mask(&outLayout, static_cast<uint64_t>(target_.layout));
        av_channel_layout_from_mask(&inLayout, static_cast<uint64_t>(layout));
        SwrContext* swr = nullptr;
        int made = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, target_.rate, &inLayout,
                                       format, frame.sample_rate, 0, nullptr);
        SwrContextPtr owned(swr);
        if (made >= 0) made = swr_init(owned.get());
        av_channel_layout_uninit(&outLayout);
        av_channel_layout_uninit(&inLayout);
        if (made < 0) {
            std::fprintf(stderr,
                         "Cannot create sample rate converter for conversion of %d Hz %s %d "
                         "channels to %d Hz %s %d channels!\n",
                         frame.sample_rate, FormatName(format), channels, target_.rate,
                         FormatName(AV_SAMPLE_FMT_S16), target_.channels);
            return -1;
        }
        conv.resampler = std::move(owned);
        conv.srcFormat = format;
        conv.srcLayout = layout;
        conv.srcChannels = channels;
        conv.srcRate = frame.sample_rate;
        rebuild_ = false;
    } else if (sameAsTarget) {
        conv.resampler.reset();
        rebuild_ = false;
        conv.srcFormat = format;
        conv.srcLayout = layout;
        conv.srcChannels = channels;
        conv.srcRate = frame.sample_rate;
    }

    const uint8_t** in = const_cast<const uint8_t**>(frame.extended_data);
    std::vector<const uint8_t*> moved;
    if (cut > 0) {
        const bool planar = av_sample_fmt_is_planar(format) != 0;
        const size_t step = static_cast<size_t>(cut) * av_get_bytes_per_sample(format) *
                            static_cast<size_t>(planar ? 1 : channels);
        moved.resize(planar ? channels : 1);
        for (size_t i = 0; i < moved.size(); ++i) moved[i] = frame.extended_data[i] + step;
        in = moved.data();
    }
    if (conv.resampler) {
        const int room = kResampleBytes / BlockAlign();
        uint8_t* out[1] = {resampleBuffer_.get()};
        const int converted = swr_convert(conv.resampler.get(), out, room, in, samples);
        if (converted < 0) {
            std::fprintf(stderr, "audio_resample() failed\n");
            return -1;
        }
        if (converted == room) {
            std::fprintf(stderr, "warning: audio buffer is probably too small\n");
            swr_init(conv.resampler.get());
        }
        output_ = resampleBuffer_.get();
        return converted * BlockAlign();
    }
    output_ = in[0];
    return samples * BlockAlign();
}

int CVelloAudioDecoder::FlushResampler() {
    // Called under CPlaybackInfo's lock.
    AudioConversion& conv = source_->GetPlaybackInfo()->GetAudioConversion();
    if (!conv.resampler || !EnsureTarget()) return 0;
    uint8_t* out[1] = {resampleBuffer_.get()};
    const int converted =
        swr_convert(conv.resampler.get(), out, kResampleBytes / BlockAlign(), nullptr, 0);
    if (converted <= 0) return 0;
    output_ = resampleBuffer_.get();
    return converted * BlockAlign();
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
