// Every decoded sample of a valid file reaches the audio renderer, and every picture the video
// renderer: each generated clip is played through the source with null renderers and compared
// with what ffprobe decodes. And an audio track switch to another rate and layout keeps the
// connected format and the audio on the video's time line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/ScopedLogCapture.h"
#include "media/SourceTestUtil.h"

namespace zvp::test {
namespace {

::testing::Environment* const kSubtitleEnv =
    ::testing::AddGlobalTestEnvironment(new SubtitleHostEnvironment);

// The output of `command` (empty when it cannot run).
std::string Capture(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    ::pclose(pipe);
    return out;
}

std::vector<long long> Numbers(const std::string& text) {
    std::vector<long long> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto comma = line.find(',');
        if (comma != std::string::npos) line.resize(comma);
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
            values.push_back(std::stoll(line));
    }
    return values;
}

// What FFmpeg itself decodes from the first audio and video stream of a file.
struct Reference {
    long long samples = 0;   // audio samples per channel
    long long maxFrame = 0;  // samples of the longest audio frame
    int channels = 0;
    int rate = 0;
    long long pictures = 0;
};

Reference Probe(const std::string& file) {
    const std::string probe = std::string(ZVP_FFPROBE) + " -v error ";
    const std::string quoted = " '" + file + "'";
    Reference r;
    for (long long n : Numbers(Capture(probe +
                                       "-select_streams a:0 -show_entries frame=nb_samples "
                                       "-of csv=p=0" +
                                       quoted))) {
        r.samples += n;
        r.maxFrame = std::max(r.maxFrame, n);
    }
    const auto format = Numbers(
        Capture(probe + "-select_streams a:0 -show_entries stream=channels -of csv=p=0" + quoted));
    const auto rate = Numbers(Capture(
        probe + "-select_streams a:0 -show_entries stream=sample_rate -of csv=p=0" + quoted));
    if (!format.empty()) r.channels = static_cast<int>(format[0]);
    if (!rate.empty()) r.rate = static_cast<int>(rate[0]);
    const auto pictures = Numbers(Capture(probe +
                                          "-select_streams v:0 -count_frames -show_entries "
                                          "stream=nb_read_frames -of csv=p=0" +
                                          quoted));
    if (!pictures.empty()) r.pictures = pictures[0];
    return r;
}

struct Clip {
    const char* file;
    // Audio before the first picture, which the source cuts (ms, as generated).
    double cutMs = 0;
};

void PrintTo(const Clip& clip, std::ostream* os) {
    *os << clip.file;
}

class Completeness : public ::testing::TestWithParam<Clip> {};

TEST_P(Completeness, EverySampleAndPictureIsPresented) {
    const Clip clip = GetParam();
    const std::string file = MediaPath(clip.file);
    const Reference ref = Probe(file);
    ASSERT_GT(ref.samples, 0) << "ffprobe decoded no audio from " << file;
    ASSERT_GT(ref.channels, 0);

    Pipeline p;
    ASSERT_TRUE(p.Build(file, /*fast=*/true)) << clip.file;
    ASSERT_NE(p.audio, nullptr) << clip.file;
    ASSERT_EQ(p.video != nullptr, ref.pictures > 0) << clip.file;
    // More than two channels are folded to stereo; the rate is kept.
    const int channels = ref.channels > 2 ? 2 : ref.channels;
    EXPECT_EQ(p.audio->Format().channels, channels);
    EXPECT_EQ(p.audio->Format().samplesPerSec, ref.rate);
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE)) << clip.file << " did not complete";
    p.graph->Stop();

    // In samples per channel. Audio alone must come whole; with pictures, container time
    // stamps in whole milliseconds allow 2 ms either way around the cut.
    const long long got = p.audio->Log().TotalBytes() / (channels * 2);
    const long long expected = ref.samples - std::llround(clip.cutMs * ref.rate / 1000);
    const long long slack = ref.pictures > 0 ? ref.rate / 500 : 0;
    EXPECT_LE(std::llabs(got - expected), slack)
        << clip.file << ": " << got << " samples presented, " << expected << " expected ("
        << ref.samples << " decoded by ffprobe, frames of up to " << ref.maxFrame << ")";
    EXPECT_EQ(p.audio->Log().EndOfStreamCount(), 1) << clip.file;
    if (p.video) {
        EXPECT_EQ(static_cast<long long>(p.video->Log().Count()), ref.pictures) << clip.file;
        EXPECT_EQ(p.video->Log().EndOfStreamCount(), 1) << clip.file;
    }
}

// complete_late_audio.mkv has more than 260 video packets before its first audio packet;
// the two no-duration files come from a pipe with neither duration nor cues.
INSTANTIATE_TEST_SUITE_P(
    Clips, Completeness,
    ::testing::Values(
        Clip{"complete_flac_1frame.mkv"}, Clip{"complete_flac_1s.mkv"}, Clip{"complete_u8.wav"},
        Clip{"complete_s24le.wav"}, Clip{"complete_f32le.wav"}, Clip{"complete_f64le.wav"},
        Clip{"complete_alaw.wav"}, Clip{"complete_mulaw.wav"}, Clip{"complete_8ch.mkv"},
        Clip{"complete_16ch.wav"}, Clip{"complete_96k.flac"}, Clip{"complete_128k.wav"},
        Clip{"tone.flac"}, Clip{"complete_ac3_early.mkv", 20}, Clip{"complete_editlist.mp4"},
        Clip{"h264_aac.mp4"}, Clip{"complete_late_audio.mkv"}, Clip{"complete_ts_gap.ts"},
        Clip{"complete_noduration.mkv", 21}, Clip{"complete_live.webm", 7}),
    [](const ::testing::TestParamInfo<Clip>& info) {
        std::string name = info.param.file;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// While the video runs more than 260 packets ahead, the audio waits whenever its queue runs
// dry, as often as every packet. The log says so once, not every time.
TEST(AudioRefusal, AWaitForTheVideoIsLoggedOnce) {
    ScopedLogCapture log;
    Pipeline p;
    ASSERT_TRUE(p.Build(MediaPath("complete_late_audio.mkv"), /*fast=*/true));
    ASSERT_EQ(p.graph->Run(), S_OK);
    ASSERT_TRUE(p.WaitForEvent(EC_COMPLETE));
    p.graph->Stop();
    // The first wait, and the end of the stream.
    const int lines = log.CountLines("No data in audio queue. EOF?");
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, 2);
}

// --- track switch ------------------------------------------------------------------------------

// Keeps every byte it is given.
class CaptureAudioRenderer : public CNullAudioRenderer {
  public:
    CaptureAudioRenderer() : CNullAudioRenderer(/*fast=*/true) {}
    std::vector<int16_t> Samples() {
        std::lock_guard lock(lock_);
        return samples_;
    }

  protected:
    HRESULT ProcessSample(IMediaSample* pSample) override {
        {
            std::lock_guard lock(lock_);
            const auto* data = reinterpret_cast<const int16_t*>(pSample->Data());
            samples_.insert(samples_.end(), data, data + pSample->GetActualDataLength() / 2);
        }
        return CNullAudioRenderer::ProcessSample(pSample);
    }

  private:
    std::mutex lock_;
    std::vector<int16_t> samples_;  // guarded by lock_
};

// Keeps the start time of every picture whose centre is white (YV12).
class SquareVideoRenderer : public CNullVideoRenderer {
  public:
    SquareVideoRenderer() : CNullVideoRenderer(/*fast=*/true) {}
    std::vector<REFERENCE_TIME> Squares() {
        std::lock_guard lock(lock_);
        return squares_;
    }

  protected:
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        const VideoFormat f = Format();
        REFERENCE_TIME start = 0, stop = 0;
        if (f.subtype == MEDIASUBTYPE_YV12 &&
            pSample->GetActualDataLength() >= f.width * f.height &&
            SUCCEEDED(pSample->GetTime(&start, &stop))) {
            long sum = 0;
            for (int y = f.height / 2 - 8; y < f.height / 2 + 8; ++y)
                for (int x = f.width / 2 - 8; x < f.width / 2 + 8; ++x)
                    sum += pSample->Data()[y * f.width + x];
            std::lock_guard lock(lock_);
            if (sum / 256 >= 220) squares_.push_back(start);
        }
        return CNullVideoRenderer::DoRenderSample(pSample);
    }

  private:
    std::mutex lock_;
    std::vector<REFERENCE_TIME> squares_;  // guarded by lock_
};

struct Beep {
    REFERENCE_TIME at;  // stream time of its first loud sample
    bool high;          // 2 kHz (the second track) rather than 1 kHz
};

// Beeps in interleaved stereo at `rate`: onsets at least 0.5 s apart; the pitch from the
// zero crossings of the left channel in the 20 ms after the onset.
std::vector<Beep> FindBeeps(const std::vector<int16_t>& pcm, int rate) {
    std::vector<Beep> beeps;
    const size_t frames = pcm.size() / 2;
    size_t quietUntil = 0;
    const size_t window = static_cast<size_t>(rate) / 50;
    for (size_t i = 0; i + window < frames; ++i) {
        if (i < quietUntil || std::abs(pcm[2 * i]) < 8000) continue;
        int crossings = 0;
        for (size_t k = i + 1; k < i + window; ++k)
            crossings += (pcm[2 * k - 2] < 0) != (pcm[2 * k] < 0);
        beeps.push_back({static_cast<REFERENCE_TIME>(i) * UNITS / rate, crossings > 60});
        quietUntil = i + static_cast<size_t>(rate) / 2;
    }
    return beeps;
}

TEST(AudioTrackSwitch, OtherRateAndLayoutKeepTheDeviceFormatAndTheTimeLine) {
    const std::string file = MediaPath("switch_tracks.mkv");
    auto graph = std::make_unique<CFilterGraph>();
    auto ownedSource = std::make_unique<CVelloSource>();
    CVelloSource* source = ownedSource.get();
    graph->AddFilter(std::move(ownedSource), "source");
    ASSERT_EQ(source->Load(file), S_OK);
    std::vector<int> tracks;
    int current = -1;
    source->GetPlaybackInfo()->GetAudioStreams(tracks, current);
    ASSERT_EQ(tracks.size(), 2u);
    ASSERT_EQ(current, tracks[0]);

    auto ownedAudio = std::make_unique<CaptureAudioRenderer>();
    CaptureAudioRenderer* audio = ownedAudio.get();
    graph->AddFilter(std::move(ownedAudio), "audio");
    auto ownedVideo = std::make_unique<SquareVideoRenderer>();
    SquareVideoRenderer* video = ownedVideo.get();
    graph->AddFilter(std::move(ownedVideo), "video");
    ASSERT_EQ(graph->Connect(source->AudioPin(), audio->InputPin()), S_OK);
    ASSERT_EQ(graph->Connect(source->VideoPin(), video->InputPin()), S_OK);
    ASSERT_EQ(audio->Format().samplesPerSec, 48000);
    ASSERT_EQ(audio->Format().channels, 2);

    // Paused, the first track has filled the first sample (about a second); then the switch
    // to the mono 22.05 kHz track, and the rest as fast as it decodes.
    ASSERT_EQ(graph->Pause(), S_OK);
    FILTER_STATE state;
    ASSERT_EQ(graph->GetState(20000, &state), S_OK);
    ASSERT_TRUE(source->GetPlaybackInfo()->OpenStream(AVMEDIA_TYPE_AUDIO, tracks[1]));
    ASSERT_EQ(graph->Run(), S_OK);
    bool complete = false;
    for (int events = 0; events < 2 && !complete; ++events) {
        long ev = 0;
        LONG_PTR p1 = 0, p2 = 0;
        ASSERT_EQ(graph->GetEvent(&ev, &p1, &p2, 60000), S_OK);
        complete = ev == EC_COMPLETE;
    }
    ASSERT_TRUE(complete);
    graph->Stop();

    // The connected format for the whole file; its length at 48 kHz within a few frames.
    EXPECT_EQ(audio->Format().samplesPerSec, 48000);
    EXPECT_EQ(audio->Format().channels, 2);
    const std::vector<int16_t> pcm = audio->Samples();
    EXPECT_NEAR(static_cast<double>(pcm.size()) / 2 / 48000, 8.0, 0.1);

    const std::vector<Beep> beeps = FindBeeps(pcm, 48000);
    const std::vector<REFERENCE_TIME> squares = video->Squares();
    ASSERT_GE(squares.size(), 7u);
    int low = 0, high = 0;
    bool switched = false;
    for (const Beep& beep : beeps) {
        // Each beep lies within 40 ms of its picture.
        REFERENCE_TIME nearest = squares[0];
        for (REFERENCE_TIME s : squares)
            if (std::llabs(s - beep.at) < std::llabs(nearest - beep.at)) nearest = s;
        EXPECT_LE(std::llabs(beep.at - nearest), 40 * MILLISECONDS)
            << (beep.high ? "2 kHz" : "1 kHz") << " beep at " << beep.at / 10000 << " ms";
        // One switch, from the first track to the second.
        EXPECT_FALSE(switched && !beep.high) << "1 kHz beep after the switch";
        switched |= beep.high;
        (beep.high ? high : low)++;
    }
    EXPECT_GE(low, 1);
    EXPECT_GE(high, 3);
    graph.reset();
    ShutdownSubtitles();
}

}  // namespace
}  // namespace zvp::test
