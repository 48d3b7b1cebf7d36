#pragma once

#include <SDL.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "graph/CAudioClock.h"
#include "graph/CBaseAudioRenderer.h"

namespace zvp {

// The audio renderer on SDL2: plays 16-bit PCM at the connection's rate and channel count.
//
// Samples are copied into a queue that the device thread drains; Receive waits while more
// than kQueueMillis of audio is queued, so the upstream pin cannot run far ahead (and, while
// paused, it holds the pin after the pre-roll). Untimed samples play as they come; a timed
// sample that starts later than the end of what is queued is preceded by silence. A flush
// or stop drops the queued audio at once. The volume (hundredths of a decibel) scales the
// samples as they are handed to the device.
//
// Clock: the device's played position (CAudioClock), offered to the graph while a device is
// open. When no device can be opened the renderer logs it and consumes samples in real time
// against the graph's clock instead (and offers no clock).
//
// Threads: as CBaseRenderer, plus the SDL device thread (FillDevice). `audioLock_` guards
// the queue; SDL functions are never called with it held, since SDL holds its device lock
// while it calls FillDevice.
class CSdlAudioRenderer : public CBaseAudioRenderer {
  public:
    static constexpr int kQueueMillis = 250;

    explicit CSdlAudioRenderer(HRESULT* phr = nullptr);
    ~CSdlAudioRenderer() override;

    IReferenceClock* GetProvidedClock() override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT CompleteConnect(CBasePin* pReceivePin) override;
    HRESULT BreakConnect() override;
    bool HasDevice() const { return device_.id != 0; }
    // Bytes waiting for the device (tests).
    long long QueuedBytes();

  protected:
    HRESULT ProcessSample(IMediaSample* pSample) override;
    HRESULT DoRenderSample(IMediaSample* pSample) override { return S_OK; }
    void OnStartStreaming() override;
    void OnStopStreaming() override;
    void OnRunning() override;
    void OnPausing() override;
    void OnBeginFlush() override;
    void OnEndFlush() override;
    bool IsEndOfStreamPlayed() override;

  private:
    // SDL's audio subsystem, initialised for this renderer's lifetime.
    struct Subsystem {
        Subsystem();
        ~Subsystem();
        Subsystem(const Subsystem&) = delete;
        Subsystem& operator=(const Subsystem&) = delete;
        bool ok = false;
    };
    // An open SDL audio device, closed (waiting for its callback to return) on destruction.
    struct Device {
        Device() = default;
        ~Device() { Close(); }
        Device(const Device&) = delete;
        Device& operator=(const Device&) = delete;
        void Close();
        SDL_AudioDeviceID id = 0;
    };

    static void SDLCALL Callback(void* userdata, Uint8* stream, int len);
    void FillDevice(Uint8* stream, int len);
    void DropQueued(bool abort);
    void SetDevicePaused(bool paused);

    Subsystem sdl_;
    AudioFormat deviceFormat_;  // the open device's format (graph thread, while stopped)
    CAudioClock clock_;

    std::mutex audioLock_;
    std::condition_variable space_;
    std::deque<std::vector<uint8_t>> queue_;  // guarded by audioLock_
    size_t frontOffset_ = 0;                  // guarded by audioLock_: consumed bytes of front
    long long queued_ = 0;                    // guarded by audioLock_
    bool abort_ = false;                      // guarded by audioLock_: stop or flush
    REFERENCE_TIME writePos_ = 0;             // guarded by audioLock_: stream time of queue end

    Device device_;  // last: closed first, before the state its callback uses
};

}  // namespace zvp
