#pragma once

// A synthetic source filter for the graph tests: an audio pin (untimed 16-bit PCM blocks)
// and a video pin (timed YV12 pictures), both seekable with the structure of the player's
// real source: only the master pin (audio when present) carries out a seek, which flushes
// both pins, stops their streaming threads, moves them and restarts them.

#include <atomic>
#include <cstring>
#include <memory>

#include "graph/CSource.h"
#include "graph/CSourceSeeking.h"
#include "graph/CSourceStream.h"

namespace zvp::test {

class CTestSource;

struct StreamParams {
    bool video = true;
    int count = 25;                    // samples in the stream
    REFERENCE_TIME duration = 400000;  // per sample (100 ns)
    int width = 16, height = 16;       // video
    int channels = 2, rate = 48000;    // audio; a block holds `duration` of audio
    int buffers = 1;                   // allocator buffers
    int failAt = -1;                   // FillBuffer fails with E_FAIL at this index
};

class CTestStream : public CSourceStream, public CSourceSeeking {
  public:
    CTestStream(CTestSource* source, const StreamParams& p);
    ~CTestStream() override;

    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) override;

    // Seek hooks, called by the source under its state lock.
    void OnSeekBegin();
    void OnSeekEnd(REFERENCE_TIME position);

    int SamplesFilled() const { return filled_.load(); }
    long BlockBytes() const;

  protected:
    HRESULT FillBuffer(IMediaSample* pSample) override;
    HRESULT OnThreadStartPlay() override {
        discontinuity_ = true;
        return S_OK;
    }
    HRESULT ChangeStart() override;
    HRESULT ChangeStop() override { return E_NOTIMPL; }
    HRESULT ChangeRate() override { return E_NOTIMPL; }

  private:
    CTestSource* source_;
    StreamParams p_;
    CCritSec shared_;
    int next_ = 0;   // guarded by shared_: index of the next sample
    int first_ = 0;  // guarded by shared_: index of the first sample after the last seek
    bool discontinuity_ = false;  // streaming thread only
    std::atomic<int> filled_{0};
};

class CTestSource : public CSource {
  public:
    // Either pin may be absent (count 0 disables it). The audio pin comes first.
    CTestSource(const StreamParams* audio, const StreamParams* video);
    ~CTestSource() override;
    CTestStream* AudioPin() const { return audio_; }
    CTestStream* VideoPin() const { return video_; }
    HRESULT Seek(REFERENCE_TIME position, CTestStream* pin);
    std::atomic<int> seeks{0};

  private:
    CTestStream* audio_ = nullptr;
    CTestStream* video_ = nullptr;
    CTestStream* master_ = nullptr;
};

}  // namespace zvp::test
