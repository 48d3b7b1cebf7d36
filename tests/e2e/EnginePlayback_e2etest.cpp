// End to end under Xvfb: the engine hosted in a plain top-level widget plays a generated clip
// through the real renderers (OpenGL video where Xvfb's GL allows it, SDL2 audio on its disk
// driver). Grabs of the window must show the generator's frame counter changing, and the
// captured audio must hold the clip's 440 Hz tone.
//
// Run through tests/e2e/CMakeLists.txt: xvfb-run, QT_QPA_PLATFORM=xcb, SDL_AUDIODRIVER=disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "app/ObserverHandlers.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineDS.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;

// The top-left corner where the generator draws the frame number (white on a black box).
QImage CounterRegion(const QImage& grab) {
    return grab.copy(0, 0, 120, 56).convertToFormat(QImage::Format_RGB32);
}

int CountPixels(const QImage& img, bool bright) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int g = qGray(img.pixel(x, y));
            n += bright ? g > 200 : g < 40;
        }
    }
    return n;
}

// Power of `freq` in `samples` (Goertzel), normalised by the sample count.
double TonePower(const std::vector<double>& samples, double freq, double rate) {
    const double k = 2.0 * std::cos(2.0 * M_PI * freq / rate);
    double s1 = 0, s2 = 0;
    for (double x : samples) {
        const double s0 = x + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return power / (samples.size() * samples.size());
}

TEST(EnginePlaybackE2E, VideoFramesAdvanceAndTheToneIsHeard) {
    const char* audioFile = std::getenv("SDL_DISKAUDIOFILE");
    ASSERT_NE(audioFile, nullptr) << "run under tests/e2e/CMakeLists.txt";
    std::remove(audioFile);

    QWidget host;
    host.setWindowTitle("engine e2e");
    host.resize(320, 240);
    host.move(0, 0);
    host.show();
    ASSERT_TRUE(PumpUntil([&] { return host.windowHandle() && host.windowHandle()->isExposed(); }));

    std::vector<QImage> counters;
    {
        CEngineDS engine;
        ASSERT_TRUE(engine.Create(&host));
        engine.setGeometry(0, 0, 320, 240);
        CClipInfo clip;
        clip.path = MediaPath("h264_aac.mp4");
        ASSERT_TRUE(engine.Load(&clip));
        engine.Play();
        ASSERT_EQ(engine.GetStateName(), "Playing");

        // A grab of the window on every position tick for two seconds of playback.
        struct Grabber : Observer<Grabber> {
            QWidget* window;
            std::vector<QImage>* out;
            void OnTick(ISubject*, EventArg, EventArg) {
                out->push_back(
                    CounterRegion(window->screen()->grabWindow(window->winId()).toImage()));
            }
        } grabber;
        grabber.window = &host;
        grabber.out = &counters;
        engine.Attach(&grabber, "PositionChanged", Grabber::Handler(&Grabber::OnTick));
        ASSERT_TRUE(
            PumpUntil([&] { return engine.GetPosition() >= 2.0; }, std::chrono::seconds(30)));
        engine.Detach(&grabber);
        engine.Stop();  // closes the audio device, so the capture is complete
    }

    // The counter is drawn (a black box with white digits) and changes from grab to grab.
    ASSERT_GE(counters.size(), 6u);
    int changes = 0;
    for (size_t i = 1; i < counters.size(); ++i) {
        EXPECT_GT(CountPixels(counters[i], false), 500) << "no counter box in grab " << i;
        EXPECT_GT(CountPixels(counters[i], true), 50) << "no digits in grab " << i;
        changes += counters[i] != counters[i - 1];
    }
    EXPECT_GE(changes, static_cast<int>(counters.size()) - 2);

    // The captured audio: 16-bit stereo at 48 kHz, at least 1.5 s of it, with the tone.
    std::ifstream in(audioFile, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const size_t frames = bytes.size() / 4;
    ASSERT_GE(frames, size_t(48000 * 3 / 2));
    std::vector<double> mono;
    const auto* pcm = reinterpret_cast<const int16_t*>(bytes.data());
    for (size_t i = frames / 4; i < frames / 4 + 24000; ++i)
        mono.push_back((pcm[2 * i] + pcm[2 * i + 1]) / 65536.0);
    const double tone = TonePower(mono, 440.0, 48000.0);
    EXPECT_GT(tone, 1e-3);
    EXPECT_GT(tone, 100.0 * TonePower(mono, 1000.0, 48000.0));
    EXPECT_GT(tone, 100.0 * TonePower(mono, 220.0, 48000.0));
}

}  // namespace
}  // namespace zvp
