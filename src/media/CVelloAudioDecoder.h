#pragma once

#include <cstdint>

#include "graph/FFmpegPtr.h"

namespace zvp {

class CVelloSource;

// Decodes the source's audio queue into interleaved signed 16-bit PCM in one output format
// for the whole file (the pin's connection format, `SetOutputFormat`), converting with
// libswresample whenever the decoded format, layout or rate differs from it, so that a switch
// to a track of another rate or layout keeps the device's format.
//
// Every decoded sample is handed out: the end of the queue drains the decoder (frames held
// back by frame threads) and the resampler. Samples are cut only before the first audio time
// of a start (CVelloSource::GetFirstAudioTime: a first packet that begins before the first
// picture keeps its later part); skip-samples side data is left to libavcodec. After a track
// switch, packets of the old track still queued are dropped and the gap or overlap between the
// old track's last sample and the new track's first is filled with silence or cut, so the
// output stays on the file's time line.
//
// Locks: CPlaybackInfo's lock is held for each send, receive and convert step (the codec
// context, the conversion description and its resampler live there). Threads: the audio
// pin's streaming thread; SetOutputFormat and Reset on the thread that starts or seeks while
// the streaming thread is stopped.
class CVelloAudioDecoder {
  public:
    static constexpr int kFillBytes = 192000;
    static constexpr int kResampleBytes = 288000;
    // Largest cut or silence (100 ns) an alignment makes; a larger distance is taken for
    // broken time stamps and left alone.
    static constexpr int64_t kMaxAlignUnits = 10 * 10'000'000LL;

    CVelloAudioDecoder();
    virtual ~CVelloAudioDecoder();
    CVelloAudioDecoder(const CVelloAudioDecoder&) = delete;
    CVelloAudioDecoder& operator=(const CVelloAudioDecoder&) = delete;

    void SetSource(CVelloSource* source) { source_ = source; }
    // The format every block is converted to (16-bit, `channels` at `rate`). Until it is set,
    // the conversion description's target at the first decoded frame is taken and kept.
    void SetOutputFormat(int channels, int rate);

    // One decoded block: the number of bytes at Output(), or -1 at the end of the stream
    // (`end` set) or when interrupted (`interrupted` set). `packetTime` is set (100 ns) when a
    // new packet was taken, or to a drained frame's time.
    int AudioDecodeFrame(bool& end, bool& interrupted, int64_t& packetTime);
    const uint8_t* Output() const { return output_; }

    // Fills `buffer` with about `length` (in) bytes, at most `capacity`; `length` (out) is
    // what was written. `start` is the time of the first packet taken during the fill, `next`
    // that of the packet at the head of the queue. False at the end of the stream or when
    // interrupted (`interrupted` set).
    bool FillAudioBuffer(uint8_t* buffer, long& length, long capacity, int64_t& start,
                         int64_t& next, bool& interrupted);

    // Drops the pending packet and output; the next start aligns to the first audio time
    // again (after a seek).
    virtual void Reset();

  private:
    // How the next decoded frame is aligned to `alignTo_`.
    enum class Align {
        kNone,
        kStart,   // cut samples before the source's first audio time
        kSwitch,  // cut an overlap with, or fill a gap after, the previous track
    };
    struct Target {
        int channels = -1;
        int rate = -1;
        int64_t layout = -1;
    };

    // Under CPlaybackInfo's lock: takes the received frame_'s time, applies the alignment.
    // False when the whole frame lies before the alignment time (dropped).
    bool AlignFrame(const AVCodecContext& codec);
    // Converts frame_ (less its first `cut_` samples) into output_ (under CPlaybackInfo's
    // lock); bytes, or -1 to drop it.
    int ConvertFrame();
    // The samples left in the resampler at the end of the stream (under CPlaybackInfo's
    // lock); bytes.
    int FlushResampler();
    // Fixes target_ from the conversion description when SetOutputFormat was not called.
    bool EnsureTarget();
    int BlockAlign() const { return target_.channels * 2; }

    CVelloSource* source_ = nullptr;
    AVFramePtr frame_;
    AVPacketPtr packet_;      // the packet taken last (kept while the decoder refuses it)
    bool needPacket_ = true;  // the decoder has no more frames of the packets sent
    bool pending_ = false;    // packet_ is not yet accepted by the decoder
    bool refused_ = false;    // the decoder refused packet_ (EAGAIN) and gave no frame since
    bool draining_ = false;   // the end of the queue was sent (null packet)
    bool flushed_ = false;    // the resampler's rest was handed out after the drain
    bool held_ = false;       // frame_ is received but not yet converted (silence first)
    bool rebuild_ = false;    // the resampler may have been built for another target
    int cut_ = 0;             // samples to cut from the start of frame_
    int64_t silenceBytes_ = 0;
    Align align_ = Align::kStart;
    int64_t alignTo_ = 0;                  // 100 ns
    int64_t frameStart_ = AV_NOPTS_VALUE;  // 100 ns, start of frame_
    int64_t lastEnd_ = AV_NOPTS_VALUE;     // 100 ns, end of the last decoded frame
    int stream_ = -1;                      // stream of the packets sent last
    bool dropLogged_ = false;
    bool refusalLogged_ = false;  // the source's refusal was logged since the last Reset
    Target target_;
    const uint8_t* output_ = nullptr;
    AVMallocPtr<uint8_t> resampleBuffer_;
};

}  // namespace zvp
