// Video decoding speed of the 1080p test clip with the decoder as CPlaybackInfo opens it
// (frame and slice threads, one per core) beside the same decoder limited to one thread.
// Prints frames per second of wall time for both and the speed-up.
//   usage: media_decode_bench [clip] [passes]   (default: hd1080.mp4 in $ZVP_MEDIA_DIR, else in
//   the media folder of the build tree; 3 passes)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Logger.h"
#include "graph/FFmpegPtr.h"
#include "media/CPlaybackInfo.h"

namespace {

struct Result {
    double seconds = 0;
    long frames = 0;
};

// Decodes every video packet of `passes` passes over the file with `decoder`; frames counted.
Result Decode(zvp::CPlaybackInfo& info, AVCodecContext* decoder, int passes) {
    const int video = info.CurrentStream(AVMEDIA_TYPE_VIDEO);
    zvp::AVPacketPtr packet = zvp::MakePacket();
    zvp::AVFramePtr frame = zvp::MakeFrame();
    Result r;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < passes; ++i) {
        info.SeekFile(0);
        avcodec_flush_buffers(decoder);
        while (info.ReadPacket(*packet) == 0) {
            if (packet->stream_index != video) continue;
            if (avcodec_send_packet(decoder, packet.get()) < 0) continue;
            while (avcodec_receive_frame(decoder, frame.get()) == 0) ++r.frames;
        }
        avcodec_send_packet(decoder, nullptr);  // drain the frames still in the threads
        while (avcodec_receive_frame(decoder, frame.get()) == 0) ++r.frames;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("ZVP_MEDIA_DIR");
    const std::string clip =
        argc > 1 ? argv[1] : std::string(dir ? dir : ZVP_DEFAULT_MEDIA_DIR) + "/hd1080.mp4";
    const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    zvp::Logger::Instance().SetStdoutOutput(false);
    av_log_set_level(AV_LOG_ERROR);

    zvp::CPlaybackInfo info;
    if (zvp::FAILED(info.ParseMediaContext(clip)) || !info.HasVideo()) {
        std::fprintf(stderr, "cannot open the video of %s\n", clip.c_str());
        return 1;
    }
    AVCodecContext* threaded = info.GetCodecContext(AVMEDIA_TYPE_VIDEO);

    const AVStream* stream =
        info.GetFormatContext()->streams[info.CurrentStream(AVMEDIA_TYPE_VIDEO)];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    zvp::AVCodecContextPtr single(avcodec_alloc_context3(codec));
    if (!single || avcodec_parameters_to_context(single.get(), stream->codecpar) < 0) return 1;
    single->thread_count = 1;
    if (avcodec_open2(single.get(), codec, nullptr) < 0) return 1;

    const Result one = Decode(info, single.get(), passes);
    // Flushing after draining makes the threaded decoder accept packets again.
    avcodec_flush_buffers(threaded);
    const Result many = Decode(info, threaded, passes);
    std::printf("clip: %s (%dx%d), %d passes; decoder as opened: %d %s threads\n", clip.c_str(),
                info.VideoWidth(), info.VideoHeight(), passes, threaded->thread_count,
                threaded->active_thread_type == FF_THREAD_FRAME ? "frame" : "slice");
    std::printf("one decoding thread : %8.1f frames/s (%ld frames)\n", one.frames / one.seconds,
                one.frames);
    std::printf("decoder as opened   : %8.1f frames/s (%ld frames)\n", many.frames / many.seconds,
                many.frames);
    std::printf("speed-up            : %8.2f x (needs idle cores)\n",
                (many.frames / many.seconds) / (one.frames / one.seconds));
    return 0;
}
