#include "graph/CNullVideoRenderer.h"

#include <cstring>

namespace zvp {

namespace {
// The picture's first 8 bytes: the top row's first luma samples of a lent frame.
uint64_t Head(IMediaSample* s) {
    uint64_t head = 0;
    if (const AVFrame* frame = s->LentFrame()) {
        if (frame->data[0] && frame->width >= 8) std::memcpy(&head, frame->data[0], 8);
    } else if (s->GetActualDataLength() >= 8) {
        std::memcpy(&head, s->Data(), 8);
    }
    return head;
}
}  // namespace

CNullVideoRenderer::CNullVideoRenderer(bool fast, HRESULT* phr)
    : CBaseVideoRenderer("Null Video Renderer", phr) {
    SetFastMode(fast);
}

void CNullVideoRenderer::Record(IMediaSample* pSample, bool preroll) {
    PresentedSample p;
    HRESULT hr = pSample->GetTime(&p.start, &p.stop);
    p.timed = SUCCEEDED(hr);
    if (!p.timed) p.start = p.stop = 0;
    p.presentAt = p.start;
    p.haveStreamTime = CurrentStreamTime(&p.streamTime);
    p.wall = std::chrono::steady_clock::now();
    p.bytes = pSample->GetActualDataLength();
    p.head = Head(pSample);
    p.preroll = preroll;
    p.discontinuity = pSample->IsDiscontinuity() == S_OK;
    log_.Add(p);
}

HRESULT CNullVideoRenderer::DoRenderSample(IMediaSample* pSample) {
    CSampleRef previous;
    {
        std::lock_guard<std::mutex> lock(keepLock_);
        if (keep_) previous = std::exchange(kept_, CSampleRef(pSample));
    }
    // Recorded once kept: a reader that sees the sample in the log finds it kept too.
    Record(pSample, false);
    return S_OK;
}

void CNullVideoRenderer::SetKeepLastSample(bool keep) {
    std::lock_guard<std::mutex> lock(keepLock_);
    keep_ = keep;
}

void CNullVideoRenderer::OnBeginFlush() {
    CSampleRef dropped;
    {
        std::lock_guard<std::mutex> lock(keepLock_);
        dropped = std::move(kept_);
    }
    log_.NoteFlush();
}

void CNullVideoRenderer::OnStopStreaming() {
    CSampleRef dropped;
    std::lock_guard<std::mutex> lock(keepLock_);
    dropped = std::move(kept_);
}

void CNullVideoRenderer::OnReceiveFirstSample(IMediaSample* pSample) {
    Record(pSample, true);
}

}  // namespace zvp
