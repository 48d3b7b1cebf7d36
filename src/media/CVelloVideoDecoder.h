#pragma once

#include <atomic>
#include <cstdint>

#include "graph/CMediaType.h"
#include "graph/FFmpegPtr.h"
#include "media/CVideoScaler.h"

namespace zvp {

class CPlaybackInfo;
class CVelloSource;
class ISubtitleCanvas;

// Decodes the source's video queue into pictures of the pin's output type (YV12 in the
// type's colour, resolved by the picture height, or bottom-up RGB24) and lets the subtitle
// registry draw onto them. Embedded subtitles go through SubtitleDecoding: at most one packet
// per converted picture, taken from the subtitle queue once the picture's time reaches the
// packet's.
//
// Times: each picture carries the time of the packet that produced it, kept through the
// decoder's own reordering and threading: its presentation time stamp when the stream has
// one, else the 100 ns time the video queue gave the packet.
//
// Locks: CPlaybackInfo's lock is held for each call into the video or subtitle decoder; the
// conversion and the subtitle drawing work on this object's own frame without it. After
// each picture the subtitles of the next one (its time predicted from this one's duration)
// are rendered ahead on the subtitle registry's worker thread.
// Threads: the video pin's streaming thread only; Reset on the seeking thread while that
// thread is stopped.
class CVelloVideoDecoder {
  public:
    CVelloVideoDecoder();
    virtual ~CVelloVideoDecoder();
    CVelloVideoDecoder(const CVelloVideoDecoder&) = delete;
    CVelloVideoDecoder& operator=(const CVelloVideoDecoder&) = delete;

    struct Result {
        bool picture = false;      // a picture was decoded (and, by DecodeFrameToBuffer,
                                   // written into the buffer)
        bool interrupted = false;  // a stop or seek interrupted the wait for packets
        int64_t start = 0;         // the picture's time (100 ns), when `picture`
        int64_t duration = 0;      // its duration (100 ns), 0 when unknown
    };

    // A picture handed over as the decoder's frame instead of written into the buffer, and the
    // rows of the buffer that subtitles drew on (copied from the frame first), for the sample
    // to carry (CMediaSample::LendFrame, SetLentBand).
    struct Lent {
        AVFramePtr frame;
        RowBand band;
    };

    // Takes at most one packet from the source's video queue (after waiting for at least 5
    // queued packets, the end of the stream or an empty queue), decodes it and converts a
    // finished picture into `buffer` (`size` bytes) according to `mt`. False once the stream
    // has ended (after the decoder's delayed pictures were all handed out) or when
    // interrupted (`result.interrupted`). With `lent`, see ConvertPicture.
    bool DecodeFrameToBuffer(CVelloSource* source, const CMediaType& mt, uint8_t* buffer, long size,
                             Result& result, bool rgb, Lent* lent = nullptr);

    // The same in two steps, so that the next picture can be decoded while the pin waits for
    // a buffer. DecodePicture: as above without a buffer; a picture stays pending inside the
    // decoder (a pending picture is handed out again without decoding). ConvertPicture:
    // converts the pending picture into `buffer` and lets the subtitles draw onto it; false
    // (logged) when nothing was pending or the conversion failed: the picture is dropped and
    // `buffer` must not be delivered. DecodeFrameToBuffer reports a dropped picture as
    // `result.picture` false. When `lent` is given and the picture needs no conversion (8-bit
    // 4:2:0 of the output's size and colour), the decoder's frame itself goes to `lent->frame`
    // for the sample to carry; subtitles draw on the rows of `buffer` they need, copied from
    // the frame just before (`lent->band`), and nothing else is written.
    bool DecodePicture(CVelloSource* source, Result& result);
    bool ConvertPicture(CVelloSource* source, const CMediaType& mt, uint8_t* buffer, long size,
                        bool rgb, Lent* lent = nullptr);
    bool HasPendingPicture() const { return pending_; }

    // Forgets the pending picture, a refused packet and the end-of-stream state (after a
    // seek; the source flushed the decoder).
    virtual void Reset();

    // Debug counters of the whole process (benchmarks): pictures written into sample
    // buffers or lent, the bytes copied from the decoder's frames to get them there (none for
    // a lent one), and the bytes of one whole output picture each time. Added to by every decoder's
    // streaming thread; any thread may read them (relaxed: figures, not synchronisation).
    struct CopyCounters {
        std::atomic<uint64_t> pictures{0};
        std::atomic<uint64_t> copied_bytes{0};
        std::atomic<uint64_t> picture_bytes{0};
    };
    static CopyCounters& Copies();

  private:
    // Receives a finished picture when the decoder has one. True with a picture (pending).
    bool ReceivePicture(CVelloSource* source, Result& result);
    // avcodec_send_packet under CPlaybackInfo's lock; kNoDecoder when the video decoder is
    // closed.
    static constexpr int kNoDecoder = 1;
    static int SendPacket(CPlaybackInfo* info, const AVPacket* packet);
    bool Convert(const AVFrame& frame, const CMediaType& mt, uint8_t* buffer, long size, bool rgb);
    // Moves the pending picture to `*lent` when the sample can carry it as it is, and lets the
    // subtitles draw on the rows they need in `buffer`.
    bool Lend(CVelloSource* source, const CMediaType& mt, uint8_t* buffer, long size, bool rgb,
              Lent* lent);
    // Lets the subtitles draw on the pending picture's `buffer` (through `canvas` when not
    // null) and asks for the next picture's to be rendered ahead.
    void DrawSubtitles(CVelloSource* source, uint8_t* buffer, int width, int height, bool rgb,
                       ISubtitleCanvas* canvas);
    // Decodes the head packet of the subtitle queue once `pictureTime` (100 ns) reaches its
    // time, and hands the result to the subtitle registry.
    void DecodeSubtitle(CVelloSource* source, int64_t pictureTime);

    AVFramePtr frame_;
    CVideoScaler scaler_;
    bool draining_ = false;
    bool pending_ = false;  // frame_ holds a decoded picture not yet converted
    AVPacketPtr retry_;     // refused with EAGAIN; sent again before the next packet
    Result pendingResult_;  // its times
};

}  // namespace zvp
