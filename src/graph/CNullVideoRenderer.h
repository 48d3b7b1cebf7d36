#pragma once

#include <mutex>

#include "graph/CBaseVideoRenderer.h"
#include "graph/CPresentationLog.h"

namespace zvp {

// A video renderer without a display: presents each sample at its time (or at once in fast
// mode) by recording it. The pre-rolled poster sample is recorded with `preroll` set.
// Threads: as CBaseRenderer; the log is thread-safe.
class CNullVideoRenderer : public CBaseVideoRenderer {
  public:
    explicit CNullVideoRenderer(bool fast = false, HRESULT* phr = nullptr);
    const CPresentationLog& Log() const { return log_; }
    CPresentationLog& Log() { return log_; }
    // Keeps a reference to the last presented sample until the next one, a flush or a stop,
    // as a renderer that holds its current picture does (its buffer stays out meanwhile).
    void SetKeepLastSample(bool keep);
    // Whether the source may send lent frames (CMediaSample::LendFrame) instead of copies;
    // off unless asked, since subclasses may read the bytes. Set before connecting.
    void SetTakesFramePlanes(bool takes) { takesFrames_ = takes; }
    bool TakesFramePlanes() const override { return takesFrames_; }

  protected:
    HRESULT DoRenderSample(IMediaSample* pSample) override;
    void OnReceiveFirstSample(IMediaSample* pSample) override;
    void OnBeginFlush() override;
    void OnStopStreaming() override;
    void OnEndOfStream() override { log_.NoteEndOfStream(); }

  private:
    void Record(IMediaSample* pSample, bool preroll);
    CPresentationLog log_;
    std::mutex keepLock_;
    bool keep_ = false;  // guarded by keepLock_
    CSampleRef kept_;    // guarded by keepLock_
    bool takesFrames_ = false;
};

}  // namespace zvp
