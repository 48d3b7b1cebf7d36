#include "ui/MediaInfoRows.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>

#include "app/PathParts.h"
#include "app/TextFormat.h"
#include "media/CPlaybackInfo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

namespace zvp {

namespace {

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Printf(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string OrEmpty(const char* text) {
    return text ? std::string(text) : std::string();
}

std::string DecoderName(const AVCodecContext* context) {
    const AVCodec* codec = avcodec_find_decoder(context->codec_id);
    return codec ? OrEmpty(codec->name) : std::string();
}

std::string BitRate(const AVCodecContext* context) {
    return Printf("%.0f kb", double(context->bit_rate) / 1024.0);
}

// The stream's average frame rate, else its real frame rate, else the record's choice.
double StreamFrameRate(const CPlaybackInfo& info, const AVFormatContext* format) {
    const int index = info.CurrentStream(AVMEDIA_TYPE_VIDEO);
    if (format && index >= 0 && unsigned(index) < format->nb_streams) {
        const AVStream* stream = format->streams[index];
        if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
            return av_q2d(stream->avg_frame_rate);
        if (stream->r_frame_rate.num > 0 && stream->r_frame_rate.den > 0)
            return av_q2d(stream->r_frame_rate);
    }
    return info.FrameRate();
}

std::string FileSize(const std::string& path) {
    struct stat attributes {};
    if (path.empty() || ::stat(path.c_str(), &attributes) != 0) return FormatByteSize(0, 1);
    return FormatByteSize(int64_t(attributes.st_size), 1);
}

}  // namespace

MediaInfo ReadMediaInfo(CPlaybackInfo* info) {
    MediaInfo out;
    auto add = [&out](std::string label, std::string value = std::string()) {
        out.rows.emplace_back(std::move(label), std::move(value));
    };
    if (!info) {
        add("General:");
        add("+ File Size:", FormatByteSize(0, 1));
        add("+ File Length:", FormatMilliseconds(0));
        add("+ Resolution:", "0 x 0");
        return out;
    }

    std::lock_guard<std::recursive_mutex> lock(info->GetLock());
    const std::string path = info->FileName();
    const PathParts parts(path);
    out.fileName = parts.FileName();
    out.folder = parts.Folder();

    MediaDuration duration;
    int64_t milliseconds = 0;
    if (info->Duration(duration)) milliseconds = int64_t(duration.totalSeconds * 1000.0);
    const AVCodecContext* video = info->GetCodecContext(AVMEDIA_TYPE_VIDEO);
    const AVCodecContext* audio = info->GetCodecContext(AVMEDIA_TYPE_AUDIO);

    add("General:");
    add("+ File Size:", FileSize(path));
    add("+ File Length:", FormatMilliseconds(milliseconds));
    char resolution[64];
    std::snprintf(resolution, sizeof resolution, "%d x %d", video ? info->VideoWidth() : 0,
                  video ? info->VideoHeight() : 0);
    add("+ Resolution:", resolution);

    if (video) {
        add("");
        add("Video:");
        add("+ Codec:", DecoderName(video));
        add("+ Bit Rate:", BitRate(video));
        add("+ Frame Rate:", Printf("%.1f fps", StreamFrameRate(*info, info->GetFormatContext())));
    }
    if (audio) {
        add("");
        add("Audio:");
        add("+ Codec:", DecoderName(audio));
        add("+ Channels:", Printf("%d", audio->ch_layout.nb_channels));
        add("+ Bit Rate:", BitRate(audio));
        add("+ Sample Rate:", Printf("%d hz", audio->sample_rate));
        add("+ Sample Bits:",
            Printf("%d", 8 * av_get_bytes_per_sample(info->GetAudioConversion().srcFormat)));
        add("+ Sample Format:", OrEmpty(av_get_sample_fmt_name(audio->sample_fmt)));
    }
    return out;
}

}  // namespace zvp
