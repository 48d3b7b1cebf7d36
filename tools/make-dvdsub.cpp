// Writes a Matroska file holding one DVD (VobSub) bitmap subtitle stream, for the test media.
// The ffmpeg command-line tool cannot make bitmap subtitles from text, so the bitmaps are drawn
// here and encoded with libavcodec's dvdsub encoder.
//   usage: zvp-make-dvdsub OUT.mkv WIDTH HEIGHT
// Events (same times as the text subtitle clips): 1-3 s, 4-6 s, 7-9 s. Event n shows a white
// box with a black border, 120x40 pixels, centred 20 pixels above the bottom edge, with the
// digit n drawn in black block strokes inside it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

// Self-contained (no project headers), so that the test media are regenerated only when this
// helper or the generator script changes.
namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct OutputDeleter {
    void operator()(AVFormatContext* f) const {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};

// 3x5 block digits, one row per string, '#' set.
const char* const kDigits[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

constexpr int kBoxW = 120, kBoxH = 40, kScale = 6;
// Palette indexes: 0 transparent, 1 white, 2 black.
constexpr uint32_t kPalette[4] = {0x00000000u, 0xFFFFFFFFu, 0xFF000000u, 0xFF808080u};

std::vector<uint8_t> DrawEvent(int digit) {
    std::vector<uint8_t> pixels(kBoxW * kBoxH, 1);
    for (int y = 0; y < kBoxH; ++y)
        for (int x = 0; x < kBoxW; ++x)
            if (x < 2 || y < 2 || x >= kBoxW - 2 || y >= kBoxH - 2) pixels[y * kBoxW + x] = 2;
    const int left = (kBoxW - 3 * kScale) / 2, top = (kBoxH - 5 * kScale) / 2;
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
            if (kDigits[digit][row][col] == '#')
                for (int dy = 0; dy < kScale; ++dy)
                    for (int dx = 0; dx < kScale; ++dx)
                        pixels[(top + row * kScale + dy) * kBoxW + left + col * kScale + dx] = 2;
    return pixels;
}

int Fail(const char* what) {
    std::fprintf(stderr, "zvp-make-dvdsub: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: zvp-make-dvdsub OUT.mkv WIDTH HEIGHT");
    const char* out = argv[1];
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    if (width < kBoxW || height < kBoxH + 20) return Fail("picture too small");

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    if (!codec) return Fail("no dvdsub encoder");
    std::unique_ptr<AVCodecContext, CodecContextDeleter> encoder(avcodec_alloc_context3(codec));
    if (!encoder) return Fail("out of memory");
    encoder->width = width;
    encoder->height = height;
    encoder->time_base = AVRational{1, 1000};
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return Fail("cannot open encoder");

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "matroska", out) < 0 || !raw)
        return Fail("cannot create muxer");
    std::unique_ptr<AVFormatContext, OutputDeleter> muxer(raw);
    AVStream* stream = avformat_new_stream(muxer.get(), nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0)
        return Fail("cannot add stream");
    stream->time_base = AVRational{1, 1000};
    av_dict_set(&stream->metadata, "language", "eng", 0);
    if (avio_open(&muxer->pb, out, AVIO_FLAG_WRITE) < 0) return Fail("cannot open output");
    if (avformat_write_header(muxer.get(), nullptr) < 0) return Fail("cannot write header");

    std::vector<uint8_t> buffer(1 << 20);
    for (int event = 1; event <= 3; ++event) {
        std::vector<uint8_t> pixels = DrawEvent(event);
        uint32_t palette[4];
        std::memcpy(palette, kPalette, sizeof palette);
        AVSubtitleRect rect{};
        rect.type = SUBTITLE_BITMAP;
        rect.x = (width - kBoxW) / 2;
        rect.y = height - kBoxH - 20;
        rect.w = kBoxW;
        rect.h = kBoxH;
        rect.nb_colors = 4;
        rect.data[0] = pixels.data();
        rect.linesize[0] = kBoxW;
        rect.data[1] = reinterpret_cast<uint8_t*>(palette);
        rect.linesize[1] = 4 * 4;
        AVSubtitleRect* rects[] = {&rect};
        AVSubtitle sub{};
        sub.start_display_time = 0;
        sub.end_display_time = 2000;
        sub.num_rects = 1;
        sub.rects = rects;
        const int64_t startMs = (3 * event - 2) * 1000;
        sub.pts = startMs * 1000;  // AV_TIME_BASE
        const int size = avcodec_encode_subtitle(encoder.get(), buffer.data(),
                                                 static_cast<int>(buffer.size()), &sub);
        if (size <= 0) return Fail("cannot encode");

        std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
        if (!packet || av_new_packet(packet.get(), size) < 0) return Fail("out of memory");
        std::memcpy(packet->data, buffer.data(), size);
        packet->stream_index = stream->index;
        packet->pts = packet->dts = av_rescale_q(startMs, AVRational{1, 1000}, stream->time_base);
        packet->duration = av_rescale_q(2000, AVRational{1, 1000}, stream->time_base);
        packet->flags |= AV_PKT_FLAG_KEY;
        if (av_interleaved_write_frame(muxer.get(), packet.get()) < 0) return Fail("cannot write");
    }
    if (av_write_trailer(muxer.get()) < 0) return Fail("cannot finish file");
    return 0;
}
