// The controller over the real engine and generated media: the state it selects and the
// "Media..." events it republishes, in order, with the engine's parameters.
#include "playlist/CPlaybackController.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "app/TimerService.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineStateStopped.h"
#include "engine/CPictureRatioFit4_3.h"
#include "engine/CPictureRatioFitSource.h"
#include "engine/EventRecorder.h"
#include "engine/PictureRatio.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::Arg;
using test::MediaPath;
using test::PumpUntil;
using test::RecordedEvent;

const std::vector<std::string> kControllerEvents = {
    "MediaLoaded",    "MediaPlaying",    "MediaPaused",          "MediaStopped",  "MediaAborted",
    "MediaCompleted", "MediaLoadFailed", "MediaPositionChanged", "VolumeChanged", "MuteChanged"};

class ControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.resize(320, 240);
        ASSERT_TRUE(controller.Initialize(&host));
    }

    bool LoadFile(const std::string& name) {
        clip.path = MediaPath(name);
        return controller.Load(&clip);
    }
    RecordedEvent Ev(const char* name, EventArg arg1 = 0) {
        return RecordedEvent{name, arg1, Arg(&controller.GetEngine())};
    }

    QWidget host;
    CPlaybackController controller;
    CClipInfo clip;
    test::EventRecorder events{controller, kControllerEvents};
};

// Observers of a republished event already see the state it leads to.
class StateProbe : public Observer<StateProbe> {
  public:
    explicit StateProbe(CPlaybackController& c) : controller(c) {
        for (const char* n : {"MediaLoaded", "MediaPlaying", "MediaPaused", "MediaStopped",
                              "MediaAborted", "MediaCompleted", "MediaLoadFailed"})
            controller.Attach(this, n, Handler(&StateProbe::OnEvent));
    }
    ~StateProbe() override { controller.Detach(this); }
    void OnEvent(ISubject*, EventArg, EventArg) { seen.push_back(controller.GetStateName()); }

    CPlaybackController& controller;
    std::vector<std::string> seen;
};

TEST_F(ControllerTest, OpenPlayPauseResume) {
    StateProbe probe(controller);
    EXPECT_EQ(controller.GetStateName(), "Stopped");
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    EXPECT_EQ(controller.GetStateName(), "Loaded");
    controller.TogglePlay();
    EXPECT_EQ(controller.GetStateName(), "Playing");
    ASSERT_TRUE(PumpUntil([&] { return events.Has("MediaPositionChanged"); }));
    controller.TogglePlay();
    EXPECT_EQ(controller.GetStateName(), "Paused");
    controller.TogglePlay();
    EXPECT_EQ(controller.GetStateName(), "Playing");
    EXPECT_EQ(events.WithoutTicks(),
              (std::vector<RecordedEvent>{{"MediaLoaded", Arg(&clip), Arg(&controller.GetEngine())},
                                          Ev("MediaPlaying"),
                                          Ev("MediaPaused"),
                                          Ev("MediaPlaying")}));
    EXPECT_EQ(probe.seen, (std::vector<std::string>{"Loaded", "Playing", "Paused", "Playing"}));

    // Stop while playing; a toggle afterwards has no graph to play.
    events.Clear();
    controller.Stop();
    controller.TogglePlay();
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{Ev("MediaStopped")}));
    EXPECT_EQ(controller.GetStateName(), "Stopped");
}

TEST_F(ControllerTest, EndOfClipRepublishesPositionStoppedCompleted) {
    ASSERT_TRUE(LoadFile("tone.wav"));
    const EventArg d = static_cast<EventArg>(controller.GetDuration());
    controller.TogglePlay();
    controller.SetPosition(d - 1);
    events.Clear();
    ASSERT_TRUE(PumpUntil([&] { return events.Has("MediaCompleted"); }));
    const auto& all = events.events;
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(std::vector<RecordedEvent>(all.end() - 3, all.end()),
              (std::vector<RecordedEvent>{
                  {"MediaPositionChanged", d, d}, Ev("MediaStopped"), Ev("MediaCompleted", 100)}));
    EXPECT_EQ(controller.GetStateName(), "Stopped");
    events.Clear();
    controller.TogglePlay();
    controller.Stop();
    EXPECT_TRUE(events.events.empty());
}

TEST_F(ControllerTest, AbortThenTogglePlaysFromTheStart) {
    ASSERT_TRUE(LoadFile("long.mp4"));
    controller.TogglePlay();
    controller.SetPosition(30.0);
    ASSERT_TRUE(PumpUntil([&] { return controller.GetPosition() >= 30.0; }));
    events.Clear();
    controller.Abort();
    EXPECT_EQ(controller.GetStateName(), "Aborted");
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{{"MediaPositionChanged", 0, 45}, Ev("MediaAborted", 0)}));
    events.Clear();
    controller.TogglePlay();
    EXPECT_EQ(controller.GetStateName(), "Playing");
    EXPECT_EQ(events.events.front(), Ev("MediaPlaying"));
    EXPECT_LT(controller.GetPosition(), 5.0);
}

TEST_F(ControllerTest, StopAndAbortDoNothingInLoadedStoppedAndAborted) {
    // Stopped (nothing loaded).
    controller.Stop();
    controller.Abort();
    // Loaded.
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    events.Clear();
    controller.Stop();
    controller.Abort();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(controller.GetStateName(), "Loaded");
    EXPECT_TRUE(controller.GetEngine().IsLoaded());
    // Aborted.
    controller.TogglePlay();
    controller.Abort();
    events.Clear();
    controller.Stop();
    controller.Abort();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(controller.GetStateName(), "Aborted");
}

TEST_F(ControllerTest, FailedOpenSelectsStopped) {
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    events.Clear();
    clip.path = MediaPath("missing.mp4");
    EXPECT_FALSE(controller.Load(&clip));
    EXPECT_EQ(controller.GetStateName(), "Stopped");
    // The loaded file is stopped first.
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{
                                 Ev("MediaStopped"),
                                 {"MediaLoadFailed", Arg(&clip), Arg(&controller.GetEngine())}}));
    EXPECT_TRUE(clip.loadFailed);
    controller.TogglePlay();
    EXPECT_EQ(events.events.size(), 2u);
}

TEST_F(ControllerTest, VolumeAndMuteAreRepublished) {
    controller.SetVolume(40);
    controller.VolumeUp();
    controller.SetMute(true);
    EXPECT_TRUE(controller.IsMuted());
    EXPECT_EQ(controller.GetVolume(), 45);
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{
                  {"VolumeChanged", 40, 0}, {"VolumeChanged", 45, 0}, {"MuteChanged", 1, 0}}));
}

TEST_F(ControllerTest, CloseMediaReleasesSilently) {
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    controller.TogglePlay();
    ASSERT_TRUE(TimerService::Instance().IsRunning(CEngineDS::kPositionTimerId));
    events.Clear();
    EXPECT_TRUE(controller.CloseMedia());
    EXPECT_EQ(controller.GetEngine().GetGraph(), nullptr);
    EXPECT_FALSE(TimerService::Instance().IsRunning(CEngineDS::kPositionTimerId));
    EXPECT_TRUE(events.events.empty());
}

TEST(ControllerSetupTest, CommandsBeforeInitializeDoNothing) {
    CPlaybackController controller;
    EXPECT_EQ(controller.GetState(), nullptr);
    EXPECT_EQ(controller.GetStateName(), "");
    CClipInfo clip;
    clip.path = MediaPath("h264_aac.mp4");
    EXPECT_FALSE(controller.Load(&clip));
    controller.TogglePlay();
    controller.Stop();
    EXPECT_FALSE(controller.Initialize(nullptr));
    EXPECT_EQ(controller.GetState(), nullptr);
    EXPECT_EQ(controller.GetEngine().RegistrationCount(), 0u);
}

TEST(ControllerSetupTest, HandlersKeepTheirKeys) {
    using H = Observer<CPlaybackController>;
    QWidget host;
    CPlaybackController controller;
    ASSERT_TRUE(controller.Initialize(&host));
    EXPECT_EQ(controller.GetState(), &CEngineStateStopped::Instance());
    EXPECT_EQ(controller.GetEngine().RegistrationCount(), 10u);
    // Registering a handler again gives the key it already has.
    CPlaybackController other;
    ASSERT_TRUE(other.Initialize(&host));
    EXPECT_EQ(other.GetEngine().RegistrationCount(), 10u);
    EXPECT_EQ(H::Handlers::Lookup(10), nullptr);
}

TEST(ControllerSetupTest, InitializeMakesTheSourceAspectRatioCurrent) {
    SetCurrentAspectRatio(&CAspectRatioFit4_3::Instance());
    QWidget host;
    CPlaybackController controller;
    ASSERT_TRUE(controller.Initialize(&host));
    EXPECT_EQ(CurrentAspectRatio(), &CAspectRatioFitSource::Instance());
    SetCurrentAspectRatio(nullptr);
}

TEST(ControllerSetupTest, EngineOutlivesItsParentWindow) {
    auto host = std::make_unique<QWidget>();
    CPlaybackController controller;
    ASSERT_TRUE(controller.Initialize(host.get()));
    EXPECT_EQ(controller.GetEngine().parentWidget(), host.get());
    host.reset();  // must not delete the embedded engine
    EXPECT_EQ(controller.GetEngine().parentWidget(), nullptr);
}

}  // namespace
}  // namespace zvp
