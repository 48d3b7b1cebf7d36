#include "subtitle/CSubtitle.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <thread>

#include "app/Logger.h"
#include "subtitle/CAppSubtitleHost.h"
#include "subtitle/CSubtitleAss.h"
#include "subtitle/CSubtitleBitmap.h"
#include "subtitle/CSubtitleFile.h"
#include "subtitle/SubtitleFonts.h"
#include "subtitle/SubtitleStyle.h"

namespace zvp {

namespace {

struct Registry {
    Mutex lock;
    std::vector<std::shared_ptr<CSubtitle>> objects GUARDED_BY(lock);
    std::shared_ptr<CSubtitleRenderer> renderer GUARDED_BY(lock);
    int frame_width GUARDED_BY(lock) = 0;
    int frame_height GUARDED_BY(lock) = 0;
    std::shared_ptr<ISubtitleHost> host GUARDED_BY(lock);
};

Registry& TheRegistry() {
    static Registry* registry = new Registry();  // lives until process exit
    return *registry;
}

std::atomic<bool> g_output_rgb24{false};

// The worker that renders subtitles ahead of the pictures. One request at a time: `queued`
// waits for the worker, `running` is being rendered; both are keyed by picture time and
// format. Lives until process exit; the thread runs from the first request to Shutdown.
struct Ahead {
    struct Request {
        int64_t time_ms = 0;
        bool rgb24 = false;
        bool operator==(const Request&) const = default;
    };
    Mutex lock;
    CondVar changed;
    std::optional<Request> queued GUARDED_BY(lock);
    std::optional<Request> running GUARDED_BY(lock);
    bool stopping GUARDED_BY(lock) = false;
    std::thread thread GUARDED_BY(lock);

    // Worker thread.
    void Run() {
        MutexLock hold(lock);
        for (;;) {
            while (!stopping && !queued) changed.Wait(lock);
            if (stopping) return;
            running = queued;
            queued.reset();
            const Request request = *running;
            hold.Unlock();
            RenderAll(request);
            hold.Lock();
            running.reset();
            changed.NotifyAll();
        }
    }
    static void RenderAll(const Request& request);
};

Ahead& TheAhead() {
    static Ahead* ahead = new Ahead();  // lives until process exit
    return *ahead;
}

void AwaitAhead(int64_t timeMs, bool rgb24);
void StopAhead();

std::vector<std::shared_ptr<CSubtitle>> Snapshot() {
    Registry& r = TheRegistry();
    MutexLock lock(r.lock);
    return r.objects;
}

}  // namespace

uint8_t* CSubtitle::PrepareOverlay(size_t bytes) {
    if (overlay_.size() < bytes) overlay_.resize(bytes);
    std::memset(overlay_.data(), 0, bytes);
    return overlay_.data();
}

namespace {

// Makes the new renderer current; the previous one goes when its last track does.
bool SetupRenderer(int width, int height) {
    std::shared_ptr<ISubtitleHost> host = GetSubtitleHost();
    const std::string font = get_app_font_file(*host);
    const SubtitleSettings settings = host->ReadSettings();
    std::shared_ptr<CSubtitleRenderer> renderer =
        CSubtitleRenderer::Create(width, height, font, settings);
    Registry& r = TheRegistry();
    {
        MutexLock lock(r.lock);
        r.frame_width = width;
        r.frame_height = height;
        r.renderer.swap(renderer);
    }
    return CurrentSubtitleRenderer() != nullptr;
}

}  // namespace

bool CSubtitle::Setup(int width, int height) {
    const bool ok = SetupRenderer(width, height);
    // A loaded external file's track belongs to the previous renderer: read it again.
    for (const auto& object : Snapshot()) {
        if (object->kind() == kSubtitleExternal) object->Rebuild();
    }
    return ok;
}

void SetSubtitleHost(std::shared_ptr<ISubtitleHost> host) {
    Registry& r = TheRegistry();
    MutexLock lock(r.lock);
    r.host = std::move(host);
}

std::shared_ptr<ISubtitleHost> GetSubtitleHost() {
    Registry& r = TheRegistry();
    MutexLock lock(r.lock);
    if (!r.host) r.host = std::make_shared<CAppSubtitleHost>();
    return r.host;
}

std::shared_ptr<CSubtitleRenderer> CurrentSubtitleRenderer() {
    Registry& r = TheRegistry();
    MutexLock lock(r.lock);
    return r.renderer;
}

void SetSubtitleOutputRgb24(bool rgb24) {
    g_output_rgb24.store(rgb24);
}
bool SubtitleOutputRgb24() {
    return g_output_rgb24.load();
}

bool OpenSubtitle(int kind, int index, SubtitleData data) {
    std::shared_ptr<CSubtitle> object;
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        for (const auto& o : r.objects) {
            if (o->kind() == kind && o->index() == index) {
                object = o;
                break;
            }
        }
        if (!object) {
            switch (kind) {
                case kSubtitleBitmap:
                    object = std::make_shared<CSubtitleBitmap>(index);
                    break;
                case kSubtitleText:
                    object = std::make_shared<CSubtitleAss>(index);
                    break;
                case kSubtitleExternal:
                    object = std::make_shared<CSubtitleFile>(index);
                    break;
                default:
                    return false;
            }
            r.objects.push_back(object);
        }
    }
    return object->Open(kind, std::move(data));
}

bool OpenSubtitle(int kind, int index, const std::string& text) {
    SubtitleData data;
    data.text = text;
    return OpenSubtitle(kind, index, std::move(data));
}

bool AnySubtitles() {
    std::vector<std::shared_ptr<CSubtitle>> objects;
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        if (r.objects.empty()) return false;
        objects = r.objects;
    }
    return std::any_of(objects.begin(), objects.end(),
                       [](const std::shared_ptr<CSubtitle>& object) { return object->MayDraw(); });
}

void RenderSubtitles(uint8_t* picture, int width, int height, int64_t timeMs, int& baseline,
                     int stride) {
    RenderSubtitles(picture, width, height, timeMs, baseline, stride, g_output_rgb24.load());
}

void RenderSubtitles(uint8_t* picture, int width, int height, int64_t timeMs, int& baseline,
                     int stride, bool rgb24, ISubtitleCanvas* canvas) {
    if (!picture || width <= 0 || height <= 0) return;
    std::vector<std::shared_ptr<CSubtitle>> objects;
    std::shared_ptr<CSubtitleRenderer> renderer;
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        if (r.objects.empty()) return;
        objects = r.objects;
        renderer = r.renderer;
    }
    AwaitAhead(timeMs, rgb24);
    SubtitleFrame frame;
    frame.data = picture;
    frame.width = width;
    frame.height = height;
    frame.stride = stride;
    frame.rgb24 = rgb24;
    frame.time_ms = timeMs;
    frame.canvas = rgb24 ? nullptr : canvas;
    for (const auto& object : objects) object->Render(frame, renderer, baseline);
}

void Ahead::RenderAll(const Request& request) {
    std::vector<std::shared_ptr<CSubtitle>> objects;
    std::shared_ptr<CSubtitleRenderer> renderer;
    std::shared_ptr<ISubtitleHost> host = GetSubtitleHost();
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        objects = r.objects;
        renderer = r.renderer;
    }
    for (const auto& object : objects)
        object->RenderAhead(request.time_ms, request.rgb24, renderer, *host);
}

void RenderSubtitlesAhead(int64_t timeMs, bool rgb24) {
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        if (r.objects.empty()) return;
    }
    Ahead& ahead = TheAhead();
    MutexLock lock(ahead.lock);
    if (ahead.stopping) return;
    if (!ahead.thread.joinable()) ahead.thread = std::thread([&ahead] { ahead.Run(); });
    ahead.queued = Ahead::Request{timeMs, rgb24};
    ahead.changed.NotifyAll();
}

namespace {

// Waits until the worker has rendered the picture of `timeMs` and format if it is rendering
// it now. A request the worker has not started is dropped: the caller renders at once rather
// than wait for the worker to be scheduled.
void AwaitAhead(int64_t timeMs, bool rgb24) {
    Ahead& ahead = TheAhead();
    const Ahead::Request wanted{timeMs, rgb24};
    MutexLock lock(ahead.lock);
    ahead.queued.reset();
    while (!ahead.stopping && ahead.running == wanted) ahead.changed.Wait(ahead.lock);
}

void StopAhead() {
    Ahead& ahead = TheAhead();
    std::thread thread;
    {
        MutexLock lock(ahead.lock);
        if (!ahead.thread.joinable()) return;
        ahead.stopping = true;
        ahead.queued.reset();
        ahead.changed.NotifyAll();
        thread.swap(ahead.thread);
    }
    thread.join();
    MutexLock lock(ahead.lock);
    ahead.stopping = false;
}

}  // namespace

void ClearSubtitles(int kind) {
    for (const auto& object : Snapshot()) {
        if (object->kind() == kind) object->Clear();
    }
}

void SeekSubtitles(int64_t position) {
    for (const auto& object : Snapshot()) object->OnSeek(position);
}

void ShutdownSubtitles() {
    StopAhead();
    std::vector<std::shared_ptr<CSubtitle>> objects;
    std::shared_ptr<CSubtitleRenderer> renderer;
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        objects.swap(r.objects);
        renderer.swap(r.renderer);
    }
    objects.clear();
    renderer.reset();
    CSubtitleFile::RemoveConvertedFiles();
}

void ResetSubtitleRenderer() {
    int width = 0, height = 0;
    {
        Registry& r = TheRegistry();
        MutexLock lock(r.lock);
        width = r.frame_width;
        height = r.frame_height;
    }
    if (width > 0 && height > 0) SetupRenderer(width, height);
    for (const auto& object : Snapshot()) object->Rebuild();
}

void ApplyStyle(ASS_Track* track) {
    std::shared_ptr<CSubtitleRenderer> renderer = CurrentSubtitleRenderer();
    if (renderer) ApplyStyle(track, renderer->settings(), renderer->height());
}

std::vector<std::shared_ptr<CSubtitle>> RegisteredSubtitles() {
    return Snapshot();
}

}  // namespace zvp
