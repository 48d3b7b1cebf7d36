#include "graph/CNullAudioRenderer.h"

#include <cstring>

namespace zvp {

CNullAudioRenderer::CNullAudioRenderer(bool fast, HRESULT* phr)
    : CBaseAudioRenderer("Null Audio Renderer", phr) {
    SetFastMode(fast);
}

HRESULT CNullAudioRenderer::ProcessSample(IMediaSample* pSample) {
    PresentedSample p;
    HRESULT hr = pSample->GetTime(&p.start, &p.stop);
    p.timed = SUCCEEDED(hr);
    if (!p.timed) p.start = p.stop = 0;
    p.bytes = pSample->GetActualDataLength();
    if (p.bytes >= 8) std::memcpy(&p.head, pSample->Data(), 8);
    p.discontinuity = pSample->IsDiscontinuity() == S_OK;
    REFERENCE_TIME duration = BytesToTime(Format(), p.bytes);
    {
        std::lock_guard<std::mutex> lock(posLock_);
        p.presentAt = p.timed ? p.start : next_;
        next_ = p.presentAt + duration;
    }
    MarkPrerolled();
    if (!WaitForRenderTime(true, p.presentAt)) return S_FALSE;
    p.haveStreamTime = CurrentStreamTime(&p.streamTime);
    p.wall = std::chrono::steady_clock::now();
    log_.Add(p);
    return S_OK;
}

void CNullAudioRenderer::OnBeginFlush() {
    {
        std::lock_guard<std::mutex> lock(posLock_);
        next_ = 0;
    }
    log_.NoteFlush();
}

void CNullAudioRenderer::OnStopStreaming() {
    std::lock_guard<std::mutex> lock(posLock_);
    next_ = 0;
}

}  // namespace zvp
