#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/Mutex.h"
#include "graph/CAMThread.h"
#include "graph/CMediaType.h"
#include "graph/CSource.h"
#include "media/CPacketQueue2.h"
#include "media/CPacketQueueSubtitle.h"
#include "media/CPacketQueueVideo.h"
#include "media/CPlaybackInfo.h"

namespace zvp {

class CSeekableStream;
class CVelloAudioStream;
class CVelloVideoStream;

// What a decoder got when it asked the source for a packet.
enum class PacketResult {
    kPacket,       // a packet was handed over
    kEnd,          // end of stream (the marker was taken)
    kInterrupted,  // a stop or seek is under way: give up the current sample
    kNotYet,       // audio request refused for now: wait (WaitForAudioPacket), then ask again
};

// The player's source filter: opens one file through its CPlaybackInfo, exposes an audio pin
// (first, when present) and a video pin, and runs a worker thread that reads packets into the
// video, audio and subtitle queues. Seeks arriving through the master pin (audio when there
// is audio, else video) stop the worker, flush and refill the queues and restart it.
//
// Worker commands (synchronous, CAMThread request/reply): 0 init, 1 pause, 2 run, 3 stop,
// 4 exit. Pause/Run start the reading loop (DoParsingLoop), which replies to them at once;
// stop makes the loop return and is replied by the thread procedure. The loop waits on the
// request event and on queue space instead of polling: a decoder that takes a packet wakes
// it.
//
// Threads:
// - graph thread (engine / UI): Load, Stop, Pause, Run, and Seek through a pin's seeking.
//   Load, Stop and Seek run under the filter's state lock (m_cStateLock); Load sets up the
//   subtitle fonts and looks for a subtitle file after releasing it.
// - worker thread: ThreadProc / DoParsingLoop; the only writer of the queues while it runs.
//   The thread that seeks writes them while the worker is stopped.
// - pin streaming threads: GetVideoPacket, GetAudioPacket, WaitForAudioPacket,
//   WaitForVideoPackets, PeekVideo/Audio/Subtitle, GetSubtitlePacket, GetFirstAudioTime.
// Locks: each queue has its own; CPlaybackInfo's lock guards reads, seeks and decoding;
// `waitLock_` guards `interrupted_` and is the condition lock of decoders waiting for
// video packets (taken before a queue lock, never the other way round). The first times are
// atomics. WaitForAudioPacket reads the video queue's length with the audio queue's lock held
// (audio queue lock before video queue lock; nothing takes them the other way round). Nothing
// calls into another component while holding `waitLock_`.
//
// Ways out: Stop and Seek interrupt every decoder wait (queue waits and the video packet
// wait) before stopping the pins' threads, so neither ever hangs on an idle worker.
//
// Life: created empty; Load creates pins, queues and the worker; the destructor stops the
// filter, ends the worker and frees everything. A source must be loaded at most once.
class CVelloSource : public CSource, private CAMThread {
  public:
    enum WorkerCommand : DWORD {
        kCmdInit = 0,
        kCmdPause = 1,
        kCmdRun = 2,
        kCmdStop = 3,
        kCmdExit = 4
    };

    // Video queue length above which the audio decoder's request is refused.
    static constexpr int kAudioRefusalVideoPackets = 260;
    // A queue holding more than this many packets counts as full.
    static constexpr int kQueueFullPackets = 10;
    // Blocked waits between two "No stream consume our data" log lines.
    static constexpr int kBlockedRoundsPerLog = 10000;
    // Video bytes the worker queues at most while it reads on for audio (past that it waits
    // for the video decoder), and that the search for the first audio packet after a seek may
    // queue. Also the video queue's byte limit: past it the worker reads nothing more,
    // whatever the audio queue holds.
    static constexpr int64_t kQueueBytesLimit = int64_t{64} << 20;
    // The audio queue's byte limit: past it the worker reads nothing more.
    static constexpr int64_t kAudioQueueBytesLimit = int64_t{16} << 20;
    // How far (100 ns) past the video start found the search for the first audio packet after
    // a seek reads video. Past this or kQueueBytesLimit, playback goes on with the audio found
    // so far.
    static constexpr int64_t kSeekQueueSpan = 10 * 10'000'000LL;

    explicit CVelloSource(HRESULT* phr = nullptr);
    ~CVelloSource() override;

    // Opens `fileName` (UTF-8); the media type is ignored. The probe's failure when the file
    // has neither video nor audio; E_UNEXPECTED when nothing could be read ("Faild to seek
    // file.") or when the source was loaded before; E_POINTER for an empty name.
    HRESULT Load(const std::string& fileName, const CMediaType* pmt = nullptr);
    // The slow part of Load on its own: opens and probes `fileName`, opens its decoders,
    // makes the pins and queues, fills the queues and starts the worker (file reads; no
    // settings, no subtitle registry), so that a loader can run it on a thread of its own and
    // call Load for the same name afterwards; Load then only sets up the subtitles. Load's
    // result; E_UNEXPECTED when the source was opened or loaded before, E_POINTER for an
    // empty name. Any one thread, before Load.
    HRESULT Open(const std::string& fileName);
    // The loaded file name; E_POINTER for null.
    HRESULT GetCurFile(std::string* pFileName, CMediaType* pmt = nullptr);

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;

    // Carries out a seek to `position` (100 ns) when `pin` is the master pin; E_NOTIMPL for
    // the other pin. Called from a pin's seeking (ChangeStart) on the graph thread. E_FAIL
    // (logged) when the demuxer refused the seek: the queues are then refilled from where
    // reading stood, and the pins start at the first time found there.
    HRESULT Seek(REFERENCE_TIME position, CSeekableStream* pin);

    CPlaybackInfo* GetPlaybackInfo() { return &info_; }

    // What the packet queues may hold and have held, in payload bytes, for benchmarks and
    // diagnostics: each limit is a hard bound up to one packet. Zero for a missing queue. Any
    // thread, after Load.
    struct QueueBytes {
        int64_t videoLimit = 0;
        int64_t audioLimit = 0;
        int64_t videoPeak = 0;
        int64_t audioPeak = 0;
    };
    QueueBytes GetQueueBytes();
    REFERENCE_TIME GetFirstVideoTime() const { return firstVideoTime_.load(); }
    REFERENCE_TIME GetFirstAudioTime() const { return firstAudioTime_.load(); }
    CSeekableStream* MasterPin() const { return masterPin_; }
    CVelloVideoStream* VideoPin() const { return videoPin_; }
    CVelloAudioStream* AudioPin() const { return audioPin_; }

    // The queues (null when the file has no such stream); for the decoders and tests.
    CPacketQueueVideo* VideoQueue() { return videoQueue_.get(); }
    CPacketQueue2* AudioQueue() { return audioQueue_.get(); }
    CPacketQueueSubtitle* SubtitleQueue() { return subtitleQueue_.get(); }

    // --- for the decoders (pin streaming threads) ---
    // False when the video queue holds 5 or more packets; otherwise true exactly when it is
    // non-empty, its head is not the end-of-stream marker and no marker follows (the worker
    // reached the end of the file: no more packets will come).
    bool VideoQueueLow();
    // Waits while VideoQueueLow() holds; false when interrupted.
    bool WaitForVideoPackets() EXCLUDES(waitLock_);
    // Takes the next video packet (blocks while the queue is empty).
    PacketResult GetVideoPacket(AVPacketPtr& packet);
    // The audio queue's next packet (blocks while it is empty), kEnd at its marker. Refused
    // with kNotYet, at once, while the video queue holds more than 260 packets and no audio
    // packet is queued: the video runs far ahead of the audio in the file, and the audio comes
    // later. Call WaitForAudioPacket, then ask again.
    PacketResult GetAudioPacket(AVPacketPtr& packet);
    // After kNotYet: blocks until an audio packet or the audio end-of-stream marker is queued,
    // or the video queue holds at most 260 packets. False (without waiting) when a stop or seek
    // interrupts it. The audio streaming thread only.
    bool WaitForAudioPacket();
    // Takes a subtitle packet when one is queued (never blocks).
    bool GetSubtitlePacket(AVPacketPtr& packet);
    // A new reference to the head packet of a queue (allocated into `packet` when null);
    // false when the queue is absent or empty.
    bool PeekVideo(AVPacketPtr& packet) { return PeekQueue(videoQueue_.get(), packet); }
    bool PeekAudio(AVPacketPtr& packet) { return PeekQueue(audioQueue_.get(), packet); }
    bool PeekSubtitle(AVPacketPtr& packet) { return PeekQueue(subtitleQueue_.get(), packet); }
    // True while a stop or seek interrupts the decoders.
    bool IsInterrupted() EXCLUDES(waitLock_);

    // --- for tests ---
    // Sends a raw command to the worker and returns its reply.
    DWORD SendWorkerCommand(DWORD command) { return CallWorker(command); }
    // Blocked waits counted since the last blocking log line.
    int BlockedRounds() const { return blockedRounds_.load(); }

  protected:
    // Worker hooks; all return 0.
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    // The worker's reading loop (see the class comment); returns 1.
    virtual HRESULT DoParsingLoop();

  private:
    DWORD ThreadProc() override;

    static bool PeekQueue(CPacketQueue2* queue, AVPacketPtr& packet);
    // Takes the next packet of `queue` into `packet` (allocated when null).
    static PacketResult TakePacket(CPacketQueue2* queue, AVPacketPtr& packet);
    bool AllQueuesFull();
    // Moves a demuxed packet into the queue of its stream and counts it; false when it
    // belongs to none (released). `packet` is left blank.
    bool Distribute(AVPacket& packet, int* videoCount, int* audioCount);
    void PutEndOfStreamAll();
    // Wakes decoders waiting for video packets (after a put).
    void NotifyVideoWaiters() EXCLUDES(waitLock_);
    // Sets or clears the interruption of every decoder wait.
    void InterruptDecoders(bool on) EXCLUDES(waitLock_);

    // Open's work for Load or Open, under the state lock; records the result in
    // `openResult_` and, when the worker runs, `openComplete_`.
    HRESULT OpenLocked(const std::string& fileName) REQUIRES(m_cStateLock);
    bool SeekQueues();
    REFERENCE_TIME SeekingVideoQueue();
    REFERENCE_TIME SeekingAudioQueue(REFERENCE_TIME target);
    // True when every sample of the audio `packet` (starting at `start`, 100 ns) lies before
    // `target`, and it carries no skip-samples side data; such packets are dropped by a seek.
    bool AudioBefore(const AVPacket& packet, int64_t start, REFERENCE_TIME target) const;
    // The first audio time after a seek: the queue's head time `head` plus the samples its
    // side data skips, and no earlier than the first picture's time `video`.
    REFERENCE_TIME AudioStart(REFERENCE_TIME head, REFERENCE_TIME video);
    // Time of `packet` (decoding time stamp, else presentation) in 100 ns, for `kind`.
    int64_t PacketUnits(const AVPacket& packet) const;

    CPlaybackInfo info_;
    std::string fileName_ GUARDED_BY(m_cStateLock);
    CVelloVideoStream* videoPin_ = nullptr;          // owned by CSource; set by Load
    CVelloAudioStream* audioPin_ = nullptr;          // owned by CSource; set by Load
    CSeekableStream* masterPin_ = nullptr;           // set by Load
    std::unique_ptr<CPacketQueueVideo> videoQueue_;  // created by Load, then fixed
    std::unique_ptr<CPacketQueue2> audioQueue_;
    std::unique_ptr<CPacketQueueSubtitle> subtitleQueue_;
    std::atomic<REFERENCE_TIME> firstVideoTime_{0};
    std::atomic<REFERENCE_TIME> firstAudioTime_{0};
    std::atomic<bool> active_{false};  // mirror of "not stopped", read by the worker
    // The end-of-stream markers are queued: reading again would only repeat them. Cleared
    // when a stop or seek flushes the queues.
    std::atomic<bool> eofQueued_{false};
    std::atomic<int> blockedRounds_{0};
    // The audio thread waits in WaitForAudioPacket: a video packet taken wakes it.
    std::atomic<bool> audioWaits_{false};
    bool loaded_ GUARDED_BY(m_cStateLock) = false;
    // Open ran (for `openedName_`, with `openResult_`).
    bool opened_ GUARDED_BY(m_cStateLock) = false;
    std::string openedName_ GUARDED_BY(m_cStateLock);
    HRESULT openResult_ GUARDED_BY(m_cStateLock) = S_OK;
    bool openComplete_ GUARDED_BY(m_cStateLock) = false;  // the worker runs: Load goes on

    Mutex waitLock_;
    CondVar videoWaiters_;
    bool interrupted_ GUARDED_BY(waitLock_) = false;
};

}  // namespace zvp
