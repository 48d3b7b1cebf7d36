#include "graph/CBaseAudioRenderer.h"

#include <cmath>

namespace zvp {

CBaseAudioRenderer::CBaseAudioRenderer(const char* pName, HRESULT* phr)
    : CBaseRenderer(pName, phr) {}

bool CBaseAudioRenderer::ParseAudioType(const CMediaType* pmt, AudioFormat* out) {
    if (!pmt || pmt->majortype != MEDIATYPE_Audio || pmt->subtype != MEDIASUBTYPE_PCM ||
        pmt->formattype != FORMAT_WaveFormatEx)
        return false;
    const WAVEFORMATEX* wf = pmt->WaveFormat();
    if (!wf || wf->wFormatTag != WAVE_FORMAT_PCM || wf->wBitsPerSample != 16) return false;
    if (wf->nChannels < 1 || wf->nChannels > 8) return false;
    if (wf->nSamplesPerSec < 1 || wf->nSamplesPerSec > 384000) return false;
    int blockAlign = wf->nChannels * 2;
    if (out) {
        *out = AudioFormat{wf->nChannels, int(wf->nSamplesPerSec), blockAlign,
                           blockAlign * int(wf->nSamplesPerSec)};
    }
    return true;
}

HRESULT CBaseAudioRenderer::CheckMediaType(const CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    return ParseAudioType(pmt, nullptr) ? S_OK : E_INVALIDARG;
}

HRESULT CBaseAudioRenderer::SetMediaType(const CMediaType* pmt) {
    AudioFormat f;
    if (!ParseAudioType(pmt, &f)) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(formatLock_);
    format_ = f;
    return S_OK;
}

AudioFormat CBaseAudioRenderer::Format() const {
    std::lock_guard<std::mutex> lock(formatLock_);
    return format_;
}

HRESULT CBaseAudioRenderer::put_Volume(long lVolume) {
    if (lVolume < -10000 || lVolume > 0) return E_INVALIDARG;
    volume_.store(lVolume);
    OnVolumeChanged(lVolume);
    return S_OK;
}

HRESULT CBaseAudioRenderer::get_Volume(long* plVolume) {
    if (!plVolume) return E_POINTER;
    *plVolume = volume_.load();
    return S_OK;
}

double CBaseAudioRenderer::VolumeToGain(long volume) {
    if (volume <= -10000) return 0.0;
    if (volume >= 0) return 1.0;
    return std::pow(10.0, double(volume) / 2000.0);
}

REFERENCE_TIME CBaseAudioRenderer::BytesToTime(const AudioFormat& f, long long bytes) {
    if (f.avgBytesPerSec <= 0) return 0;
    long long rate = f.avgBytesPerSec;
    return REFERENCE_TIME((bytes / rate) * UNITS + (bytes % rate) * UNITS / rate);
}

}  // namespace zvp
