#include "graph/CSdlAudioRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/Logger.h"
#include "graph/CRendererInputPin.h"

namespace zvp {

namespace {
// A gap smaller than this before a timed sample is not filled with silence.
constexpr REFERENCE_TIME kGapTolerance = 20 * MILLISECONDS;
// Longest silence inserted for one gap (bad time stamps must not stall the stream).
constexpr REFERENCE_TIME kMaxGap = 5 * UNITS;
}  // namespace

CSdlAudioRenderer::Subsystem::Subsystem() {
    ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!ok) {
        Log(LogPoint{"CSdlAudioRenderer::CSdlAudioRenderer", kLogError},
            "SDL audio initialisation failed: %s", SDL_GetError());
    }
}

CSdlAudioRenderer::Subsystem::~Subsystem() {
    if (ok) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void CSdlAudioRenderer::Device::Close() {
    if (id != 0) SDL_CloseAudioDevice(id);
    id = 0;
}

CSdlAudioRenderer::CSdlAudioRenderer(HRESULT* phr) : CBaseAudioRenderer("Audio Renderer", phr) {}

CSdlAudioRenderer::~CSdlAudioRenderer() {
    device_.Close();
}

IReferenceClock* CSdlAudioRenderer::GetProvidedClock() {
    return device_.id ? &clock_ : nullptr;
}

HRESULT CSdlAudioRenderer::CheckMediaType(const CMediaType* pmt) {
    HRESULT hr = CBaseAudioRenderer::CheckMediaType(pmt);
    if (hr != S_OK || device_.id == 0) return hr;
    // With a device open, a format change must keep the device's format.
    AudioFormat f;
    ParseAudioType(pmt, &f);
    return f.channels == deviceFormat_.channels && f.samplesPerSec == deviceFormat_.samplesPerSec
               ? S_OK
               : E_INVALIDARG;
}

HRESULT CSdlAudioRenderer::CompleteConnect(CBasePin* pReceivePin) {
    device_.Close();
    AudioFormat f = Format();
    deviceFormat_ = f;
    if (!sdl_.ok) return S_OK;
    SDL_AudioSpec want{}, have{};
    want.freq = f.samplesPerSec;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(f.channels);
    // About 20 ms per device request, a power of two.
    int frames = 256;
    while (frames < f.samplesPerSec / 50 && frames < 8192) frames *= 2;
    want.samples = Uint16(frames);
    want.callback = &CSdlAudioRenderer::Callback;
    want.userdata = this;
    device_.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_.id == 0) {
        Log(LogPoint{"CSdlAudioRenderer::CompleteConnect", kLogError},
            "Cannot open the audio device (%d Hz, %d channels): %s; playing silently",
            f.samplesPerSec, f.channels, SDL_GetError());
    }
    return S_OK;
}

HRESULT CSdlAudioRenderer::BreakConnect() {
    device_.Close();
    return S_OK;
}

long long CSdlAudioRenderer::QueuedBytes() {
    std::lock_guard<std::mutex> lock(audioLock_);
    return queued_;
}

void CSdlAudioRenderer::SetDevicePaused(bool paused) {
    if (device_.id) SDL_PauseAudioDevice(device_.id, paused ? 1 : 0);
}

HRESULT CSdlAudioRenderer::ProcessSample(IMediaSample* pSample) {
    AudioFormat f = Format();
    long bytes = std::min(pSample->GetActualDataLength(), pSample->GetSize());
    if (f.blockAlign > 0) bytes -= bytes % f.blockAlign;
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = SUCCEEDED(pSample->GetTime(&start, &stop));
    REFERENCE_TIME duration = BytesToTime(f, bytes);
    MarkPrerolled();

    if (device_.id == 0) {
        // No device: keep real time against the graph's clock.
        REFERENCE_TIME at;
        {
            std::lock_guard<std::mutex> lock(audioLock_);
            at = timed ? start : writePos_;
            writePos_ = at + duration;
        }
        return WaitForRenderTime(true, at) ? S_OK : S_FALSE;
    }

    REFERENCE_TIME streamNow = 0;
    bool running = CurrentStreamTime(&streamNow);
    std::unique_lock<std::mutex> lock(audioLock_);
    long long limit = std::max<long long>(1, (long long)f.avgBytesPerSec * kQueueMillis / 1000);
    space_.wait(lock, [&] { return abort_ || queued_ < limit; });
    if (abort_) return S_FALSE;

    REFERENCE_TIME queueEnd = writePos_;
    if (running) queueEnd = std::max(queueEnd, streamNow + BytesToTime(f, queued_));
    if (timed && start - queueEnd > kGapTolerance) {
        REFERENCE_TIME gap = std::min(start - queueEnd, kMaxGap);
        long long gapBytes = gap * f.avgBytesPerSec / UNITS;
        gapBytes -= gapBytes % f.blockAlign;
        if (gapBytes > 0) {
            queue_.emplace_back(size_t(gapBytes), uint8_t(0));
            queued_ += gapBytes;
        }
        queueEnd += gap;
    }
    if (bytes > 0) {
        queue_.emplace_back(pSample->Data(), pSample->Data() + bytes);
        queued_ += bytes;
    }
    writePos_ = queueEnd + duration;
    return S_OK;
}

void CSdlAudioRenderer::Callback(void* userdata, Uint8* stream, int len) {
    static_cast<CSdlAudioRenderer*>(userdata)->FillDevice(stream, len);
}

void CSdlAudioRenderer::FillDevice(Uint8* stream, int len) {
    long volume = 0;
    get_Volume(&volume);
    double gain = VolumeToGain(volume);
    bool drained = false;
    {
        std::lock_guard<std::mutex> lock(audioLock_);
        int written = 0;
        while (written < len && !queue_.empty()) {
            std::vector<uint8_t>& front = queue_.front();
            size_t n = std::min(size_t(len - written), front.size() - frontOffset_);
            std::memcpy(stream + written, front.data() + frontOffset_, n);
            written += int(n);
            frontOffset_ += n;
            queued_ -= static_cast<long long>(n);
            if (frontOffset_ == front.size()) {
                queue_.pop_front();
                frontOffset_ = 0;
            }
        }
        std::memset(stream + written, 0, size_t(len - written));
        drained = queue_.empty();
        space_.notify_all();
    }
    if (gain < 1.0) {
        auto* samples = reinterpret_cast<int16_t*>(stream);
        int count = len / 2;
        for (int i = 0; i < count; ++i) {
            samples[i] = int16_t(std::lround(samples[i] * gain));
        }
    }
    clock_.OnDeviceConsumed(BytesToTime(deviceFormat_, len));
    if (drained) CheckCompletion();
}

bool CSdlAudioRenderer::IsEndOfStreamPlayed() {
    if (device_.id == 0) return true;
    std::lock_guard<std::mutex> lock(audioLock_);
    return queue_.empty();
}

void CSdlAudioRenderer::DropQueued(bool abort) {
    std::lock_guard<std::mutex> lock(audioLock_);
    queue_.clear();
    frontOffset_ = 0;
    queued_ = 0;
    writePos_ = 0;
    abort_ = abort;
    space_.notify_all();
}

void CSdlAudioRenderer::OnStartStreaming() {
    DropQueued(false);
}

void CSdlAudioRenderer::OnStopStreaming() {
    SetDevicePaused(true);
    clock_.SetRunning(false);
    DropQueued(true);
}

void CSdlAudioRenderer::OnRunning() {
    clock_.SetRunning(true);
    SetDevicePaused(false);
}

void CSdlAudioRenderer::OnPausing() {
    SetDevicePaused(true);
    clock_.SetRunning(false);
}

void CSdlAudioRenderer::OnBeginFlush() {
    DropQueued(true);
}

void CSdlAudioRenderer::OnEndFlush() {
    DropQueued(false);
}

}  // namespace zvp
