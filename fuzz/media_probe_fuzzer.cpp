// Feeds arbitrary bytes to the media file record as a file: probe, every query the player
// makes, the decoder of each stream opened in turn, at most kMaxPackets packets read, a seek
// to the middle and to the start, and a few packets more after each.
//
// Checks, besides the sanitizers: a successful probe has a video or an audio stream, the
// chosen streams are among the listed ones, and a read packet belongs to a stream of the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "MediaInput.h"
#include "graph/FFmpegPtr.h"
#include "media/CPlaybackInfo.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

constexpr int kMaxPackets = 500;
constexpr int kPacketsAfterSeek = 20;

// Reads up to `count` packets; each must name a stream of the file.
void ReadPackets(zvp::CPlaybackInfo& info, int count) {
    const AVFormatContext* format = info.GetFormatContext();
    zvp::AVPacketPtr packet(av_packet_alloc());
    for (int i = 0; i < count; ++i) {
        if (info.ReadPacket(*packet) != 0) break;
        if (packet->stream_index < 0 ||
            static_cast<unsigned>(packet->stream_index) >= format->nb_streams) {
            __builtin_trap();
        }
    }
}

void CheckChosen(const zvp::CPlaybackInfo& info) {
    std::vector<int> streams;
    int current = -1;
    info.GetAudioStreams(streams, current);
    if (current != -1 && std::find(streams.begin(), streams.end(), current) == streams.end()) {
        __builtin_trap();
    }
    info.GetSubtitleStreams(streams, current);
    if (current != -1 && std::find(streams.begin(), streams.end(), current) == streams.end()) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zvp::fuzz::MediaInput input;
    const std::string path =
        input.Write(std::string_view(reinterpret_cast<const char*>(data), size));
    zvp::CPlaybackInfo info;
    if (info.ParseMediaContext(path) != zvp::S_OK) return 0;
    if (!info.HasVideo() && !info.HasAudio()) __builtin_trap();
    CheckChosen(info);
    (void)info.VideoWidth();
    (void)info.VideoHeight();
    (void)info.VideoSampleAspectRatio();
    (void)info.FrameRate();
    (void)info.IsRealMedia();
    zvp::MediaDuration duration;
    const bool known = info.Duration(duration);
    if (known != info.IsSeekable()) __builtin_trap();
    if (known && (duration.minutes > 59 || duration.seconds > 59 ||
                  duration.microseconds > 999999 || duration.hours < 0 || duration.minutes < 0 ||
                  duration.seconds < 0 || duration.microseconds < 0)) {
        __builtin_trap();
    }

    // Every stream's decoder in turn, then the first of each kind again.
    const AVFormatContext* format = info.GetFormatContext();
    const int streams = static_cast<int>(std::min(format->nb_streams, 16u));
    for (int i = 0; i < streams; ++i) {
        const AVMediaType kind = format->streams[i]->codecpar->codec_type;
        if (kind == AVMEDIA_TYPE_VIDEO || kind == AVMEDIA_TYPE_AUDIO ||
            kind == AVMEDIA_TYPE_SUBTITLE) {
            if (info.OpenStream(kind, i) && info.CurrentStream(kind) != i) __builtin_trap();
        }
    }
    CheckChosen(info);
    (void)info.VideoWidth();

    ReadPackets(info, kMaxPackets);
    if (known) {
        const double half = std::clamp(duration.totalSeconds / 2, 0.0, 1e9);
        info.SeekFile(static_cast<int64_t>(half * 10'000'000.0));
        ReadPackets(info, kPacketsAfterSeek);
    }
    info.SeekFile(0);
    ReadPackets(info, kPacketsAfterSeek);
    return 0;
}
