// Loads whose probe runs on a worker: Load returns before anything is published, the events
// follow on the UI thread in the order a load on the UI thread gives them, a Play made
// meanwhile is carried out after "Loaded" (and dropped after "LoadFailed"), control calls
// finish the load first, and release or destruction drop it without a word.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <memory>

#include "EventRecorder.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineDS.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::Arg;
using test::MediaPath;
using test::PumpUntil;
using test::RecordedEvent;

const std::vector<std::string> kStateEvents = {"Loaded",  "LoadFailed", "Playing",  "Paused",
                                               "Stopped", "Aborted",    "Completed"};

class BackgroundLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.resize(320, 240);
        ASSERT_TRUE(engine.Create(&host));
        engine.resize(320, 240);
        engine.SetBackgroundLoad(true);
    }
    bool Load(CClipInfo& clip, const std::string& name) {
        clip.path = MediaPath(name);
        return engine.Load(&clip);
    }
    bool Saw(const char* name, size_t count = 1) {
        return std::count_if(events.events.begin(), events.events.end(),
                             [&](const RecordedEvent& e) { return e.name == name; }) >=
               static_cast<std::ptrdiff_t>(count);
    }
    RecordedEvent State(const char* name, EventArg arg = 0) {
        return RecordedEvent{name, arg, Arg(&engine)};
    }

    QWidget host;
    CEngineDS engine;
    CClipInfo clip;
    CClipInfo other;
    test::EventRecorder events{engine, kStateEvents};
};

TEST_F(BackgroundLoadTest, LoadReturnsFirstAndPlayFollowsLoaded) {
    ASSERT_TRUE(Load(clip, "h264_aac.mp4"));
    // Nothing is published inside the call; the engine counts as loaded meanwhile.
    EXPECT_TRUE(events.events.empty());
    EXPECT_TRUE(engine.IsLoading());
    EXPECT_TRUE(engine.IsLoaded());
    EXPECT_EQ(engine.GetPosition(), 0.0);
    EXPECT_EQ(engine.GetDuration(), 0.0);
    engine.Play();
    EXPECT_TRUE(events.events.empty());

    ASSERT_TRUE(PumpUntil([&] { return Saw("Playing"); }));
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{State("Loaded", Arg(&clip)), State("Playing")}));
    EXPECT_FALSE(engine.IsLoading());
    EXPECT_EQ(clip.width, 320);
    EXPECT_NEAR(clip.duration, 10.0, 0.1);
    engine.Stop();
}

TEST_F(BackgroundLoadTest, AFailedProbeDropsTheRememberedPlay) {
    // Missing files still fail inside the call.
    EXPECT_FALSE(Load(clip, "no-such-file.mp4"));
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{State("LoadFailed", Arg(&clip))}));
    events.events.clear();

    ASSERT_TRUE(Load(clip, "random.bin"));
    engine.Play();
    ASSERT_TRUE(PumpUntil([&] { return Saw("LoadFailed"); }));
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{State("LoadFailed", Arg(&clip))}));
    EXPECT_TRUE(clip.loadFailed);
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(engine.GetGraph(), nullptr);
}

// The same calls with the probe on the UI thread and on the worker give the same events.
TEST_F(BackgroundLoadTest, EventsComeInTheOrderOfALoadOnTheCallingThread) {
    const auto script = [&](CEngineDS& e, test::EventRecorder& seen) {
        clip.path = MediaPath("h264_aac.mp4");
        other.path = MediaPath("long.mp4");
        EXPECT_TRUE(e.Load(&clip));
        e.Play();
        // A second load finishes the first: its "Loaded" and "Playing" come before the stop.
        EXPECT_TRUE(e.Load(&other));
        e.Pause();  // finishes the second load, then pauses it
        e.Play();
        EXPECT_TRUE(PumpUntil([&] {
            return std::count_if(seen.events.begin(), seen.events.end(),
                                 [](const auto& ev) { return ev.name == "Playing"; }) >= 2;
        }));
        e.Stop();
        e.SetPosition(3.0);  // nothing loaded: no event
    };
    script(engine, events);
    const std::vector<RecordedEvent> background = events.events;

    QWidget host2;
    CEngineDS onThisThread;
    ASSERT_TRUE(onThisThread.Create(&host2));
    test::EventRecorder seen{onThisThread, kStateEvents};
    script(onThisThread, seen);
    const auto self = [](std::vector<RecordedEvent> list, const CEngineDS& from) {
        for (RecordedEvent& e : list) {
            if (e.arg2 == Arg(&from)) e.arg2 = 0;
        }
        return list;
    };
    EXPECT_EQ(self(background, engine), self(seen.events, onThisThread));
    EXPECT_EQ(self(background, engine), (std::vector<RecordedEvent>{{"Loaded", Arg(&clip), 0},
                                                                    {"Playing", 0, 0},
                                                                    {"Stopped", 0, 0},
                                                                    {"Loaded", Arg(&other), 0},
                                                                    {"Paused", 0, 0},
                                                                    {"Playing", 0, 0},
                                                                    {"Stopped", 0, 0}}));
}

TEST_F(BackgroundLoadTest, ReleaseAndDestructionDropALoadWithoutAWord) {
    ASSERT_TRUE(Load(clip, "h264_aac.mp4"));
    engine.Play();
    engine.ReleaseGraph();
    EXPECT_FALSE(engine.IsLoading());
    EXPECT_FALSE(engine.IsLoaded());
    // The worker's completion was posted before the release waited for it: it finds nothing.
    QCoreApplication::processEvents();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(engine.GetGraph(), nullptr);

    // An engine destroyed while its worker probes.
    for (int i = 0; i < 3; ++i) {
        auto doomed = std::make_unique<CEngineDS>();
        ASSERT_TRUE(doomed->Create(&host));
        doomed->SetBackgroundLoad(true);
        other.path = MediaPath("long.mp4");
        ASSERT_TRUE(doomed->Load(&other));
        doomed->Play();
        doomed.reset();
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace zvp
