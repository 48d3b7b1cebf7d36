#pragma once

#include <atomic>
#include <mutex>

#include "graph/CBaseRenderer.h"
#include "graph/IBasicAudio.h"

namespace zvp {

// The PCM format an audio renderer was connected with.
struct AudioFormat {
    int channels = 0;
    int samplesPerSec = 0;
    int blockAlign = 0;  // bytes per frame (all channels)
    int avgBytesPerSec = 0;
};

// Base of the audio renderers: accepts audio, PCM, FORMAT_WaveFormatEx with 16-bit samples,
// 1 to 8 channels and a rate of 1 to 384000; keeps the volume (hundredths of a decibel).
// Threads: the format is guarded by `formatLock_`; the volume is atomic.
class CBaseAudioRenderer : public CBaseRenderer, public IBasicAudio {
  public:
    CBaseAudioRenderer(const char* pName, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT put_Volume(long lVolume) override;
    HRESULT get_Volume(long* plVolume) override;

    AudioFormat Format() const;
    static bool ParseAudioType(const CMediaType* pmt, AudioFormat* out);
    // Amplitude factor of a volume: 10^(volume / 2000), exactly 0 at -10000.
    static double VolumeToGain(long volume);
    // Duration of `bytes` of this format in 100 ns units (0 without a format).
    static REFERENCE_TIME BytesToTime(const AudioFormat& f, long long bytes);

  protected:
    // The volume changed (any thread, no lock held).
    virtual void OnVolumeChanged(long volume) {}

  private:
    mutable std::mutex formatLock_;
    AudioFormat format_;  // guarded by formatLock_
    std::atomic<long> volume_{0};
};

}  // namespace zvp
