#pragma once

#include <cstdint>

#include "graph/FFmpegPtr.h"

namespace zvp {

class CVelloSource;

// Decodes the source's audio queue into interleaved signed 16-bit PCM in the output format of
// the audio conversion description (CPlaybackInfo::GetAudioConversion), converting with
// libswresample whenever the decoded format, layout or rate differs from it.
//
// Locks: CPlaybackInfo's lock is held for each decode-and-convert step (the description and
// its resampler live there). Threads: the audio pin's streaming thread; Reset on the seeking
// thread while that thread is stopped.
class CVelloAudioDecoder {
  public:
    static constexpr int kFillBytes = 192000;
    static constexpr int kResampleBytes = 288000;

    CVelloAudioDecoder();
    virtual ~CVelloAudioDecoder();
    CVelloAudioDecoder(const CVelloAudioDecoder&) = delete;
    CVelloAudioDecoder& operator=(const CVelloAudioDecoder&) = delete;

    void SetSource(CVelloSource* source) { source_ = source; }

    // One decoded block: the number of bytes at Output(), or -1 at the end of the stream
    // (`end` set) or when interrupted (`interrupted` set). `packetTime` is set (100 ns) when a
    // new packet was taken.
    int AudioDecodeFrame(bool& end, bool& interrupted, int64_t& packetTime);
    const uint8_t* Output() const { return output_; }

    // Fills `buffer` with about `length` (in) bytes, at most `capacity`; `length` (out) is
    // what was written. `start` is the time of the first packet taken during the fill, `next`
    // that of the packet at the head of the queue. False at the end of the stream or when
    // interrupted (`interrupted` set).
    bool FillAudioBuffer(uint8_t* buffer, long& length, long capacity, int64_t& start,
                         int64_t& next, bool& interrupted);

    // Drops the pending packet and output (after a seek).
    virtual void Reset();

  private:
    // Converts frame_ into output_ (under CPlaybackInfo's lock); bytes, or -1 to drop it.
    int ConvertFrame();

    CVelloSource* source_ = nullptr;
    AVFramePtr frame_;
    AVPacketPtr packet_;      // the packet sent last (released before the next is taken)
    bool needPacket_ = true;  // the decoder has no more frames of the packets sent
    const uint8_t* output_ = nullptr;
    AVMallocPtr<uint8_t> resampleBuffer_;
};

}  // namespace zvp
