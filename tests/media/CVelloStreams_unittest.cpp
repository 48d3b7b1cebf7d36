#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "media/CVelloVideoDecoder.h"
#include "media/SourceTestUtil.h"

namespace zvp::test {
namespace {

TEST(CVelloVideoStream, OffersYv12ThenRgb24AndChecksTypes) {
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
    CVelloVideoStream* pin = source.VideoPin();
    CMediaType mt;
    ASSERT_EQ(pin->GetMediaType(0, &mt), S_OK);
    EXPECT_EQ(mt.Subtype(), MEDIASUBTYPE_YV12);
    EXPECT_EQ(mt.GetSampleSize(), 320u * 240u * 3u / 2u);
    EXPECT_EQ(pin->CheckMediaType(&mt), S_OK);
    ASSERT_EQ(pin->GetMediaType(1, &mt), S_OK);
    EXPECT_EQ(mt.Subtype(), MEDIASUBTYPE_RGB24);
    EXPECT_EQ(pin->ProposedSubtype(), MEDIASUBTYPE_RGB24);
    EXPECT_EQ(mt.GetSampleSize(), 960u * 240u);
    EXPECT_EQ(pin->GetMediaType(2, &mt), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(pin->GetMediaType(-1, &mt), E_INVALIDARG);
    EXPECT_EQ(pin->GetMediaType(0, nullptr), E_POINTER);
    EXPECT_EQ(pin->CheckMediaType(nullptr), E_POINTER);
    CMediaType audio;
    audio.InitAudioPcm(2, 48000);
    EXPECT_EQ(pin->CheckMediaType(&audio), E_INVALIDARG);
    CMediaType variable = mt;
    variable.SetVariableSize();
    EXPECT_EQ(pin->CheckMediaType(&variable), E_INVALIDARG);
}

// Plays `clip` to its end at full speed through `p` (into a renderer that takes lent frames
// or not); the pictures the video decoders wrote meanwhile and the bytes they copied for them.
void PlayToEnd(Pipeline& p, const std::string& clip, bool takesFrames, uint64_t& pictures,
               uint64_t& copied) {
    CVelloVideoDecoder::CopyCounters& copies = CVelloVideoDecoder::Copies();
    const uint64_t picturesBefore = copies.pictures.load();
    const uint64_t copiedBefore = copies.copied_bytes.load();
    ASSERT_TRUE(p.Build(clip, /*fast=*/true, /*rgbOnly=*/false, takesFrames));
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    p.graph->Stop();
    pictures = copies.pictures.load() - picturesBefore;
    copied = copies.copied_bytes.load() - copiedBefore;
}

// Without subtitles, an 8-bit 4:2:0 picture reaches a renderer that takes lent frames as the
// decoder's own frame (nothing copied) and any other renderer copied once: the same pictures
// either way.
TEST(CVelloVideoStream, DeliversEveryPictureInOrderAsTheDecoderMadeIt) {
    const std::string clip = MediaPath("h264_aac.mp4");
    const std::vector<uint64_t> reference = ReferenceDigests(clip);
    ASSERT_EQ(reference.size(), 250u);
    for (const bool takesFrames : {true, false}) {
        SCOPED_TRACE(takesFrames ? "lent frames" : "copies");
        Pipeline p;
        uint64_t pictures = 0, copied = 0;
        ASSERT_NO_FATAL_FAILURE(PlayToEnd(p, clip, takesFrames, pictures, copied));
        // The pre-rolled poster is the first picture; it is presented again when running.
        std::vector<uint64_t> shown = p.video->Digests();
        EXPECT_EQ(shown, reference);
        // Times: 40 ms apart, the first at the first audio time or later.
        const auto log = p.video->Log().Snapshot();
        std::vector<REFERENCE_TIME> starts;
        for (const auto& s : log)
            if (!s.preroll) starts.push_back(s.start);
        ASSERT_EQ(starts.size(), 250u);
        for (size_t i = 1; i < starts.size(); ++i) EXPECT_EQ(starts[i] - starts[i - 1], 400000);

        EXPECT_GE(pictures, 250u);
        if (takesFrames) {
            EXPECT_EQ(copied, 0u);
            EXPECT_EQ(p.video->LentPictures(), 250);
        } else {
            EXPECT_EQ(copied, pictures * CMediaType::ImageSize(SubType::YV12, 320, 240));
            EXPECT_EQ(p.video->LentPictures(), 0);
        }
    }
}

// A subtitle file shown beside the clip: a renderer that takes lent frames gets the decoder's
// pictures with only the rows the subtitle drew on copied beside them, and sees what a
// renderer given whole copies sees.
TEST(CVelloVideoStream, PicturesWithSubtitlesAreLentWithOnlyTheDrawnRowsCopied) {
    TempDir dir;
    const std::string clip = dir.file("clip.mp4");
    std::filesystem::copy_file(MediaPath("h264_aac.mp4"), clip);
    {
        std::ofstream srt(dir.file("clip.srt"));
        srt << "1\n00:00:00,000 --> 00:00:10,000\nBeside the clip\n";
    }
    const std::vector<uint64_t> reference = ReferenceDigests(clip);
    const uint32_t pictureBytes = CMediaType::ImageSize(SubType::YV12, 320, 240);
    std::vector<uint64_t> shown[2];
    std::vector<uint8_t> first[2];
    // The first file of the process picks the default font and stores its name, which later
    // files look up: a first run to settle that, then copies, then lent frames.
    for (const bool takesFrames : {false, false, true}) {
        SCOPED_TRACE(takesFrames ? "lent frames" : "copies");
        Pipeline p;
        uint64_t pictures = 0, copied = 0;
        ASSERT_NO_FATAL_FAILURE(PlayToEnd(p, clip, takesFrames, pictures, copied));
        shown[takesFrames] = p.video->Digests();
        first[takesFrames] = p.video->FirstPicture();
        if (takesFrames) {
            EXPECT_EQ(p.video->LentPictures(), 250);
            EXPECT_GE(p.video->BandedPictures(), 240);
            // One line of text near the bottom: a small share of each picture.
            EXPECT_GT(copied, 0u);
            EXPECT_LT(copied, pictures * pictureBytes / 4);
        } else {
            EXPECT_EQ(p.video->LentPictures(), 0);
            EXPECT_EQ(copied, pictures * pictureBytes);
        }
    }
    ASSERT_EQ(shown[0].size(), reference.size());
    int drawn = 0;
    for (size_t i = 0; i < shown[0].size(); ++i) drawn += shown[0][i] != reference[i];
    EXPECT_GE(drawn, 240);
    EXPECT_EQ(shown[1], shown[0]);
    ASSERT_EQ(first[0].size(), pictureBytes);
    EXPECT_TRUE(first[1] == first[0]) << "the first picture, chroma included, differs";
}

TEST(CVelloVideoStream, EmbeddedSubtitlesAreDrawnOntoThePictures) {
    const std::string clip = MediaPath("two_audio_ass.mkv");
    const std::vector<uint64_t> reference = ReferenceDigests(clip);
    // In real time: one subtitle packet is taken per picture, so the reading must not run
    // far ahead of the pictures (as it would when the renderers consume at full speed).
    Pipeline p;
    ASSERT_TRUE(p.Build(clip, /*fast=*/false));
    ASSERT_NE(p.source->SubtitleQueue(), nullptr);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.video->Log().WaitForCount(66, std::chrono::seconds(30)));
    p.graph->Stop();
    const std::vector<uint64_t> shown = p.video->Digests();
    ASSERT_GE(shown.size(), 66u);
    // No cue before 1 s: the pictures are the decoder's own. "First line" (1 s to 3 s) is
    // drawn onto the pictures in between.
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(shown[i], reference[i]) << "picture " << i;
    int drawn = 0;
    for (size_t i = 30; i < 65; ++i) drawn += shown[i] != reference[i];
    EXPECT_GE(drawn, 30);
    bool text = false;
    for (const auto& subtitle : RegisteredSubtitles()) text |= subtitle->kind() == kSubtitleText;
    EXPECT_TRUE(text);
}

// The bitmap track's cues (1-3 s, 4-6 s, 7-9 s) are each a white box with a black border,
// 120x40 pixels, centred 20 pixels above the bottom edge. At full speed the reading runs
// ahead of the pictures, yet no box appears before its cue starts.
TEST(CVelloVideoStream, BitmapSubtitleIsDrawnFromItsCueOnly) {
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("dvdsub.mkv"), /*fast=*/true, /*rgbOnly=*/true));
    ASSERT_NE(p.source->SubtitleQueue(), nullptr);
    DigestVideoRenderer::Watch box;
    box.left = (320 - 120) / 2;
    box.top = 240 - 40 - 20;
    box.width = 120;
    box.height = 40;
    std::fill(std::begin(box.rgb), std::end(box.rgb), uint8_t(255));
    p.video->WatchColour(box);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    p.graph->Stop();

    // The box's white is most of its 4,800 pixels; the clip itself has next to none there.
    int before = 0, during = 0, drawn = 0;
    for (const auto& picture : p.video->CountedPictures()) {
        if (picture.start < 9'000'000) {
            ++before;
            EXPECT_LT(picture.pixels, 200) << "picture at " << picture.start;
        } else if (picture.start >= 11'000'000 && picture.start < 29'000'000) {
            ++during;
            drawn += picture.pixels > 3000;
        }
    }
    EXPECT_GE(before, 20);
    EXPECT_GE(during, 40);
    EXPECT_EQ(drawn, during);
}

// A renderer that takes ten pictures and fails every later one.
class FailingVideoRenderer : public DigestVideoRenderer {
  public:
    FailingVideoRenderer() : DigestVideoRenderer(/*fast=*/true) {}
    int Calls() const { return calls_.load(); }

  protected:
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        if (calls_.fetch_add(1) >= 10) return E_FAIL;
        return DigestVideoRenderer::DoRenderSample(pSample);
    }

  private:
    std::atomic<int> calls_{0};
};

// A delivery error other than end of stream stops the stream and reaches the graph as an
// error abort carrying the error.
TEST(CVelloVideoStream, DeliveryErrorStopsTheStreamAndAbortsWithIt) {
    CFilterGraph graph;
    auto owned = std::make_unique<CVelloSource>();
    CVelloSource* source = owned.get();
    graph.AddFilter(std::move(owned), "source");
    ASSERT_EQ(source->Load(MediaPath("video_only.mp4")), S_OK);
    auto renderer = std::make_unique<FailingVideoRenderer>();
    FailingVideoRenderer* video = renderer.get();
    graph.AddFilter(std::move(renderer), "video");
    ASSERT_EQ(graph.Connect(source->VideoPin(), video->InputPin()), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);

    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    bool aborted = false;
    while (!aborted && graph.GetEvent(&code, &p1, &p2, 60000) == S_OK) {
        aborted = code == EC_ERRORABORT;
        if (aborted) {
            EXPECT_EQ(HRESULT(p1), E_FAIL);
        }
        graph.FreeEventParams(code, p1, p2);
    }
    ASSERT_TRUE(aborted);
    graph.Stop();
    // The failed picture was the last one offered.
    EXPECT_EQ(video->Calls(), 11);
}

// RGB24 rows are bottom-up and padded; the colours agree with the YV12 picture.
TEST(CVelloVideoStream, Rgb24PictureMatchesTheYv12Colours) {
    const std::string clip = MediaPath("h264_aac.mp4");
    std::vector<uint8_t> yv12, rgb;
    {
        Pipeline p;
        ASSERT_TRUE(p.Build(clip, true));
        ASSERT_EQ(p.graph->Pause(), S_OK);
        FILTER_STATE state;
        ASSERT_EQ(p.graph->GetState(20000, &state), S_OK);
        yv12 = p.video->FirstPicture();
        p.graph->Stop();
    }
    {
        Pipeline p;
        ASSERT_TRUE(p.Build(clip, true, /*rgbOnly=*/true));
        EXPECT_EQ(p.video->Format().subtype, MEDIASUBTYPE_RGB24);
        ASSERT_EQ(p.graph->Pause(), S_OK);
        FILTER_STATE state;
        ASSERT_EQ(p.graph->GetState(20000, &state), S_OK);
        rgb = p.video->FirstPicture();
        p.graph->Stop();
    }
    const int w = 320, h = 240, stride = 960;
    ASSERT_EQ(yv12.size(), size_t(w * h * 3 / 2));
    ASSERT_EQ(rgb.size(), size_t(stride * h));
    const uint8_t* Y = yv12.data();
    const uint8_t* V = Y + w * h;
    const uint8_t* U = V + (w / 2) * (h / 2);
    int checked = 0;
    for (int y = 40; y < h; y += 37) {
        for (int x = 3; x < w; x += 29) {
            const double luma = 1.164 * (Y[y * w + x] - 16);
            const double u = U[(y / 2) * (w / 2) + x / 2] - 128;
            const double v = V[(y / 2) * (w / 2) + x / 2] - 128;
            const double r = luma + 1.596 * v;
            const double g = luma - 0.392 * u - 0.813 * v;
            const double b = luma + 2.017 * u;
            const uint8_t* px = rgb.data() + (h - 1 - y) * stride + x * 3;
            EXPECT_NEAR(px[0], std::clamp(r, 0.0, 255.0), 24) << x << "," << y;
            EXPECT_NEAR(px[1], std::clamp(g, 0.0, 255.0), 24) << x << "," << y;
            EXPECT_NEAR(px[2], std::clamp(b, 0.0, 255.0), 24) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

TEST(CVelloAudioStream, FiveOneIsFoldedToStereo) {
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("surround51.mkv"), true));
    const AudioFormat f = p.audio->Format();
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 48000);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    p.graph->Stop();
    // 5 s of 16-bit stereo at 48 kHz, within a couple of decoder frames.
    EXPECT_NEAR(double(p.audio->Log().TotalBytes()), 5.0 * 48000 * 4, 48000 * 4 * 0.1);
}

TEST(CVelloAudioStream, OnlyRealMediaSamplesCarryTimes) {
    for (const char* clip : {"real.rm", "tone.mp3"}) {
        Pipeline p;
        ASSERT_TRUE(p.Build(MediaPath(clip), true));
        ASSERT_EQ(p.graph->Run(), S_OK);
        ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE)) << clip;
        p.graph->Stop();
        const auto log = p.audio->Log().Snapshot();
        ASSERT_FALSE(log.empty());
        const bool real = std::string(clip) == "real.rm";
        for (const auto& s : log) {
            EXPECT_EQ(s.timed, real) << clip;
            if (real) {
                EXPECT_EQ(s.stop, kMaxReferenceTime);
            }
        }
    }
}

TEST(CVelloAudioStream, FloatSamplesAreConvertedAndSizesAreKept) {
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("tone_float.wav"), true));
    CMediaType mt;
    ASSERT_EQ(p.source->AudioPin()->GetMediaType(0, &mt), S_OK);
    ASSERT_NE(mt.WaveFormat(), nullptr);
    EXPECT_EQ(mt.WaveFormat()->wBitsPerSample, 16);
    EXPECT_EQ(mt.WaveFormat()->nBlockAlign, 4);
    EXPECT_EQ(p.source->AudioPin()->GetMediaType(1, &mt), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    p.graph->Stop();
    const auto log = p.audio->Log().Snapshot();
    ASSERT_GE(log.size(), 2u);
    // Every sample but the last is a full fill of about 192,000 bytes.
    for (size_t i = 0; i + 1 < log.size(); ++i) {
        EXPECT_GE(log[i].bytes, 192000);
        EXPECT_LE(log[i].bytes, 576000);
    }
    EXPECT_EQ(p.audio->Log().TotalBytes(), 5 * 48000 * 4);
}

}  // namespace
}  // namespace zvp::test
