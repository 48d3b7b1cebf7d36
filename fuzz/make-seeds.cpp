// Writes the fuzz seeds that the ffmpeg command-line tool cannot write (fuzz/gen-corpus-seeds.sh
// calls it):
//   zvp-fuzz-seeds packets MEDIA OUT   the first subtitle stream of MEDIA as a subtitle_packet
//                                      input (decoder byte, extradata record, packet records)
//   zvp-fuzz-seeds pgs OUT             a hand-made PGS display set as a subtitle_packet input
//   zvp-fuzz-seeds mpl OUT             a playlist saved by the player (UTF-16LE)
//   zvp-fuzz-seeds settings OUT        a settings file saved by the player
// Exits 1 with a message on failure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "app/CAppIni.h"
#include "app/Logger.h"
#include "playlist/CPlaylistFile.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "zvp-fuzz-seeds: %s\n", what);
    return 1;
}

bool WriteFile(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void PutRecord(std::string& out, const uint8_t* data, size_t size) {
    out.push_back(static_cast<char>(size & 0xFF));
    out.push_back(static_cast<char>(size >> 8));
    out.append(reinterpret_cast<const char*>(data), size);
}

int Packets(const char* media, const char* target) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, media, nullptr, nullptr) < 0) return Fail("cannot open");
    int rc = 1;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (stream >= 0 && avformat_find_stream_info(format, nullptr) >= 0) {
        const AVCodecParameters* par = format->streams[stream]->codecpar;
        const AVCodecID ids[] = {AV_CODEC_ID_ASS, AV_CODEC_ID_SUBRIP, AV_CODEC_ID_DVD_SUBTITLE,
                                 AV_CODEC_ID_DVB_SUBTITLE, AV_CODEC_ID_HDMV_PGS_SUBTITLE};
        int selector = -1;
        for (int i = 0; i < 5; ++i) {
            if (ids[i] == par->codec_id) selector = i;
        }
        if (selector >= 0 && par->extradata_size <= 0xFFFF) {
            std::string out(1, static_cast<char>(selector));
            PutRecord(out, par->extradata, static_cast<size_t>(std::max(par->extradata_size, 0)));
            AVPacket* packet = av_packet_alloc();
            int count = 0;
            while (count < 16 && av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && packet->size <= 0xFFFF) {
                    PutRecord(out, packet->data, static_cast<size_t>(packet->size));
                    ++count;
                }
                av_packet_unref(packet);
            }
            av_packet_free(&packet);
            rc = count > 0 && WriteFile(target, out) ? 0 : Fail("no packet written");
        } else {
            rc = Fail("not a subtitle decoder the target drives");
        }
    } else {
        rc = Fail("no subtitle stream");
    }
    avformat_close_input(&format);
    return rc;
}

// One PGS segment: type, big-endian length, payload.
void Segment(std::string& out, uint8_t type, const std::vector<uint8_t>& payload) {
    out.push_back(static_cast<char>(type));
    out.push_back(static_cast<char>(payload.size() >> 8));
    out.push_back(static_cast<char>(payload.size() & 0xFF));
    out.append(payload.begin(), payload.end());
}

// A 16 x 4 object of two colours at (8, 40) on a 64 x 48 screen, then an empty set that
// hides it.
int Pgs(const char* target) {
    std::string show;
    Segment(show, 0x16, {0, 64, 0, 48, 0x10, 0, 1, 0x80, 0, 0, 1, 0, 0, 0, 0, 0, 8, 0, 40});
    Segment(show, 0x17, {1, 0, 0, 8, 0, 40, 0, 16, 0, 4});
    Segment(show, 0x14, {0, 0, 1, 235, 128, 128, 255, 2, 16, 128, 128, 255});
    // Run-length rows: 8 pixels of colour 1 (00, 80 | length, colour), 8 of colour 2, end of
    // line (00 00).
    std::vector<uint8_t> rle;
    for (int row = 0; row < 4; ++row) {
        rle.insert(rle.end(), {0x00, 0x88, 0x01, 0x00, 0x88, 0x02, 0x00, 0x00});
    }
    const size_t length = rle.size() + 4;
    std::vector<uint8_t> object = {0,
                                   0,
                                   0,
                                   0xC0,
                                   static_cast<uint8_t>(length >> 16),
                                   static_cast<uint8_t>(length >> 8),
                                   static_cast<uint8_t>(length),
                                   0,
                                   16,
                                   0,
                                   4};
    object.insert(object.end(), rle.begin(), rle.end());
    Segment(show, 0x15, object);
    Segment(show, 0x80, {});
    std::string hide;
    Segment(hide, 0x16, {0, 64, 0, 48, 0x10, 0, 2, 0x00, 0, 0, 0});
    Segment(hide, 0x80, {});

    std::string out(1, 4);
    PutRecord(out, nullptr, 0);
    PutRecord(out, reinterpret_cast<const uint8_t*>(show.data()), show.size());
    PutRecord(out, reinterpret_cast<const uint8_t*>(hide.data()), hide.size());
    return WriteFile(target, out) ? 0 : Fail("cannot write");
}

int Mpl(const char* target) {
    const std::vector<std::string> rows = {"/home/user/Videos/clip.mp4",
                                           "/tmp/a b/\xC3\xA9t\xC3\xA9.mkv",
                                           "relative/x.avi",
                                           "/music/\xE9t\xE9.mp3",
                                           "",
                                           "/cd/track01.cda"};
    const std::string bytes = zvp::CPlaylistFile::Serialize(rows);
    return WriteFile(target, bytes) ? 0 : Fail("cannot write");
}

int Settings(const char* target) {
    std::remove(target);
    zvp::CAppIni ini(target);
    ini.Reload();
    ini.SetString("state::volume", "35");
    ini.SetString("state::window", "10,20,640,480");
    ini.SetString("Recent::file0", "/home/user/Videos/clip.mp4");
    return ini.Save() ? 0 : Fail("cannot save the settings");
}

}  // namespace

int main(int argc, char** argv) {
    zvp::Logger::Instance().SetStdoutOutput(false);
    zvp::Logger::Instance().SetFileOutput(false);
    av_log_set_level(AV_LOG_QUIET);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "packets" && argc == 4) return Packets(argv[2], argv[3]);
    if (mode == "pgs" && argc == 3) return Pgs(argv[2]);
    if (mode == "mpl" && argc == 3) return Mpl(argv[2]);
    if (mode == "settings" && argc == 3) return Settings(argv[2]);
    return Fail("usage: zvp-fuzz-seeds packets MEDIA OUT | pgs OUT | mpl OUT | settings OUT");
}
