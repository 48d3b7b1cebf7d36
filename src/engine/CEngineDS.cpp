#include "engine/CEngineDS.h"

#include <unistd.h>

#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "app/Logger.h"
#include "app/TimerService.h"
#include "engine/CClipInfo.h"
#include "engine/VideoGeometry.h"
#include "graph/CBaseFilter.h"
#include "graph/CBasePin.h"
#include "graph/CFilterGraph.h"
#include "graph/CRendererFactory.h"
#include "graph/CSoftVideoRenderer.h"
#include "media/CCdAudioInput.h"
#include "media/CVelloAudioStream.h"
#include "media/CVelloSource.h"
#include "media/CVelloVideoStream.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/CSubtitleFile.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace zvp {

namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

// Whole seconds of a time in seconds as an event parameter: truncated toward zero, negative
// and non-finite values give 0.
EventArg SecondsArg(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0.0) return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return static_cast<EventArg>(std::numeric_limits<int32_t>::max());
    return static_cast<EventArg>(static_cast<int64_t>(seconds));
}

// 100 ns units of a time in seconds: out-of-range requests (negative, not finite, beyond the
// 64-bit range) give 0 or the largest time instead of overflowing.
REFERENCE_TIME PositionUnits(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0.0) return 0;
    const double units = seconds * kUnitsPerSecond;
    return units >= 9.2e18 ? kMaxReferenceTime : static_cast<REFERENCE_TIME>(units);
}

EventArg Ptr(const void* p) {
    return reinterpret_cast<EventArg>(p);
}

// A metadata entry of the open file, or null.
const char* MetadataValue(AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry && entry->value && entry->value[0] ? entry->value : nullptr;
}

}  // namespace

CEngineDS::CEngineDS() : renderers_(DefaultRenderers()) {}

CEngineDS::~CEngineDS() {
    StopTick();
    ReleaseGraph();
}

bool CEngineDS::Create(QWidget* parent) {
    if (!parent) return false;
    setParent(parent);
    setObjectName(QStringLiteral("Zeph Media Engine"));
    setWindowTitle(QStringLiteral("Zeph Media Engine"));
    // Clicks, drags and wheel turns over the video belong to the parent window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setEnabled(false);
    setGeometry(0, 0, 0, 0);
    // If the parent goes first, leave it rather than be deleted as its child: the engine's
    // owner deletes it.
    QObject::connect(
        parent, &QObject::destroyed, this, [this] { setParent(nullptr); }, Qt::DirectConnection);
    show();
    created_ = true;
    loaded_ = false;
    return true;
}

// --- the graph ---------------------------------------------------------------------------------

EngineRenderers CEngineDS::DefaultRenderers() {
    EngineRenderers r;
    // OpenGL video where a context can be made, else software video; SDL2 audio (or the null
    // renderers when the process asked the factory for them).
    r.video = [] { return CRendererFactory::CreateVideoRenderer(); };
    r.videoFallback = [] {
        return std::unique_ptr<CBaseFilter>(std::make_unique<CSoftVideoRenderer>());
    };
    r.audio = [] { return CRendererFactory::CreateAudioRenderer(); };
    return r;
}

void CEngineDS::SetRenderers(EngineRenderers renderers) {
    renderers_ = std::move(renderers);
}

bool CEngineDS::Load(CClipInfo* clip) {
    if (!clip || !created_) return false;
    FinishLoad();
    Stop();
    ReleaseGraph();

    // The path is opened as given: file names are case-sensitive here. An audio CD track is no
    // file: the source reads it from its drive.
    const std::string path = clip->path;
    path_ = path;
    if (path.empty() || (::access(path.c_str(), F_OK) != 0 && !CCdAudioInput::IsTrackPath(path))) {
        return LoadFailed(*clip);
    }

    HRESULT hr = S_OK;
    auto source = std::make_unique<CVelloSource>(&hr);
    if (FAILED(hr)) return LoadFailed(*clip);
    if (backgroundLoad_) {
        opening_ = std::move(source);
        loading_ = clip;
        loaded_ = true;
        playWhenLoaded_ = false;
        const uint64_t serial = ++loadSerial_;
        // The completion is posted to this object's (UI) thread; Qt drops it if the engine
        // goes first, and the destructor waits for the worker before that.
        opener_.Start(opening_.get(), path, [this, serial] {
            QMetaObject::invokeMethod(
                this,
                [this, serial] {
                    // Only this load: a next one its observers start probes in its turn.
                    if (serial == loadSerial_) CompleteBackgroundLoad();
                },
                Qt::QueuedConnection);
        });
        return true;
    }
    if (FAILED(source->Load(path, nullptr))) return LoadFailed(*clip);
    return CompleteLoad(*clip, std::move(source));
}

void CEngineDS::FinishLoad() {
    // An observer of a failed load may start the next one (the playlist moves on): that one
    // is finished too, as it would have been before the call that came here.
    while (loading_) CompleteBackgroundLoad();
}

void CEngineDS::CompleteBackgroundLoad() {
    if (!loading_) return;
    CClipInfo* clip = std::exchange(loading_, nullptr);
    opener_.Wait();
    std::unique_ptr<CVelloSource> source = std::move(opening_);
    const bool play = std::exchange(playWhenLoaded_, false);
    // The probe's result decides through Load, as for a load on this thread.
    if (!source || FAILED(source->Load(path_, nullptr))) {
        LoadFailed(*clip);
    } else if (CompleteLoad(*clip, std::move(source)) && play && !loading_) {
        Play();
    }
}

void CEngineDS::DropLoad() {
    if (!loading_) return;
    loading_ = nullptr;
    playWhenLoaded_ = false;
    loaded_ = false;
    opener_.Wait();
    opening_.reset();
}

bool CEngineDS::CompleteLoad(CClipInfo& clip, std::unique_ptr<CVelloSource> source) {
    graph_ = std::make_unique<CFilterGraph>();
    graph_->SetNotifyTarget(this, [this] { OnGraphEvent(); });
    source_ = source.get();
    graph_->AddFilter(std::move(source), nullptr);

    CBasePin* videoPin = source_->VideoPin();
    CBasePin* audioPin = source_->AudioPin();
    if (videoPin && !ConnectRenderer(videoPin, true)) return LoadFailed(clip);
    if (audioPin && !ConnectRenderer(audioPin, false)) return LoadFailed(clip);
    // The audio renderer's clock (when there is one) is chosen now that it is in the graph.
    graph_->SetDefaultSyncSource();

    QueryClipInfo(clip);
    clip.ReadFileAttributes();
    canSeek_ = clip.canSeekAbsolute;
    duration_ = clip.duration;

    if (clip.audioOnly) {
        setGeometry(0, 0, 0, 0);
    } else if (QWidget* video = graph_->GetVideoWidget()) {
        video->hide();
        video->setParent(this);
        video->setAttribute(Qt::WA_TransparentForMouseEvents);
        video->setGeometry(rect());
        video->show();
        video->raise();
        videoWidget_ = video;
    }

    loaded_ = true;
    // A muted engine stays silent with the new file too.
    ApplyVolume(muted_ ? 0 : volume_);
    clip.loadFailed = false;
    PublishState("Loaded", Ptr(&clip));
    return true;
}

bool CEngineDS::ConnectRenderer(CBasePin* pin, bool video) {
    std::unique_ptr<CBaseFilter> renderer;
    if (video) {
        if (renderers_.video) renderer = renderers_.video();
        if (!renderer && renderers_.videoFallback) renderer = renderers_.videoFallback();
    } else if (renderers_.audio) {
        renderer = renderers_.audio();
    }
    if (!renderer) return false;
    CBaseFilter* filter = renderer.get();
    graph_->AddFilter(std::move(renderer), video ? "Video Renderer" : "Audio Renderer");
    CBasePin* input = CFilterGraph::FindInputPin(filter);
    return input && SUCCEEDED(graph_->Connect(pin, input));
}

bool CEngineDS::LoadFailed(CClipInfo& clip) {
    Log(LogPoint{"CEngineDS::Load", kLogInfo}, "Load failed: {%s}", clip.path.c_str());
    clip.loadFailed = true;
    loaded_ = false;
    // Nothing of a failed graph is kept: a later Play must not run half a graph.
    ReleaseGraph();
    PublishState("LoadFailed", Ptr(&clip));
    return false;
}

void CEngineDS::QueryClipInfo(CClipInfo& clip) {
    long width = 0;
    long height = 0;
    if (SUCCEEDED(graph_->GetVideoSize(&width, &height))) {
        clip.width = static_cast<int32_t>(width);
        clip.height = static_cast<int32_t>(height);
    }
    clip.audioOnly = clip.width == 0 || clip.height == 0;
    clip.displayWidth = clip.width;
    clip.displayHeight = clip.height;

    REFERENCE_TIME duration = 0;
    if (SUCCEEDED(graph_->GetDuration(&duration))) clip.duration = duration / kUnitsPerSecond;
    DWORD caps = 0;
    const HRESULT hr = graph_->GetCapabilities(&caps);
    if (hr == S_OK) {
        clip.canSeekAbsolute = clip.canSeekForwards = clip.canSeekBackwards = true;
    } else if (hr == S_FALSE) {
        clip.canSeekAbsolute = (caps & AM_SEEKING_CanSeekAbsolute) != 0;
        clip.canSeekForwards = (caps & AM_SEEKING_CanSeekForwards) != 0;
        clip.canSeekBackwards = (caps & AM_SEEKING_CanSeekBackwards) != 0;
    } else {
        clip.canSeekAbsolute = clip.canSeekForwards = clip.canSeekBackwards = false;
    }

    if (!source_) return;
    CPlaybackInfo* info = source_->GetPlaybackInfo();
    std::lock_guard lock(info->GetLock());
    const AVRational sar = info->VideoSampleAspectRatio();
    const VideoSize shown = DisplaySize(clip.width, clip.height, sar.num, sar.den);
    clip.displayWidth = shown.width;
    clip.displayHeight = shown.height;
    AVFormatContext* format = info->GetFormatContext();
    if (!format) return;
    if (const char* v = MetadataValue(format->metadata, "title")) clip.title = v;
    const char* author = MetadataValue(format->metadata, "artist");
    if (!author) author = MetadataValue(format->metadata, "author");
    if (author) clip.author = author;
    if (const char* v = MetadataValue(format->metadata, "copyright")) clip.copyright = v;
}

void CEngineDS::ReleaseGraph() {
    DropLoad();
    seeker_.Wait();
    canSeek_ = false;
    // Without a graph the position tick would report 0 of 0 for ever.
    StopTick();
    videoWidget_ = nullptr;
    source_ = nullptr;
    // Destroying the graph stops it and every streaming thread before the filters go.
    graph_.reset();
    ShutdownSubtitles();
}

void CEngineDS::DetachVideoWidget() {
    if (videoWidget_) videoWidget_->hide();
    videoWidget_ = nullptr;
}

void CEngineDS::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (videoWidget_)
        videoWidget_->setGeometry(0, 0, event->size().width(), event->size().height());
}

// --- transport ---------------------------------------------------------------------------------

void CEngineDS::PublishState(const std::string& name, EventArg param) {
    stateName_ = name;
    Notify(name, param, Ptr(this));
}

void CEngineDS::Play() {
    if (loading_) {
        playWhenLoaded_ = true;
        return;
    }
    if (!graph_ || stateName_ == "Playing") return;
    if (FAILED(Graph()->Run())) return;
    StartTick();
    PublishState("Playing", 0);
}

void CEngineDS::Pause() {
    FinishLoad();
    if (!graph_ || stateName_ == "Paused") return;
    if (FAILED(Graph()->Pause())) return;
    PublishState("Paused", 0);
}

void CEngineDS::Resume() {
    if (loading_) {
        playWhenLoaded_ = true;
        return;
    }
    if (graph_ && SUCCEEDED(Graph()->Run())) PublishState("Playing", 0);
}

void CEngineDS::StopGraph() {
    FinishLoad();
    if (graph_ && SUCCEEDED(Graph()->Stop())) SetDamnPosition(0.0);
}

void CEngineDS::Stop() {
    FinishLoad();
    loaded_ = false;
    if (!graph_ || stateName_ == "Stopped" || stateName_ == "Completed") return;
    StopTick();
    StopGraph();
    DetachVideoWidget();
    graph_->SetNotifyTarget(nullptr, nullptr);
    ReleaseGraph();
    PublishState("Stopped", 0);
}

void CEngineDS::Abort() {
    FinishLoad();
    loaded_ = false;
    StopTick();
    StopGraph();
    // An end or abort the graph reported before it stopped belongs to the playback just
    // aborted; left queued, it would stop the rewound file.
    if (graph_) {
        long code = 0;
        LONG_PTR p1 = 0;
        LONG_PTR p2 = 0;
        while (SUCCEEDED(graph_->GetEvent(&code, &p1, &p2, 0)))
            graph_->FreeEventParams(code, p1, p2);
    }
    SetPosition(0.0);
    PublishState("Aborted", static_cast<EventArg>(GetPlayedPercent()));
}

bool CEngineDS::SetDamnPosition(double seconds) {
    FinishLoad();
    if (!graph_) return false;
    REFERENCE_TIME t = PositionUnits(seconds);
    const HRESULT hr = Graph()->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr,
                                             AM_SEEKING_NoPositioning);
    if (FAILED(hr)) {
        Log(LogPoint{"CEngineDS::SetDamnPosition", kLogInfo},
            "Could not seek to desired position: %lld", static_cast<long long>(t));
        return false;
    }
    return true;
}

void CEngineDS::SetPosition(double seconds) {
    FinishLoad();
    if (!graph_) return;
    const double whole = std::isfinite(seconds) ? std::trunc(seconds) : 0.0;
    if (canSeek_) {
        // The seek's file reads, flushes and waits happen on the worker.
        seeker_.Request(graph_.get(), PositionUnits(whole));
    } else if (!SetDamnPosition(whole)) {
        return;
    }
    Notify("PositionChanged", SecondsArg(whole), SecondsArg(GetDuration()));
}

double CEngineDS::GetPosition() {
    REFERENCE_TIME t = 0;
    if (!graph_) return 0.0;
    // While a seek runs the graph's control lock is held: the position is where it goes.
    if (const std::optional<REFERENCE_TIME> target = seeker_.Target()) {
        t = *target;
        if (duration_ > 0.0)
            t = std::min(t, static_cast<REFERENCE_TIME>(duration_ * kUnitsPerSecond));
    } else if (FAILED(graph_->GetCurrentPosition(&t))) {
        return 0.0;
    }
    return static_cast<double>(t / static_cast<REFERENCE_TIME>(kUnitsPerSecond));
}

double CEngineDS::GetDuration() {
    REFERENCE_TIME t = 0;
    if (!graph_) return 0.0;
    if (seeker_.Busy()) return duration_;
    if (FAILED(graph_->GetDuration(&t))) return 0.0;
    duration_ = t / kUnitsPerSecond;
    return duration_;
}

void CEngineDS::StartTick() {
    TimerService::Instance().StartTimer(kPositionTimerId, kPositionTimerPeriodMs, this);
    tickRunning_ = true;
}

void CEngineDS::StopTick() {
    if (!tickRunning_) return;
    TimerService::Instance().StopTimer(kPositionTimerId);
    tickRunning_ = false;
}

void CEngineDS::OnTimer(uint32_t timerId) {
    if (timerId != kPositionTimerId) return;
    Notify("PositionChanged", SecondsArg(GetPosition()), SecondsArg(GetDuration()));
}

void CEngineDS::OnGraphEvent() {
    long code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    const auto ended = [this](const char* how) {
        Log(LogPoint{"CEngineDS::OnGraphEvent", kLogInfo}, "Playback ended: %s {%s}", how,
            path_.c_str());
    };
    while (graph_ && SUCCEEDED(graph_->GetEvent(&code, &p1, &p2, 0))) {
        switch (code) {
            case EC_COMPLETE: {
                const EventArg d = SecondsArg(GetDuration());
                ended("Completed");
                Notify("PositionChanged", d, d);
                Stop();
                PublishState("Completed", 100);
                break;
            }
            case EC_USERABORT:
                ended("UserAbort");
                Stop();
                PublishState("UserAbort", 0);
                PublishState("Completed", 100);
                break;
            case EC_ERRORABORT:
                ended("ErrorAbort");
                Stop();
                PublishState("ErrorAbort", 0);
                PublishState("Completed", 100);
                break;
            default:  // EC_PAUSED and anything else
                break;
        }
        if (graph_) graph_->FreeEventParams(code, p1, p2);
    }
}

// --- steps, volume -----------------------------------------------------------------------------

void CEngineDS::StepBackward() {
    const int p = static_cast<int>(GetPosition());
    SetPosition(std::max(p - 10, 0));
}

void CEngineDS::StepForward() {
    const int p = static_cast<int>(GetPosition());
    const int d = static_cast<int>(GetDuration());
    SetPosition(std::min(p + 10, d));
}

void CEngineDS::VolumeDown() {
    SetVolume(std::max(GetVolume() - 5, 0));
}
void CEngineDS::VolumeUp() {
    SetVolume(std::min(GetVolume() + 5, 100));
}

int CEngineDS::GetPlayedPercent() {
    const int d = static_cast<int>(GetDuration());
    if (d == 0) return 0;
    return static_cast<int>(GetPosition() * 100.0 / d);
}

void CEngineDS::ApplyVolume(int32_t volume) {
    if (!graph_) return;
    // Hundredths of a decibel: 100 → 0, 50 → -903, 10 → -3000, 1 → -6000, 0 → silence.
    // Values outside 0..100 are taken as the nearest end.
    const int32_t v = std::clamp(volume, 0, 100);
    const long level =
        v == 0 ? -10000L : static_cast<long>(std::trunc(std::log10(v / 100.0) * 3000.0));
    Graph()->put_Volume(level);
}

void CEngineDS::SetVolume(int32_t volume) {
    volume_ = volume;
    if (!muted_) ApplyVolume(volume);
    Notify("VolumeChanged", static_cast<EventArg>(static_cast<uint32_t>(volume)), 0);
}

void CEngineDS::SetMute(bool mute) {
    muted_ = mute;
    ApplyVolume(mute ? 0 : volume_);
    Notify("MuteChanged", mute ? 1 : 0, 0);
}

// --- streams and subtitles ---------------------------------------------------------------------

CPlaybackInfo* CEngineDS::GetMediaFile() {
    FinishLoad();
    return source_ ? source_->GetPlaybackInfo() : nullptr;
}

bool CEngineDS::SelectAudioStream(int index) {
    FinishLoad();
    if (!source_ || index < 0) return false;
    seeker_.Wait();
    return source_->GetPlaybackInfo()->OpenStream(AVMEDIA_TYPE_AUDIO, index);
}

bool CEngineDS::SelectSubtitleStream(int index) {
    FinishLoad();
    if (!source_ || index < 0) return false;
    seeker_.Wait();
    return source_->GetPlaybackInfo()->OpenStream(AVMEDIA_TYPE_SUBTITLE, index);
}

bool CEngineDS::GetAudioStreams(std::vector<int>& streams, int& current) {
    FinishLoad();
    if (!source_) return false;
    source_->GetPlaybackInfo()->GetAudioStreams(streams, current);
    return true;
}

bool CEngineDS::GetSubtitleStreams(std::vector<int>& streams, int& current) {
    FinishLoad();
    if (!source_) return false;
    source_->GetPlaybackInfo()->GetSubtitleStreams(streams, current);
    return true;
}

void CEngineDS::LoadExternalSubtitle(const std::string& path, bool remember) {
    FinishLoad();
    if (!source_ || path.empty() || ::access(path.c_str(), F_OK) != 0) return;
    SubtitleData data;
    data.text = path;
    data.picked = true;
    if (OpenSubtitle(kSubtitleExternal, 0, std::move(data)) && remember)
        CSubtitleFile::RememberUsedFile(path);
}

void CEngineDS::HideExternalSubtitles() {
    FinishLoad();
    if (source_) ClearSubtitles(kSubtitleExternal);
}

void CEngineDS::HideEmbeddedSubtitles() {
    FinishLoad();
    if (!source_) return;
    seeker_.Wait();
    CPlaybackInfo* info = source_->GetPlaybackInfo();
    const int current = info->CurrentStream(AVMEDIA_TYPE_SUBTITLE);
    // No current stream first, so the video thread never looks for the decoder being closed.
    info->ClearCurrentStream(AVMEDIA_TYPE_SUBTITLE);
    if (current >= 0) info->CloseStream(current);
    ClearSubtitles(kSubtitleBitmap);
    ClearSubtitles(kSubtitleText);
}

}  // namespace zvp
