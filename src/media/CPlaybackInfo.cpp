#include "media/CPlaybackInfo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>

#include "app/CUniqueFd.h"
#include "app/Logger.h"
#include "media/CCdAudioInput.h"
#include "media/ChannelMask.h"
#include "subtitle/SubtitleDecoding.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/mathematics.h>
}

namespace zvp {

namespace {

const char* KindWord(AVMediaType kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return "Video";
        case AVMEDIA_TYPE_AUDIO:
            return "Audio";
        case AVMEDIA_TYPE_SUBTITLE:
            return "Subtitle";
        default:
            return "Unknown";
    }
}

// Frames per second of `rate` when both terms are set, else 0.
double RateOf(AVRational rate) {
    return rate.num != 0 && rate.den != 0 ? av_q2d(rate) : 0.0;
}

// What `path` is when it is no regular file ("" when it cannot be opened at all), or null for
// a regular file. The open does not block on a FIFO (O_NONBLOCK) and follows links, so a link
// to a device is refused as the device.
const char* NotARegularFile(const std::string& path) {
    const CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) return "";
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return "cannot be read";
    if (S_ISREG(st.st_mode)) return nullptr;
    if (S_ISDIR(st.st_mode)) return "a folder";
    if (S_ISFIFO(st.st_mode)) return "a FIFO";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device";
    if (S_ISSOCK(st.st_mode)) return "a socket";
    return "not a regular file";
}

// The local path `url` names: "file:" and a path, or a plain path; "" for any other
// protocol ("name:" before the first '/').
std::string LocalPathOf(const std::string& url) {
    if (url.rfind("file:", 0) == 0) return url.substr(5);
    const size_t colon = url.find(':');
    if (colon != std::string::npos && colon < url.find('/')) return std::string();
    return url;
}

// Every open of the demuxers, the first and those of a list inside the file (HLS segments,
// concat entries): only a regular local file, through the file protocol. A FIFO named inside
// would block the open for ever, a device would never end.
int OpenLocalFileOnly(AVFormatContext* s, AVIOContext** pb, const char* url, int flags,
                      AVDictionary** options) {
    static constexpr const char* kWhere = "CPlaybackInfo::OpenLocalFileOnly";
    const std::string path = url ? LocalPathOf(url) : std::string();
    if (path.empty() || (flags & AVIO_FLAG_WRITE)) {
        Log({kWhere, kLogInfo}, "Refused to open: {%s}", url ? url : "");
        return AVERROR(EPERM);
    }
    if (const char* what = NotARegularFile(path)) {
        Log({kWhere, kLogInfo}, "Not a regular file (%s): {%s}", *what ? what : "cannot be opened",
            path.c_str());
        return AVERROR(EPERM);
    }
    return avio_open2(pb, ("file:" + path).c_str(), flags, &s->interrupt_callback, options);
}

struct AVIOContextCloser {
    void operator()(AVIOContext* p) const { avio_closep(&p); }
};

// The demuxer for `url` (a "file:" URL), probed as avformat_open_input would probe it, so that
// the open itself need not probe again; null when nothing matches.
const AVInputFormat* ProbeFormat(const std::string& url) {
    AVIOContext* opened = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int status = avio_open2(&opened, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
    av_dict_free(&options);
    if (status < 0) return nullptr;
    const std::unique_ptr<AVIOContext, AVIOContextCloser> pb(opened);
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(pb.get(), &format, url.c_str(), nullptr, 0, 0) < 0) return nullptr;
    return format;
}

// Threads for a decoder: one per core this process may run on (its CPU affinity, not the
// machine's total), up to 16. libavcodec's own choice (thread count 0, as the ffmpeg tool's
// `-threads 0`) adds one more frame thread: each frame thread holds a picture of its own in
// flight, which costs a 4K 10-bit stream some 45 MiB and a 1080p one 8 MiB, and on a busy
// machine gains nothing measurable.
int DecoderThreads() {
    return std::clamp(av_cpu_count(), 1, 16);
}

}  // namespace

CPlaybackInfo::CPlaybackInfo() = default;

CPlaybackInfo::~CPlaybackInfo() {
    std::lock_guard lock(lock_);
    CloseAll();
}

void CPlaybackInfo::CloseAll() {
    // Decoders first: they may refer to stream data owned by the format context.
    decoders_.clear();
    frame_.reset();
    format_.reset();
    cd_input_.reset();
    video_ = -1;
    audio_ = -1;
    subtitle_ = -1;
    video_streams_.clear();
    audio_streams_.clear();
    subtitle_streams_.clear();
    file_name_.clear();
    audio_conversion_ = AudioConversion{};
}

std::atomic<int>* CPlaybackInfo::Slot(AVMediaType kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return &video_;
        case AVMEDIA_TYPE_AUDIO:
            return &audio_;
        case AVMEDIA_TYPE_SUBTITLE:
            return &subtitle_;
        default:
            return nullptr;
    }
}

int CPlaybackInfo::CurrentStream(AVMediaType kind) const {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO:
            return video_.load();
        case AVMEDIA_TYPE_AUDIO:
            return audio_.load();
        case AVMEDIA_TYPE_SUBTITLE:
            return subtitle_.load();
        default:
            return -1;
    }
}

HRESULT CPlaybackInfo::ParseMediaContext(const std::string& fileName) {
    static constexpr const char* kWhere = "CPlaybackInfo::ParseMediaContext";
    std::lock_guard lock(lock_);
    CloseAll();

    Log({kWhere, kLogInfo}, "Try parse media file: {%s}", fileName.c_str());
    AVFormatContext* opened = nullptr;
    const AVInputFormat* format = nullptr;
    if (CCdAudioInput::IsTrackPath(fileName)) {
        cd_input_ = CCdAudioInput::Open(fileName);
        opened = cd_input_ ? avformat_alloc_context() : nullptr;
        if (!opened) {
            Log({kWhere, kLogInfo}, "Couldn't open file: {%s}", fileName.c_str());
            return E_FAIL;
        }
        opened->pb = cd_input_->Avio();
        opened->flags |= AVFMT_FLAG_CUSTOM_IO;
        format = av_find_input_format("wav");
    }
    // Only local regular files are read: no network, device, FIFO or folder, neither named
    // directly nor by a list inside the file (HLS, concat), whose nested opens inherit the
    // open callback and the protocol list.
    std::string url = fileName;
    AVDictionary* options = nullptr;
    if (!cd_input_) {
        if (const char* what = NotARegularFile(fileName)) {
            if (*what)
                Log({kWhere, kLogInfo}, "Not a regular file (%s): {%s}", what, fileName.c_str());
            else
                Log({kWhere, kLogInfo}, "Couldn't open file: {%s}", fileName.c_str());
            return E_FAIL;
        }
        url = "file:" + fileName;
        format = ProbeFormat(url);
        // The concat list reader opens the files it names without the open callback: a FIFO
        // named there would block for ever.
        if (format && std::strcmp(format->name, "concat") == 0) {
            Log({kWhere, kLogInfo}, "A list of other files is not opened: {%s}", fileName.c_str());
            return E_FAIL;
        }
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        opened = avformat_alloc_context();
        if (!opened) return E_FAIL;
        opened->io_open = &OpenLocalFileOnly;
    }
    // On failure avformat_open_input frees the context (never a custom I/O context).
    const int status = avformat_open_input(&opened, url.c_str(), format, &options);
    av_dict_free(&options);
    if (status < 0) {
        Log({kWhere, kLogInfo}, "Couldn't open file: {%s}", fileName.c_str());
        return E_FAIL;
    }
    format_.reset(opened);
    format_->flags |= AVFMT_FLAG_GENPTS;

    if (avformat_find_stream_info(format_.get(), nullptr) < 0) {
        Log({kWhere, kLogInfo}, "Couldn't find stream information!");
        return E_FAIL;
    }

    const int count = static_cast<int>(format_->nb_streams);
    decoders_.resize(count);
    // With `decoder` passed, av_find_best_stream never picks a stream that cannot be decoded.
    const AVCodec* decoder = nullptr;
    const auto best = [this, &decoder](AVMediaType kind, int related) {
        return av_find_best_stream(format_.get(), kind, -1, related, &decoder, 0);
    };
    int video = -1, audio = -1, subtitle = -1;
    for (int i = 0; i < count; ++i) {
        const AVStream* stream = format_->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (!avcodec_find_decoder(par->codec_id)) continue;
        switch (par->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                // Cover art is a single picture, not a video to play.
                if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) break;
                video_streams_.push_back(i);
                video = best(AVMEDIA_TYPE_VIDEO, -1);
                break;
            case AVMEDIA_TYPE_AUDIO:
                audio_streams_.push_back(i);
                audio = best(AVMEDIA_TYPE_AUDIO, video);
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                subtitle_streams_.push_back(i);
                subtitle = best(AVMEDIA_TYPE_SUBTITLE, audio >= 0 ? audio : video);
                break;
            default:
                break;
        }
    }
    const auto listed = [](const std::vector<int>& list, int index) {
        return std::find(list.begin(), list.end(), index) != list.end();
    };
    if (!listed(video_streams_, video)) video = -1;
    if (!listed(audio_streams_, audio)) audio = -1;
    if (!listed(subtitle_streams_, subtitle)) subtitle = -1;
    // A negative choice (an error code) leaves the kind without a stream.
    if (video >= 0) OpenStream(AVMEDIA_TYPE_VIDEO, video);
    if (audio >= 0) OpenStream(AVMEDIA_TYPE_AUDIO, audio);
    if (subtitle >= 0) OpenStream(AVMEDIA_TYPE_SUBTITLE, subtitle);

    frame_ = MakeFrame();
    if (!frame_) {
        Log({kWhere, kLogInfo}, "Could not alloc frame!");
        return E_FAIL;
    }
    file_name_ = fileName;
    Log({kWhere, kLogInfo}, "Successfully parsed media file! Video: %d, Audio: %d, Subtitle: %d",
        HasVideo() ? 1 : 0, HasAudio() ? 1 : 0, HasSubtitle() ? 1 : 0);
    if (!HasVideo() && !HasAudio()) {
        // Nothing the player could play: report it rather than a success without streams.
        Log({kWhere, kLogInfo}, "No playable video or audio stream in file: {%s}",
            fileName.c_str());
        return E_FAIL;
    }
    return S_OK;
}

bool CPlaybackInfo::OpenStream(AVMediaType kind, int index) {
    static constexpr const char* kWhere = "CPlaybackInfo::OpenStream";
    if (index == -1) return false;
    std::atomic<int>* slot = Slot(kind);
    if (!slot) return false;
    std::lock_guard lock(lock_);
    if (!format_ || index < 0 || index >= static_cast<int>(format_->nb_streams)) return false;
    // A stream of another kind in this slot would reach the wrong decoding path.
    if (format_->streams[index]->codecpar->codec_type != kind) return false;

    if (*slot != -1) CloseStream(*slot);
    *slot = index;

    AVStream* stream = format_->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        Log({kWhere, kLogInfo}, "%s codec not found! [CodecID: %d]", KindWord(kind),
            static_cast<int>(stream->codecpar->codec_id));
        *slot = -1;
        return false;
    }
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) {
        Log({kWhere, kLogInfo}, "Could not open %s codec: %s", KindWord(kind), codec->name);
        *slot = -1;
        return false;
    }
    if (kind == AVMEDIA_TYPE_VIDEO &&
        (context->width > kMaxPictureSide || context->height > kMaxPictureSide)) {
        Log({kWhere, kLogInfo}, "Video picture too large: %dx%d", context->width, context->height);
        *slot = -1;
        return false;
    }
    if (kind == AVMEDIA_TYPE_AUDIO &&
        (context->sample_rate < kMinSampleRate || context->sample_rate > kMaxSampleRate)) {
        Log({kWhere, kLogInfo}, "Audio sample rate out of range: %d", context->sample_rate);
        *slot = -1;
        return false;
    }
    // A picture that grows past the limit mid-stream is refused by the decoder.
    if (kind == AVMEDIA_TYPE_VIDEO)
        context->max_pixels = static_cast<int64_t>(kMaxPictureSide) * kMaxPictureSide;
    if (kind == AVMEDIA_TYPE_SUBTITLE) context->max_pixels = kMaxSubtitlePixels;
    context->pkt_timebase = stream->time_base;
    // Frame threads where the codec has them (not with AV_CODEC_FLAG_LOW_DELAY), else slice
    // threads; audio and subtitle decoders mostly have neither and stay single-threaded.
    context->thread_count = DecoderThreads();
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;

    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        Log({kWhere, kLogInfo}, "Could not open %s codec: %s", KindWord(kind), codec->name);
        *slot = -1;
        return false;
    }
    avcodec_flush_buffers(context.get());

    if (kind == AVMEDIA_TYPE_AUDIO) {
        // The decoder delivers its own layout and format; the audio path folds more than two
        // channels to stereo and converts to signed 16-bit at the same rate.
        const int64_t mask = ChannelMask(context->ch_layout) &
                             ~static_cast<int64_t>(AV_CH_STEREO_LEFT | AV_CH_STEREO_RIGHT);
        const int channels = std::popcount(static_cast<uint64_t>(mask));
        AudioConversion& a = audio_conversion_;
        a.resampler.reset();
        a.srcFormat = context->sample_fmt;
        a.dstFormat = AV_SAMPLE_FMT_S16;
        a.srcRate = a.dstRate = context->sample_rate;
        a.srcLayout = mask;
        a.srcChannels = channels;
        if (channels > 2) {
            a.dstLayout = static_cast<int64_t>(AV_CH_LAYOUT_STEREO);
            a.dstChannels = 2;
        } else {
            a.dstLayout = mask;
            a.dstChannels = channels;
        }
    }

    decoders_[index] = std::move(context);
    Log({kWhere, kLogInfo}, "%s codec loaded: %s", KindWord(kind), codec->name);
    return true;
}

bool CPlaybackInfo::CloseStream(int index) {
    std::lock_guard lock(lock_);
    if (index < 0 || index >= static_cast<int>(decoders_.size()) || !decoders_[index]) return false;
    decoders_[index].reset();
    return true;
}

void CPlaybackInfo::ClearCurrentStream(AVMediaType kind) {
    std::lock_guard lock(lock_);
    if (std::atomic<int>* slot = Slot(kind)) slot->store(-1);
}

AVCodecContext* CPlaybackInfo::GetCodecContext(AVMediaType kind) const {
    const int index = CurrentStream(kind);
    std::lock_guard lock(lock_);
    if (index < 0 || index >= static_cast<int>(decoders_.size())) return nullptr;
    return decoders_[index].get();
}

int CPlaybackInfo::VideoWidth() const {
    std::lock_guard lock(lock_);
    const AVCodecContext* video = GetCodecContext(AVMEDIA_TYPE_VIDEO);
    return video ? video->width : 0;
}

int CPlaybackInfo::VideoHeight() const {
    std::lock_guard lock(lock_);
    const AVCodecContext* video = GetCodecContext(AVMEDIA_TYPE_VIDEO);
    return video ? video->height : 0;
}

AVRational CPlaybackInfo::VideoSampleAspectRatio() const {
    std::lock_guard lock(lock_);
    const int index = video_.load();
    if (!format_ || index < 0 || index >= static_cast<int>(format_->nb_streams)) return {0, 1};
    const AVRational sar =
        av_guess_sample_aspect_ratio(format_.get(), format_->streams[index], nullptr);
    if (sar.num > 0 && sar.den > 0) return sar;
    const AVCodecContext* video = GetCodecContext(AVMEDIA_TYPE_VIDEO);
    if (video && video->sample_aspect_ratio.num > 0 && video->sample_aspect_ratio.den > 0) {
        return video->sample_aspect_ratio;
    }
    return {0, 1};
}

float CPlaybackInfo::FrameRate() const {
    std::lock_guard lock(lock_);
    const int index = video_.load();
    if (!format_ || index < 0 || index >= static_cast<int>(format_->nb_streams)) return 30.0f;
    const AVStream* stream = format_->streams[index];
    const AVCodecContext* video = GetCodecContext(AVMEDIA_TYPE_VIDEO);
    const double candidates[] = {
        RateOf(stream->r_frame_rate),
        RateOf(stream->avg_frame_rate),
        video ? RateOf(video->framerate) : 0.0,
    };
    for (double rate : candidates)
        if (rate >= 10.0 && rate <= 30.0) return static_cast<float>(rate);
    return 30.0f;
}

int64_t CPlaybackInfo::KnownDuration(const AVFormatContext* format) {
    if (!format) return AV_NOPTS_VALUE;
    if (format->duration != AV_NOPTS_VALUE && format->duration >= 0) return format->duration;
    int64_t longest = AV_NOPTS_VALUE;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->duration == AV_NOPTS_VALUE || stream->duration < 0 ||
            stream->time_base.num <= 0 || stream->time_base.den <= 0)
            continue;
        const int64_t us = av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
        if (longest == AV_NOPTS_VALUE || us > longest) longest = us;
    }
    return longest;
}

bool CPlaybackInfo::IsSeekable() const {
    std::lock_guard lock(lock_);
    return KnownDuration(format_.get()) != AV_NOPTS_VALUE;
}

bool CPlaybackInfo::Duration(MediaDuration& duration) const {
    std::lock_guard lock(lock_);
    duration = MediaDuration{};
    const int64_t us = KnownDuration(format_.get());
    if (us == AV_NOPTS_VALUE) {
        Log({"CPlaybackInfo::Duration", kLogInfo}, "Media duration is N/A");
        return false;
    }
    duration.totalSeconds = static_cast<double>(us) / AV_TIME_BASE;
    const int64_t whole = us / AV_TIME_BASE;
    duration.microseconds = static_cast<int32_t>(us % AV_TIME_BASE);
    const int64_t minutes = whole / 60;
    duration.seconds = static_cast<int32_t>(whole % 60);
    duration.hours = static_cast<int32_t>(minutes / 60);
    duration.minutes = static_cast<int32_t>(minutes % 60);
    return true;
}

int CPlaybackInfo::SeekFile(int64_t position) {
    std::lock_guard lock(lock_);
    if (!format_) return -1;

    int64_t target = av_rescale(position, AV_TIME_BASE, 10'000'000);
    int flags = AVSEEK_FLAG_BACKWARD;
    const int64_t duration = KnownDuration(format_.get());
    if ((format_->iformat->flags & AVFMT_TS_DISCONT) && duration != AV_NOPTS_VALUE &&
        duration >= 10 && format_->pb) {
        // Time stamps jump in such files: seek to the same whole percent of the bytes.
        const int64_t percent = std::clamp<int64_t>(position / (duration / 10), 0, 100);
        const int64_t size = avio_size(format_->pb);
        if (size > 0) {
            target = size * percent / 100;
            flags = AVSEEK_FLAG_BYTE;
        }
    }

    const auto flushDecoders = [this] {
        for (AVMediaType kind : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE})
            if (AVCodecContext* c = GetCodecContext(kind)) avcodec_flush_buffers(c);
    };
    flushDecoders();
    if (avformat_seek_file(format_.get(), -1, INT64_MIN, target, INT64_MAX, flags) < 0) return -1;
    flushDecoders();
    return 0;
}

int CPlaybackInfo::ReadPacket(AVPacket& packet) {
    av_packet_unref(&packet);  // a packet still holding a payload would leak it
    std::lock_guard lock(lock_);
    if (!format_) return 1;
    return av_read_frame(format_.get(), &packet) < 0 ? 1 : 0;
}

void CPlaybackInfo::GetAudioStreams(std::vector<int>& streams, int& current) const {
    std::lock_guard lock(lock_);
    streams = audio_streams_;
    current = audio_.load();
}

void CPlaybackInfo::GetSubtitleStreams(std::vector<int>& streams, int& current) const {
    std::lock_guard lock(lock_);
    streams = subtitle_streams_;
    current = subtitle_.load();
}

bool CPlaybackInfo::IsRealMedia() const {
    std::lock_guard lock(lock_);
    const auto dot = file_name_.rfind('.');
    if (dot == std::string::npos || file_name_.find('/', dot) != std::string::npos) return false;
    std::string ext = file_name_.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "rm" || ext == "rmvb";
}

std::string CPlaybackInfo::FileName() const {
    std::lock_guard lock(lock_);
    return file_name_;
}

}  // namespace zvp
