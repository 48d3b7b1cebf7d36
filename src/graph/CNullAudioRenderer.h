#pragma once

#include <mutex>

#include "graph/CBaseAudioRenderer.h"
#include "graph/CPresentationLog.h"

namespace zvp {

// An audio renderer without a device: "plays" each sample by recording it. Untimed samples
// follow each other (a sample is due at the stream time where the previous one ended, from
// 0 after a stop or flush); timed ones are due at their start. In real time it waits for the
// clock to reach that time; in fast mode it records at once. It offers no clock (the graph
// then uses the system clock).
// Threads: as CBaseRenderer; `posLock_` guards the position of the next untimed sample.
class CNullAudioRenderer : public CBaseAudioRenderer {
  public:
    explicit CNullAudioRenderer(bool fast = false, HRESULT* phr = nullptr);
    const CPresentationLog& Log() const { return log_; }
    CPresentationLog& Log() { return log_; }

  protected:
    HRESULT ProcessSample(IMediaSample* pSample) override;
    HRESULT DoRenderSample(IMediaSample* pSample) override { return S_OK; }
    void OnBeginFlush() override;
    void OnStopStreaming() override;
    void OnEndOfStream() override { log_.NoteEndOfStream(); }

  private:
    CPresentationLog log_;
    std::mutex posLock_;
    REFERENCE_TIME next_ = 0;  // guarded by posLock_
};

}  // namespace zvp
