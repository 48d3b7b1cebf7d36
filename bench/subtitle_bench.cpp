// Pictures per second of the video path (decode, convert to the output format, draw the
// subtitles) over the 1080p test clip: without subtitles, with a two-line external SRT
// subtitle on every picture, and with two embedded text subtitles (one track built per
// picture each). Prints each figure and the ratio to the plain run; the subtitled runs are
// expected to keep at least 85 %.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "app/Logger.h"
#include "graph/FFmpegPtr.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/CSubtitleFile.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Mode { kPlain, kExternal, kEmbedded };

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct Figures {
    double wall = 0;  // pictures per second of elapsed time
    double cpu = 0;   // pictures per second of the process's CPU time (all threads)
};

// Decodes the whole clip once into the output format and draws the registry's subtitles
// onto every picture; returns its throughput (zeros on failure).
Figures RunPass(const std::string& clip, bool rgb24, Mode mode) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, clip.c_str(), nullptr, nullptr) < 0) return {};
    zvp::AVFormatContextPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return {};
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0) return {};
    zvp::AVCodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return {};
    const int w = decoder->width, h = decoder->height;
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> picture(rgb24 ? size_t(rowBytes) * h : size_t(w) * h * 3 / 2);
    zvp::SwsContextPtr scaler;
    zvp::AVPacketPtr packet = zvp::MakePacket();
    zvp::AVFramePtr frame = zvp::MakeFrame();
    const AVRational tb = format->streams[stream]->time_base;
    zvp::SetSubtitleOutputRgb24(rgb24);

    long pictures = 0;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    auto deliver = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            scaler.reset(sws_getCachedContext(scaler.release(), w, h, AVPixelFormat(frame->format),
                                              w, h, rgb24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUV420P,
                                              SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
            if (rgb24) {
                uint8_t* dst[1] = {picture.data() + size_t(rowBytes) * (h - 1)};
                int stride[1] = {-rowBytes};
                sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, dst, stride);
            } else {
                uint8_t* y = picture.data();
                uint8_t* v = y + size_t(w) * h;
                uint8_t* u = v + size_t(w / 2) * (h / 2);
                uint8_t* dst[3] = {y, u, v};
                int stride[3] = {w, w / 2, w / 2};
                sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, dst, stride);
            }
            const int64_t ms = frame->best_effort_timestamp == AV_NOPTS_VALUE
                                   ? 0
                                   : av_rescale_q(frame->best_effort_timestamp, tb, {1, 1000});
            if (mode == Mode::kEmbedded) {
                zvp::OpenSubtitle(zvp::kSubtitleText, 0,
                                  "Dialogue: 0,0:00:00.00,1:00:00.00,Default,,0,0,0,,The lower "
                                  "of two embedded lines");
                zvp::OpenSubtitle(zvp::kSubtitleText, 1,
                                  "Dialogue: 0,0:00:00.00,1:00:00.00,Default,,0,0,0,,And the "
                                  "upper one, on every picture");
            }
            int baseline = h - 32;
            zvp::RenderSubtitles(picture.data(), w, h, ms, baseline, rgb24 ? rowBytes : w);
            ++pictures;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            deliver();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    deliver();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    return Figures{seconds > 0 ? pictures / seconds : 0, cpu > 0 ? pictures / cpu : 0};
}

}  // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("ZVP_MEDIA_DIR");
    const std::string clip =
        argc > 1 ? argv[1] : std::string(dir ? dir : ZVP_DEFAULT_MEDIA_DIR) + "/hd1080.mp4";
    const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (!std::filesystem::exists(clip)) {
        std::fprintf(stderr, "missing clip %s (build the test_media target)\n", clip.c_str());
        return 1;
    }
    zvp::Logger::Instance().SetStdoutOutput(false);
    zvp::Logger::Instance().SetFileOutput(false);

    // A two-line SRT cue that covers the whole clip, beside a copy-free link to the clip.
    const auto work = std::filesystem::temp_directory_path() /
                      ("zvp-subtitle-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    const std::string media = (work / "clip.mp4").string();
    std::ofstream(media) << "";
    std::ofstream(work / "clip.srt") << "1\n00:00:00,000 --> 01:00:00,000\n"
                                        "The first line of a subtitle\n"
                                        "and <i>its second line</i>, on every picture\n";
    auto host = std::make_shared<zvp::CMemorySubtitleHost>();
    host->SetTempFolder((work / "tmp").string());
    zvp::SetSubtitleHost(host);

    std::printf(
        "clip %s, %d passes of each run interleaved, best pass shown;\n"
        "pictures/s of elapsed time and of process CPU time\n",
        clip.c_str(), passes);
    const char* names[3] = {"plain", "external 2-line SRT", "embedded 2 lines"};
    for (bool rgb24 : {false, true}) {
        Figures best[3];
        for (int pass = 0; pass < passes; ++pass) {
            for (int m = 0; m < 3; ++m) {
                const Mode mode = Mode(m);
                zvp::ShutdownSubtitles();
                zvp::CSubtitle::Setup(1920, 1080);
                if (mode == Mode::kExternal) zvp::OpenSubtitle(zvp::kSubtitleExternal, 0, media);
                const Figures f = RunPass(clip, rgb24, mode);
                best[m].wall = std::max(best[m].wall, f.wall);
                best[m].cpu = std::max(best[m].cpu, f.cpu);
            }
        }
        for (int m = 0; m < 3; ++m) {
            std::printf("%s %-20s %6.1f/s elapsed (%5.1f %%)  %6.1f/s CPU (%5.1f %%)\n",
                        rgb24 ? "RGB24" : "YV12 ", names[m], best[m].wall,
                        best[0].wall > 0 ? 100.0 * best[m].wall / best[0].wall : 0.0, best[m].cpu,
                        best[0].cpu > 0 ? 100.0 * best[m].cpu / best[0].cpu : 0.0);
        }
    }
    zvp::ShutdownSubtitles();
    std::filesystem::remove_all(work);
    return 0;
}
