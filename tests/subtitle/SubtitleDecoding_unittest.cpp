#include "subtitle/SubtitleDecoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graph/FFmpegPtr.h"
#include "subtitle/CSubtitleAss.h"
#include "subtitle/CSubtitleBitmap.h"
#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

class SubtitleDecodingTest : public test::SubtitleTest {
  protected:
    template <typename T>
    std::shared_ptr<T> Object(int kind, int index) {
        for (const auto& o : RegisteredSubtitles())
            if (o->kind() == kind && o->index() == index) return std::dynamic_pointer_cast<T>(o);
        return nullptr;
    }
};

TEST_F(SubtitleDecodingTest, TextPacketReachesTheRegistryWithItsTimes) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_SUBRIP);
    ASSERT_NE(codec, nullptr);
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    context->pkt_timebase = AVRational{1, 1000};
    ASSERT_GE(avcodec_open2(context.get(), codec, nullptr), 0);

    AVPacketPtr packet = MakePacket();
    const char text[] = "Hello <i>there</i>";
    ASSERT_EQ(av_new_packet(packet.get(), int(sizeof text - 1)), 0);
    std::memcpy(packet->data, text, sizeof text - 1);
    packet->pts = 5000;
    packet->duration = 1500;
    OpenDecodedSubtitle(DecodeSubtitle(context.get(), packet.get()), 5000);

    auto object = Object<CSubtitleAss>(kSubtitleText, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->text(),
              "Dialogue: 0,0:00:05.00,0:00:06.50,Default,,0,0,0,,Hello {\\i1}there{\\i0}\n");
    EXPECT_TRUE(DrawnRows(4900).empty());
    EXPECT_FALSE(DrawnRows(6000).empty());

    // The end-of-stream marker decodes to nothing and changes nothing.
    AVPacketPtr empty = MakePacket();
    EXPECT_EQ(DecodeSubtitle(context.get(), empty.get()), nullptr);
    OpenDecodedSubtitle(nullptr, 0);
    EXPECT_FALSE(DrawnRows(6000).empty());
}

TEST_F(SubtitleDecodingTest, BitmapSubtitleGoesToTheBitmapObject) {
    AVSubtitlePtr s = MakeSubtitle();
    s->num_rects = 1;
    s->rects = static_cast<AVSubtitleRect**>(av_mallocz(sizeof(AVSubtitleRect*)));
    s->rects[0] = static_cast<AVSubtitleRect*>(av_mallocz(sizeof(AVSubtitleRect)));
    AVSubtitleRect* r = s->rects[0];
    r->type = SUBTITLE_BITMAP;
    r->x = 10;
    r->y = 10;
    r->w = 8;
    r->h = 4;
    r->nb_colors = 2;
    r->linesize[0] = 8;
    r->data[0] = static_cast<uint8_t*>(av_malloc(32));
    std::memset(r->data[0], 1, 32);
    r->data[1] = static_cast<uint8_t*>(av_mallocz(1024));
    reinterpret_cast<uint32_t*>(r->data[1])[1] = 0xFF00FF00;  // opaque green
    OpenDecodedSubtitle(std::move(s), 0);

    auto object = Object<CSubtitleBitmap>(kSubtitleBitmap, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->has_bitmap());
    test::Picture rgb = Render(test::Picture::Rgb24(kWidth, kHeight, 0), 0);
    EXPECT_EQ(rgb.Pixel(12, 11)[1], 255);
    EXPECT_EQ(rgb.Pixel(12, 11)[0], 0);
    EXPECT_EQ(rgb.Pixel(12, 11)[2], 0);
}

// A text rectangle built as the decoders do: libavcodec's event form.
AVSubtitlePtr TextSubtitle(const char* event, uint32_t endMs) {
    AVSubtitlePtr s = MakeSubtitle();
    s->pts = 2'000'000;  // 2 s in AV_TIME_BASE
    s->end_display_time = endMs;
    s->num_rects = 1;
    s->rects = static_cast<AVSubtitleRect**>(av_mallocz(sizeof(AVSubtitleRect*)));
    s->rects[0] = static_cast<AVSubtitleRect*>(av_mallocz(sizeof(AVSubtitleRect)));
    s->rects[0]->type = SUBTITLE_ASS;
    s->rects[0]->ass = av_strdup(event);
    return s;
}

// An end of UINT32_MAX means "until replaced", not 49 days.
TEST_F(SubtitleDecodingTest, OpenEndedTextIsShownUntilReplaced) {
    OpenDecodedSubtitle(TextSubtitle("0,0,Default,,0,0,0,,Open ended", UINT32_MAX), 0);
    auto object = Object<CSubtitleAss>(kSubtitleText, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->text(), "Dialogue: 0,0:00:02.00,99:59:59.99,Default,,0,0,0,,Open ended\n");
    EXPECT_TRUE(DrawnRows(1900).empty());
    EXPECT_FALSE(DrawnRows(2100).empty());

    // A subtitle without rectangles changes nothing.
    OpenDecodedSubtitle(MakeSubtitle(), 0);
    EXPECT_NE(object->text().find("Open ended"), std::string::npos);

    OpenDecodedSubtitle(TextSubtitle("0,0,Default,,0,0,0,,Timed", 1000), 0);
    EXPECT_EQ(object->text(), "Dialogue: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,Timed\n");
    EXPECT_FALSE(DrawnRows(2500).empty());
    host_->AdvanceTickMs(10'000);
    EXPECT_TRUE(DrawnRows(3500).empty());
}

TEST_F(SubtitleDecodingTest, ExternalFileOpenedBeforeSetupAppearsAfterIt) {
    ShutdownSubtitles();
    const std::string dir = temp_.file("m") + "/";
    std::filesystem::create_directories(dir);
    test::WriteFile(dir + "v.mkv", "");
    test::WriteFile(dir + "v.srt", "1\n00:00:01,000 --> 00:00:02,000\nEarly\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "v.mkv"));
    EXPECT_TRUE(DrawnRows(1500).empty());  // no renderer yet
    ASSERT_TRUE(CSubtitle::Setup(kWidth, kHeight));
    EXPECT_FALSE(DrawnRows(1500).empty());
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

// An ASS track inside a Matroska file, demuxed and decoded as the video decoder does:
// the decoder's event form reaches the registry with the packet's times and its style name.
TEST_F(SubtitleDecodingTest, EmbeddedAssTrackFromMatroska) {
    const std::string dir = temp_.file("mkv") + "/";
    std::filesystem::create_directories(dir);
    test::WriteFile(dir + "in.ass",
                    test::AssScript("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,First\n"
                                    "Dialogue: 0,0:00:04.00,0:00:06.00,Default,,0,0,0,,Second\n"));
    const std::string cmd =
        "ffmpeg -nostdin -loglevel error -y -i '" + dir + "in.ass' -c:s ass '" + dir + "subs.mkv'";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ffmpeg not available";

    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, (dir + "subs.mkv").c_str(), nullptr, nullptr), 0);
    AVFormatContextPtr format(raw);
    ASSERT_GE(avformat_find_stream_info(format.get(), nullptr), 0);
    const AVStream* stream = format->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    ASSERT_NE(codec, nullptr);
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    context->pkt_timebase = stream->time_base;
    ASSERT_GE(avcodec_open2(context.get(), codec, nullptr), 0);

    AVPacketPtr packet = MakePacket();
    std::vector<std::string> texts;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        const int64_t ms = av_rescale_q(packet->pts, stream->time_base, AVRational{1, 1000});
        OpenDecodedSubtitle(DecodeSubtitle(context.get(), packet.get()), ms);
        av_packet_unref(packet.get());
        texts.push_back(Object<CSubtitleAss>(kSubtitleText, 0)->text());
        // Drawn in its own time only.
        EXPECT_FALSE(DrawnRows(ms + 500).empty());
        host_->AdvanceTickMs(10000);
        EXPECT_TRUE(DrawnRows(ms + 2500).empty());
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,First\n");
    EXPECT_EQ(texts[1], "Dialogue: 0,0:00:04.00,0:00:06.00,Default,,0,0,0,,Second\n");
}

}  // namespace
}  // namespace zvp
