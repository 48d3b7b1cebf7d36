// Packet throughput: every packet of the 1080p test clip read through CPlaybackInfo::ReadPacket
// into the video and audio queues and taken out again by two consumer threads, beside the same
// read loop written directly on libavformat. Prints packets per second for both and the
// overhead of the queued path.
//   usage: media_queue_bench [clip] [passes] [bare|same|threads]   (default: hd1080.mp4
//   in $ZVP_MEDIA_DIR, else in the media folder of the build tree; 20 passes)
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/Logger.h"
#include "graph/FFmpegPtr.h"
#include "media/CPacketQueue2.h"
#include "media/CPacketQueueVideo.h"
#include "media/CPlaybackInfo.h"

namespace {

// CPU time of the whole process (all threads), in seconds. The machine running the benchmarks
// is shared, so CPU time rather than wall time is the cost that is compared.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Result {
    double seconds = 0;
    long packets = 0;
};

// The bare loop: `passes` times from the start to the end with av_read_frame, dropping each
// packet.
Result BareLoop(AVFormatContext* format, int passes) {
    zvp::AVPacketPtr packet = zvp::MakePacket();
    Result r;
    const double start = CpuSeconds();
    for (int i = 0; i < passes; ++i) {
        avformat_seek_file(format, -1, INT64_MIN, 0, INT64_MAX, AVSEEK_FLAG_BACKWARD);
        while (av_read_frame(format, packet.get()) >= 0) {
            ++r.packets;
            av_packet_unref(packet.get());
        }
    }
    r.seconds = CpuSeconds() - start;
    return r;
}

// The queues' own cost: the reading thread puts each packet into its queue and, once a queue
// holds more than 10 (the worker's blocking threshold), takes its head out again; at the end
// of each pass the end-of-stream markers are put and both queues drained.
Result SameThreadLoop(zvp::CPlaybackInfo& info, int passes) {
    zvp::CPacketQueueVideo video("V", 10, &info);
    zvp::CPacketQueue2 audio("A", 10, &info);
    const int videoIndex = info.CurrentStream(AVMEDIA_TYPE_VIDEO);
    const int audioIndex = info.CurrentStream(AVMEDIA_TYPE_AUDIO);
    Result r;
    zvp::AVPacketPtr packet = zvp::MakePacket();
    zvp::AVPacketPtr out = zvp::MakePacket();
    const double start = CpuSeconds();
    for (int i = 0; i < passes; ++i) {
        info.SeekFile(0);
        video.Reset();
        while (info.ReadPacket(*packet) == 0) {
            zvp::CPacketQueue2* q = packet->stream_index == videoIndex   ? &video
                                    : packet->stream_index == audioIndex ? &audio
                                                                         : nullptr;
            if (!q) {
                av_packet_unref(packet.get());
                continue;
            }
            q->Put(*packet);
            if (q->Count() > 10 && q->Get(*out)) ++r.packets;
        }
        video.PutEndOfStream();
        audio.PutEndOfStream();
        while (video.Get(*out)) ++r.packets;
        while (audio.Get(*out)) ++r.packets;
    }
    r.seconds = CpuSeconds() - start;
    return r;
}

// The player's path: the reading thread distributes packets into the queues by stream and two
// long-lived consumers drain them until the end-of-stream markers after the last pass.
Result QueuedLoop(zvp::CPlaybackInfo& info, int passes) {
    zvp::CPacketQueueVideo video("V", 10, &info);
    zvp::CPacketQueue2 audio("A", 10, &info);
    const int videoIndex = info.CurrentStream(AVMEDIA_TYPE_VIDEO);
    const int audioIndex = info.CurrentStream(AVMEDIA_TYPE_AUDIO);
    long taken[2] = {0, 0};
    const auto drain = [](zvp::CPacketQueue2& q, long& count) {
        for (zvp::AVPacketPtr p = zvp::MakePacket(); q.Get(*p);) ++count;
    };
    std::thread videoConsumer(drain, std::ref(video), std::ref(taken[0]));
    std::thread audioConsumer(drain, std::ref(audio), std::ref(taken[1]));
    Result r;
    const double start = CpuSeconds();
    zvp::AVPacketPtr packet = zvp::MakePacket();
    for (int i = 0; i < passes; ++i) {
        info.SeekFile(0);
        while (info.ReadPacket(*packet) == 0) {
            if (packet->stream_index == videoIndex)
                video.Put(*packet);
            else if (packet->stream_index == audioIndex)
                audio.Put(*packet);
            else
                av_packet_unref(packet.get());
        }
    }
    video.PutEndOfStream();
    audio.PutEndOfStream();
    videoConsumer.join();
    audioConsumer.join();
    r.seconds = CpuSeconds() - start;
    r.packets = taken[0] + taken[1];
    return r;
}

// Nanoseconds per Put + Count + Get of one packet on one thread, with ten packets queued ahead,
// for the video and the audio queue: the queues' own cost without any file reading.
double PutGetNanoseconds(zvp::CPlaybackInfo& info, bool video) {
    zvp::CPacketQueueVideo videoQueue("V", 10, &info);
    zvp::CPacketQueue2 audioQueue("A", 10, &info);
    zvp::CPacketQueue2& q = video ? static_cast<zvp::CPacketQueue2&>(videoQueue) : audioQueue;
    static uint8_t payload[256];
    zvp::AVPacketPtr in = zvp::MakePacket();
    zvp::AVPacketPtr out = zvp::MakePacket();
    constexpr int kRounds = 2'000'000;
    int64_t dts = 0;
    const auto put = [&] {
        in->data = payload;  // not reference-counted: nothing is allocated or freed
        in->size = sizeof payload;
        in->dts = dts += 1000;
        q.Put(*in);
    };
    for (int i = 0; i < 10; ++i) put();
    const double start = CpuSeconds();
    for (int i = 0; i < kRounds; ++i) {
        put();
        if (q.Count() > 10) q.Get(*out);
    }
    return (CpuSeconds() - start) * 1e9 / kRounds;
}

}  // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("ZVP_MEDIA_DIR");
    const std::string clip =
        argc > 1 ? argv[1] : std::string(dir ? dir : ZVP_DEFAULT_MEDIA_DIR) + "/hd1080.mp4";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const std::string only = argc > 3 ? argv[3] : "";  // bare, same or threads: for profiling
    zvp::Logger::Instance().SetStdoutOutput(false);
    av_log_set_level(AV_LOG_ERROR);

    zvp::CPlaybackInfo info;
    if (zvp::FAILED(info.ParseMediaContext(clip))) {
        std::fprintf(stderr, "cannot open %s\n", clip.c_str());
        return 1;
    }
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, clip.c_str(), nullptr, nullptr) < 0) return 1;
    zvp::AVFormatContextPtr format(opened);
    format->flags |= AVFMT_FLAG_GENPTS;  // as the probe opens files
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return 1;

    // Nine runs (ZVP_BENCH_RUNS when set) of `rounds` passes for each path, interleaved so
    // that all see the same machine load. Rates are the best run's; overheads the median of
    // the runs' own ratios, which a burst of load on a shared machine moves least.
    const char* runsText = std::getenv("ZVP_BENCH_RUNS");
    const int kRuns = runsText ? std::max(1, std::atoi(runsText)) : 9;
    Result bare{1e9, 0}, same{1e9, 0}, threaded{1e9, 0};
    std::vector<double> sameRatios, threadRatios;
    const auto rate = [](const Result& r) { return r.packets / r.seconds; };
    for (int i = 0; i < kRuns; ++i) {
        const Result b = only == "" || only == "bare" ? BareLoop(format.get(), rounds) : bare;
        const Result s = only == "" || only == "same" ? SameThreadLoop(info, rounds) : same;
        const Result t = only == "" || only == "threads" ? QueuedLoop(info, rounds) : threaded;
        if (b.seconds < bare.seconds) bare = b;
        if (s.seconds < same.seconds) same = s;
        if (t.seconds < threaded.seconds) threaded = t;
        sameRatios.push_back(rate(b) / rate(s));
        threadRatios.push_back(rate(b) / rate(t));
    }
    const auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    std::printf("clip: %s, %d passes (%ld packets), %d runs, per CPU second\n", clip.c_str(),
                rounds, bare.packets, kRuns);
    std::printf("bare libavformat loop                 : %10.0f packets/s\n", rate(bare));
    std::printf("ReadPacket + queues, one thread       : %10.0f packets/s (%ld packets out)\n",
                rate(same), same.packets);
    std::printf("ReadPacket + queues, consumer threads : %10.0f packets/s (%ld packets out)\n",
                rate(threaded), threaded.packets);
    std::printf("queue overhead (median)               : %+9.1f %% (limit +10 %%)\n",
                (median(sameRatios) - 1.0) * 100.0);
    std::printf("overhead with thread hand-over        : %+9.1f %% (wake-ups included)\n",
                (median(threadRatios) - 1.0) * 100.0);
    if (only.empty()) {
        std::printf("bare read, per packet                 : %9.0f ns\n", 1e9 / rate(bare));
        std::printf("video queue Put+Count+Get, per packet : %9.0f ns\n",
                    PutGetNanoseconds(info, true));
        std::printf("audio queue Put+Count+Get, per packet : %9.0f ns\n",
                    PutGetNanoseconds(info, false));
    }
    return 0;
}
