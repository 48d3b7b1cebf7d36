// The engine over real generated media, the real graph and the default renderers (the
// software video renderer under the offscreen platform, SDL2 audio on its dummy driver).
#include "engine/CEngineDS.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <algorithm>
#include <fstream>

#include "EventRecorder.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineStateAborted.h"
#include "engine/CEngineStateLoaded.h"
#include "engine/CEngineStatePaused.h"
#include "engine/CEngineStatePlaying.h"
#include "engine/CEngineStateStopped.h"
#include "graph/CFilterGraph.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "media/CPlaybackInfo.h"
#include "media/LogCapture.h"
#include "subtitle/CSubtitleFile.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::Arg;
using test::MediaPath;
using test::PumpUntil;
using test::RecordedEvent;

const std::vector<std::string> kEngineEvents = {
    "Loaded",    "LoadFailed", "Playing",    "Paused",        "Stopped",     "Aborted",
    "Completed", "UserAbort",  "ErrorAbort", "VolumeChanged", "MuteChanged", "PositionChanged"};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The host stays hidden: these tests are about the engine's events, and nothing is
        // painted (the display is checked under Xvfb, tests/e2e).
        host.resize(320, 240);
        ASSERT_TRUE(engine.Create(&host));
        engine.resize(320, 240);
    }

    bool LoadFile(const std::string& name) {
        clip.path = MediaPath(name);
        return engine.Load(&clip);
    }
    // Waits for the position tick to report at least `seconds`.
    bool WaitForPosition(double seconds) {
        return PumpUntil([&] { return engine.GetPosition() >= seconds; });
    }
    long RendererVolume() {
        long v = 1;
        EXPECT_EQ(engine.GetGraph()->get_Volume(&v), S_OK);
        return v;
    }
    RecordedEvent State(const char* name, EventArg arg = 0) {
        return RecordedEvent{name, arg, Arg(&engine)};
    }

    QWidget host;
    CEngineDS engine;
    CClipInfo clip;
    test::EventRecorder events{engine, kEngineEvents};
};

TEST_F(EngineTest, LoadDescribesTheClipAndPublishesLoaded) {
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"Loaded", Arg(&clip), Arg(&engine)}}));
    EXPECT_EQ(engine.GetStateName(), "Loaded");
    EXPECT_TRUE(engine.IsLoaded());
    EXPECT_EQ(clip.width, 320);
    EXPECT_EQ(clip.height, 240);
    EXPECT_EQ(clip.displayWidth, 320);
    EXPECT_EQ(clip.displayHeight, 240);
    EXPECT_NEAR(clip.duration, 10.0, 0.1);
    EXPECT_TRUE(clip.canSeekAbsolute && clip.canSeekForwards && clip.canSeekBackwards);
    EXPECT_FALSE(clip.audioOnly);
    EXPECT_FALSE(clip.loadFailed);
    EXPECT_GT(clip.fileSize, 0u);
    EXPECT_GT(clip.creationTime, 0u);
    EXPECT_EQ(clip.GetDisplayTitle(), "h264_aac.mp4");
    // The video is hosted in the engine window, which mouse input passes through.
    ASSERT_EQ(engine.findChildren<QWidget*>().size(), 1);
    EXPECT_EQ(engine.findChildren<QWidget*>().front()->size(), engine.size());
    EXPECT_TRUE(engine.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(engine.isEnabled());
    EXPECT_EQ(engine.objectName(), "Zeph Media Engine");
}

TEST_F(EngineTest, LoadReportsTheDisplaySizeOfAnamorphicVideo) {
    // 176 × 144 coded with 64:45 pixels: shown 250 × 144; the coded size stays the video size.
    ASSERT_TRUE(LoadFile("anamorphic.mp4"));
    EXPECT_EQ(clip.width, 176);
    EXPECT_EQ(clip.height, 144);
    EXPECT_EQ(clip.displayWidth, 250);
    EXPECT_EQ(clip.displayHeight, 144);
}

TEST_F(EngineTest, LoadTakesTitleAuthorAndCopyrightFromTheTags) {
    ASSERT_TRUE(LoadFile("tagged.mp3"));
    EXPECT_EQ(clip.title, "Tagged Tone");
    EXPECT_EQ(clip.author, "Test Author");
    EXPECT_EQ(clip.copyright, "(c) Tests");
    EXPECT_EQ(clip.GetDisplayTitle(), "Tagged Tone");
    // A file without tags keeps what the record held.
    ASSERT_TRUE(LoadFile("tone.wav"));
    EXPECT_EQ(clip.title, "Tagged Tone");
}

TEST_F(EngineTest, PlayPauseResumeAndRepeatsPublishOnce) {
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    events.Clear();
    engine.Play();
    engine.Play();
    EXPECT_TRUE(engine.IsPlayingOrPaused());
    ASSERT_TRUE(PumpUntil([&] { return events.Has("PositionChanged"); }));
    engine.Pause();
    engine.Pause();
    engine.Resume();
    EXPECT_EQ(events.WithoutTicks(),
              (std::vector<RecordedEvent>{State("Playing"), State("Paused"), State("Playing")}));
    // Ticks carry whole seconds of position and of the duration.
    for (const auto& e : events.events) {
        if (e.name == "PositionChanged") {
            EXPECT_LE(e.arg1, 10u);
            EXPECT_EQ(e.arg2, 10u);
        }
    }
}

TEST_F(EngineTest, EndOfClipPublishesFinalPositionStoppedCompleted) {
    test::LogCapture log;
    ASSERT_TRUE(LoadFile("video_only.mp4"));
    const EventArg d = static_cast<EventArg>(engine.GetDuration());
    engine.Play();
    engine.SetPosition(engine.GetDuration() - 1.0);
    events.Clear();
    ASSERT_TRUE(PumpUntil([&] { return events.Has("Completed"); }));
    EXPECT_EQ(events.WithoutTicks(),
              (std::vector<RecordedEvent>{State("Stopped"), State("Completed", 100)}));
    // The last tick before "Stopped" is the end position.
    auto stopped = std::find(events.events.begin(), events.events.end(), State("Stopped"));
    ASSERT_NE(stopped, events.events.begin());
    EXPECT_EQ(*(stopped - 1), (RecordedEvent{"PositionChanged", d, d}));
    EXPECT_EQ(engine.GetGraph(), nullptr);
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(log.CountOf("Playback ended: Completed {" + clip.path + "}"), 1);

    // Nothing is left to stop or to play.
    events.Clear();
    engine.Stop();
    engine.Play();
    EXPECT_TRUE(events.events.empty());
}

TEST_F(EngineTest, AbortsFromTheGraphStopAndComplete) {
    for (long code : {EC_USERABORT, EC_ERRORABORT}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(LoadFile("h264_aac.mp4"));
        engine.Play();
        events.Clear();
        // As a pin reports it when its processing fails.
        engine.GetGraph()->Notify(engine.GetGraph()->GetFilter(0), code, E_FAIL, 0);
        ASSERT_TRUE(PumpUntil([&] { return events.Has("Completed"); }));
        EXPECT_EQ(events.WithoutTicks(),
                  (std::vector<RecordedEvent>{
                      State("Stopped"), State(code == EC_USERABORT ? "UserAbort" : "ErrorAbort"),
                      State("Completed", 100)}));
        EXPECT_EQ(engine.GetStateName(), "Completed");
        EXPECT_EQ(engine.GetGraph(), nullptr);
    }
}

// Files whose media data breaks off or turns to noise mid-stream play up to the break and end
// like any other clip (the decoders skip what they cannot decode).
TEST_F(EngineTest, FilesThatBreakMidStreamEndCleanly) {
    for (const char* name : {"truncated.mp4", "corrupt_middle.mp4"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(LoadFile(name));
        engine.Play();
        engine.SetPosition(3.0);
        events.Clear();
        ASSERT_TRUE(PumpUntil([&] { return events.Has("Completed"); }, std::chrono::seconds(60)));
        EXPECT_EQ(events.WithoutTicks(),
                  (std::vector<RecordedEvent>{State("Stopped"), State("Completed", 100)}));
    }
}

TEST_F(EngineTest, AbortAtThirtySecondsRewindsAndKeepsTheGraph) {
    ASSERT_TRUE(LoadFile("long.mp4"));
    const EventArg d = static_cast<EventArg>(engine.GetDuration());
    ASSERT_EQ(d, 45u);
    engine.Play();
    engine.SetPosition(30.0);
    ASSERT_TRUE(WaitForPosition(30.0));
    events.Clear();
    engine.Abort();
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{{"PositionChanged", 0, d}, State("Aborted", 0)}));
    EXPECT_FALSE(engine.IsLoaded());
    ASSERT_NE(engine.GetGraph(), nullptr);

    // An end reported just before the abort is dropped with the aborted playback.
    CFilterGraph* graph = engine.GetGraph();
    for (int i = 0; i < graph->GetFilterCount(); ++i)
        graph->Notify(graph->GetFilter(i), EC_COMPLETE, 0, 0);  // every renderer ended
    engine.Abort();
    QCoreApplication::processEvents();  // delivers the graph's queued notification
    EXPECT_EQ(engine.GetStateName(), "Aborted");
    ASSERT_NE(engine.GetGraph(), nullptr);

    // Play again runs the same file from the start: rewound while aborted, then the first
    // tick reports a position before the one the playback was aborted at.
    EXPECT_EQ(engine.GetPosition(), 0.0);
    events.Clear();
    engine.Play();
    EXPECT_EQ(events.events.front(), State("Playing"));
    ASSERT_TRUE(PumpUntil([&] { return events.Has("PositionChanged"); }));
    for (const auto& e : events.events) {
        if (e.name != "PositionChanged") continue;
        EXPECT_LT(e.arg1, 30u);
        break;
    }
}

TEST_F(EngineTest, LoadOfAMissingPathFails) {
    test::LogCapture log;
    clip.path = MediaPath("no-such-file.mp4");
    EXPECT_FALSE(engine.Load(&clip));
    EXPECT_TRUE(clip.loadFailed);
    EXPECT_TRUE(log.Contains("Load failed: {" + clip.path + "}"));
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{{"LoadFailed", Arg(&clip), Arg(&engine)}}));
    EXPECT_EQ(engine.GetGraph(), nullptr);
    // Nothing half-built is played afterwards.
    engine.Play();
    EXPECT_EQ(events.events.size(), 1u);
    // A null record or an engine without a window: false, no event.
    EXPECT_FALSE(engine.Load(nullptr));
    CEngineDS uncreated;
    EXPECT_FALSE(uncreated.Load(&clip));
    EXPECT_EQ(events.events.size(), 1u);
}

TEST_F(EngineTest, PathsAreCaseSensitive) {
    clip.path = MediaPath("H264_AAC.MP4");
    EXPECT_FALSE(engine.Load(&clip));
    EXPECT_TRUE(LoadFile("h264_aac.mp4"));
    EXPECT_FALSE(clip.loadFailed);
}

TEST_F(EngineTest, FilesThatAreNoMediaFailToLoad) {
    EXPECT_FALSE(LoadFile("random.bin"));
    EXPECT_TRUE(clip.loadFailed);
    EXPECT_EQ(engine.GetStateName(), "LoadFailed");
}

TEST_F(EngineTest, AVideoRendererThatCannotConnectFailsTheLoad) {
    EngineRenderers renderers = CEngineDS::DefaultRenderers();
    // An audio renderer offered for the video pin accepts none of its types.
    renderers.video = [] { return std::make_unique<CNullAudioRenderer>(); };
    renderers.videoFallback = nullptr;
    engine.SetRenderers(renderers);
    EXPECT_FALSE(LoadFile("h264_aac.mp4"));
    EXPECT_TRUE(clip.loadFailed);
    // The fallback is used when the first video renderer cannot be made.
    renderers.video = [] { return std::unique_ptr<CBaseFilter>(); };
    renderers.videoFallback = [] { return std::make_unique<CNullVideoRenderer>(); };
    engine.SetRenderers(renderers);
    EXPECT_TRUE(LoadFile("h264_aac.mp4"));
    EXPECT_FALSE(clip.loadFailed);
}

TEST_F(EngineTest, AudioOnlyShrinksTheEngineWindow) {
    ASSERT_TRUE(LoadFile("tone.wav"));
    EXPECT_TRUE(clip.audioOnly);
    EXPECT_EQ(clip.width, 0);
    EXPECT_EQ(engine.geometry(), QRect(0, 0, 0, 0));
    EXPECT_TRUE(engine.findChildren<QWidget*>().empty());
    EXPECT_NEAR(clip.duration, 5.0, 0.1);
}

TEST_F(EngineTest, VolumeReachesTheRendererInHundredthsOfADecibel) {
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    EXPECT_EQ(RendererVolume(), 0);
    events.Clear();
    engine.SetVolume(0);
    EXPECT_EQ(RendererVolume(), -10000);
    engine.SetVolume(50);
    EXPECT_EQ(RendererVolume(), -903);
    engine.SetVolume(10);
    EXPECT_EQ(RendererVolume(), -3000);
    engine.SetVolume(100);
    EXPECT_EQ(RendererVolume(), 0);

    // Muted: the volume is stored and published but the renderer stays silent.
    engine.SetMute(true);
    EXPECT_EQ(RendererVolume(), -10000);
    engine.SetVolume(50);
    EXPECT_EQ(engine.GetVolume(), 50);
    EXPECT_EQ(RendererVolume(), -10000);
    engine.SetMute(false);
    EXPECT_EQ(RendererVolume(), -903);
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"VolumeChanged", 0, 0},
                                                         {"VolumeChanged", 50, 0},
                                                         {"VolumeChanged", 10, 0},
                                                         {"VolumeChanged", 100, 0},
                                                         {"MuteChanged", 1, 0},
                                                         {"VolumeChanged", 50, 0},
                                                         {"MuteChanged", 0, 0}}));

    // A muted engine loads the next file silent.
    engine.SetMute(true);
    ASSERT_TRUE(LoadFile("tone.wav"));
    EXPECT_EQ(RendererVolume(), -10000);

    // Volume steps are clamped to 0..100.
    engine.SetVolume(98);
    engine.VolumeUp();
    EXPECT_EQ(engine.GetVolume(), 100);
    engine.SetVolume(3);
    engine.VolumeDown();
    EXPECT_EQ(engine.GetVolume(), 0);
}

TEST_F(EngineTest, PositionIsWholeSecondsAndDurationIsNot) {
    EXPECT_EQ(engine.GetPosition(), 0.0);
    EXPECT_EQ(engine.GetDuration(), 0.0);
    ASSERT_TRUE(LoadFile("tone.mp3"));  // 5.04 s
    engine.Pause();
    engine.SetDamnPosition(2.9);
    EXPECT_EQ(engine.GetPosition(), 2.0);
    EXPECT_DOUBLE_EQ(engine.GetDuration(), clip.duration);
    EXPECT_GT(engine.GetDuration(), 5.0);
    EXPECT_LT(engine.GetDuration(), 5.1);
    // SetPosition seeks to whole seconds and says so.
    events.Clear();
    engine.SetPosition(4.7);
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"PositionChanged", 4, 5}}));
    EXPECT_EQ(engine.GetPosition(), 4.0);
    EXPECT_EQ(engine.GetPlayedPercent(), 80);
}

// Seeks run on the seek worker: a burst of calls (a slider drag, then keys) returns at once,
// yet the graph takes them, and observers see their events, in the order they were made.
TEST_F(EngineTest, SeeksOffTheUiThreadKeepTheOrderOfCallsAndEvents) {
    ASSERT_TRUE(LoadFile("long.mp4"));
    const EventArg d = static_cast<EventArg>(engine.GetDuration());
    engine.Play();
    ASSERT_TRUE(PumpUntil([&] { return events.Has("PositionChanged"); }));
    events.Clear();
    engine.SetPosition(10.0);
    engine.SetPosition(20.4);  // may replace the seek to 10 before it starts
    EXPECT_EQ(engine.GetPosition(), 20.0);
    engine.Pause();  // after the seek to 20
    REFERENCE_TIME at = 0;
    ASSERT_EQ(engine.GetGraph()->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at / 10'000'000, 20);
    engine.SetPosition(30.0);
    engine.SetVolume(50);
    EXPECT_EQ(RendererVolume(), -903);
    engine.Resume();
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"PositionChanged", 10, d},
                                                         {"PositionChanged", 20, d},
                                                         State("Paused"),
                                                         {"PositionChanged", 30, d},
                                                         {"VolumeChanged", 50, 0},
                                                         State("Playing")}));
    // Playback goes on from 30 s.
    ASSERT_TRUE(WaitForPosition(31.0));
    EXPECT_LT(engine.GetPosition(), 40.0);
    events.Clear();
    engine.SetPosition(2.0);
    engine.Stop();
    EXPECT_EQ(events.events,
              (std::vector<RecordedEvent>{{"PositionChanged", 2, d}, State("Stopped")}));
    EXPECT_EQ(engine.GetGraph(), nullptr);
}

TEST_F(EngineTest, StepsAreClampedAtBothEnds) {
    ASSERT_TRUE(LoadFile("long.mp4"));
    engine.Pause();
    events.Clear();
    engine.SetPosition(5.0);
    engine.StepBackward();
    engine.SetPosition(40.0);
    engine.StepForward();
    engine.StepBackward();
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"PositionChanged", 5, 45},
                                                         {"PositionChanged", 0, 45},
                                                         {"PositionChanged", 40, 45},
                                                         {"PositionChanged", 45, 45},
                                                         {"PositionChanged", 35, 45}}));
}

TEST_F(EngineTest, StreamQueriesNeedASource) {
    std::vector<int> streams;
    int current = -2;
    EXPECT_FALSE(engine.GetAudioStreams(streams, current));
    EXPECT_FALSE(engine.SelectAudioStream(1));
    EXPECT_EQ(engine.GetMediaFile(), nullptr);
    engine.HideEmbeddedSubtitles();  // nothing to do, no crash

    ASSERT_TRUE(LoadFile("two_audio_ass.mkv"));
    ASSERT_TRUE(engine.GetAudioStreams(streams, current));
    EXPECT_EQ(streams, (std::vector<int>{1, 2}));
    EXPECT_EQ(current, 1);
    EXPECT_FALSE(engine.SelectAudioStream(-1));
    EXPECT_TRUE(engine.SelectAudioStream(2));
    ASSERT_TRUE(engine.GetAudioStreams(streams, current));
    EXPECT_EQ(current, 2);
    ASSERT_TRUE(engine.GetSubtitleStreams(streams, current));
    EXPECT_EQ(streams, (std::vector<int>{3}));
    engine.HideEmbeddedSubtitles();
    EXPECT_EQ(engine.GetMediaFile()->GetCodecContext(AVMEDIA_TYPE_SUBTITLE), nullptr);
    EXPECT_FALSE(engine.GetMediaFile()->HasSubtitle());
    ASSERT_TRUE(engine.GetSubtitleStreams(streams, current));
    EXPECT_EQ(current, -1);
    EXPECT_EQ(streams, (std::vector<int>{3}));  // still offered in the track menu
}

TEST_F(EngineTest, ExternalSubtitleCommandsNeedASource) {
    test::TempDir dir;
    const std::string srt = dir.file("picked.srt");
    {
        std::ofstream out(srt);
        out << "1\n00:00:00,500 --> 00:00:04,000\nPicked line\n";
    }
    engine.LoadExternalSubtitle(srt, true);  // no source yet: nothing happens
    EXPECT_NE(CSubtitleFile::CurrentPath(), srt);

    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    engine.LoadExternalSubtitle(dir.file("missing.srt"), true);
    EXPECT_TRUE(CSubtitleFile::CurrentPath().empty());
    engine.LoadExternalSubtitle(srt, true);
    EXPECT_EQ(CSubtitleFile::CurrentPath(), srt);
    // The subtitle menu offers it: among the candidates or the other used files.
    auto offered = CSubtitleFile::Candidates();
    for (const auto& f : CSubtitleFile::UsedFiles()) offered.push_back(f);
    EXPECT_NE(std::find(offered.begin(), offered.end(), srt), offered.end());
    engine.HideExternalSubtitles();
    EXPECT_TRUE(CSubtitleFile::CurrentPath().empty());
}

TEST_F(EngineTest, PickedSubtitleIsRememberedOnlyOnRequest) {
    test::TempDir dir;
    const std::string once = dir.file("once.srt"), kept = dir.file("kept.srt");
    const std::string text = dir.file("notes.txt");
    for (const std::string& path : {once, kept, text}) {
        std::ofstream out(path);
        out << "1\n00:00:00,500 --> 00:00:04,000\nPicked line\n";
    }
    const auto remembered = [](const std::string& path) {
        const auto used = CSubtitleFile::UsedFiles();
        return std::count(used.begin(), used.end(), path);
    };
    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    engine.LoadExternalSubtitle(once, false);
    EXPECT_EQ(CSubtitleFile::CurrentPath(), once);
    EXPECT_EQ(remembered(once), 0);
    engine.LoadExternalSubtitle(kept, true);
    engine.LoadExternalSubtitle(kept, true);
    EXPECT_EQ(CSubtitleFile::CurrentPath(), kept);
    EXPECT_EQ(remembered(kept), 1);
    // Not a subtitle file: neither shown nor remembered, and the shown one stays.
    engine.LoadExternalSubtitle(text, true);
    EXPECT_EQ(CSubtitleFile::CurrentPath(), kept);
    EXPECT_EQ(remembered(text), 0);
}

TEST_F(EngineTest, StatesTurnCommandsIntoEngineOperations) {
    const IEngineState& stopped = CEngineStateStopped::Instance();
    const IEngineState& loaded = CEngineStateLoaded::Instance();
    const IEngineState& playing = CEngineStatePlaying::Instance();
    const IEngineState& paused = CEngineStatePaused::Instance();
    const IEngineState& aborted = CEngineStateAborted::Instance();
    EXPECT_EQ(&stopped, &CEngineStateStopped::Instance());
    EXPECT_EQ(stopped.GetName() + loaded.GetName() + playing.GetName() + paused.GetName() +
                  aborted.GetName(),
              "StoppedLoadedPlayingPausedAborted");
    auto inert = [&](const IEngineState& s) {
        s.Pause(engine);
        s.Resume(engine);
        s.Stop(engine);
        s.Abort(engine);
    };

    ASSERT_TRUE(LoadFile("h264_aac.mp4"));
    events.Clear();
    inert(loaded);
    loaded.TogglePlay(engine);
    playing.Resume(engine);
    playing.Pause(engine);
    paused.Pause(engine);
    paused.Resume(engine);
    playing.TogglePlay(engine);
    paused.TogglePlay(engine);
    playing.Abort(engine);
    inert(aborted);
    aborted.TogglePlay(engine);
    playing.Stop(engine);
    stopped.TogglePlay(engine);
    inert(stopped);
    EXPECT_EQ(events.events, (std::vector<RecordedEvent>{State("Playing"),
                                                         State("Paused"),
                                                         State("Playing"),
                                                         State("Paused"),
                                                         State("Playing"),
                                                         {"PositionChanged", 0, 10},
                                                         State("Aborted"),
                                                         State("Playing"),
                                                         State("Stopped")}));
}

// Fifty load-play-seek-stop cycles over several files, ending each by Stop, by the next Load
// or by Abort and a new Play: no hang, and no leak (the AddressSanitizer build checks for
// leaks when the process ends).
TEST_F(EngineTest, FiftyLoadPlaySeekStopCycles) {
    const char* files[] = {"h264_aac.mp4", "tone.wav", "video_only.mp4", "mpeg4_mp3.avi",
                           "two_audio_ass.mkv"};
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(LoadFile(files[i % 5]));
        events.Clear();
        engine.Play();
        ASSERT_TRUE(PumpUntil([&] { return events.Has("PositionChanged"); }));
        if (i % 2) engine.Pause();
        const double target = 2.0 + i % 3;
        engine.SetPosition(target);
        ASSERT_TRUE(PumpUntil([&] { return engine.GetPosition() >= target; }));
        switch (i % 3) {
            case 0:
                engine.Stop();
                EXPECT_EQ(engine.GetStateName(), "Stopped");
                EXPECT_EQ(engine.GetGraph(), nullptr);
                break;
            case 1:
                break;  // the next Load stops this one
            case 2:
                engine.Abort();
                EXPECT_EQ(engine.GetStateName(), "Aborted");
                engine.Play();
                EXPECT_EQ(engine.GetStateName(), "Playing");
                break;
        }
    }
    engine.Stop();
}

}  // namespace
}  // namespace zvp
