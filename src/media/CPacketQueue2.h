#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "app/Mutex.h"
#include "graph/FFmpegPtr.h"
#include "media/PacketRing.h"

namespace zvp {

class CPlaybackInfo;

// A queue of compressed packets from the demultiplexing worker to one decoder. This class
// serves the audio stream; CPacketQueueVideo and CPacketQueueSubtitle derive from it.
//
// Times: `Put` converts each packet's time stamp from its stream's time base into 100 ns
// units and stores it in the packet's `pts`; `dts` and `duration` keep the stream's units.
// A packet whose `pts` is AV_NOPTS_VALUE after `Put` carried no time stamp at all.
//
// End of stream: `PutEndOfStream` appends a marker packet (data null, size 0, every time field
// 0). `Get` hands it out and returns false. Demuxed packets with no payload are dropped by
// `Put`, so they are never mistaken for the marker.
//
// Ownership: callers pass packets allocated with av_packet_alloc (AVPacketPtr); the queue never
// copies an AVPacket structure. `Put` moves the caller's packet (payload included) into one of
// the queue's own packets and leaves the caller's packet blank for reuse; `Get` releases
// whatever the caller's packet still holds and moves the head into it. `Flush` and the
// destructor free what is left. The queue's packets form a pool of reused slots (PacketRing),
// so steady queuing allocates nothing; a slot that cannot be allocated drops the packet with
// the log line "%s: Out of memory, packet dropped!".
//
// Threads: one producer (the demultiplexing worker, or the thread that seeks while the worker
// is stopped) calls `Put` and `PutEndOfStream`; one consumer (a decoding thread) calls `Get`.
// Any thread may call the rest. `mutex_` guards `list_`, `aborted_` and the time fields of the
// derived classes; no other component is called while it is held. `Get` waits on a condition
// variable without holding the lock and dispatches no events meanwhile: decoding threads have
// no event loop, the video window lives on the user-interface thread.
class CPacketQueue2 {
  public:
    // `name` appears in log lines ("A", "V", "S"). `capacity` (packets) and the byte limit
    // (SetByteLimit; none by default) only say when the queue counts as full (IsFull): `Put`
    // never refuses a packet, the producer waits instead. `info` must outlive the queue.
    CPacketQueue2(std::string name, int capacity, CPlaybackInfo* info);
    virtual ~CPacketQueue2();
    CPacketQueue2(const CPacketQueue2&) = delete;
    CPacketQueue2& operator=(const CPacketQueue2&) = delete;

    // Stamps the packet (see above) and moves it in; `packet` is left blank. An empty packet,
    // or one that arrives while this queue's kind has no current stream, is released without
    // notice.
    virtual void Put(AVPacket& packet) EXCLUDES(mutex_);

    // Waits until a packet is queued (or `Abort` is called), then moves the head into
    // `packet`. True with a packet; false at the end-of-stream marker (which is handed over,
    // with the log line "%s: EOF!") or when aborted (packet left untouched).
    virtual bool Get(AVPacket& packet) EXCLUDES(mutex_);

    // Clears per-stream state after a seek. Nothing to clear here.
    virtual void Reset() {}

    // For the consumer: waits until a packet or the end-of-stream marker is queued, `Abort` is
    // called, or `ready()` holds, without taking anything. `ready` runs on the calling thread
    // with this queue's lock held, first at once and again each time `WakeWaiters` is called
    // (and on each `Put`); it may take the lock of another queue but must not call this one.
    // True when a packet is queued or `ready()` held; false when aborted.
    bool WaitUntilQueuedOr(const std::function<bool()>& ready) EXCLUDES(mutex_);

    // Makes a consumer inside `WaitUntilQueuedOr` check its condition again. Any thread; call
    // it after changing what `ready` reads, without holding this queue's lock.
    void WakeWaiters() EXCLUDES(mutex_);

    // Makes `packet` a new reference to the head packet (payload shared, not copied; what
    // `packet` held is released), or returns false when empty. The queue keeps the head.
    bool Peek(AVPacket& packet) EXCLUDES(mutex_);

    // Number of queued packets, the end-of-stream marker included.
    int Count() EXCLUDES(mutex_);
    // Payload bytes of the queued packets.
    int64_t Bytes() EXCLUDES(mutex_);
    // The most payload bytes queued at once since construction (flushes do not lower it).
    int64_t PeakBytes() EXCLUDES(mutex_);

    // Payload bytes past which the queue counts as full whatever its packet count. The
    // producer stops at the first packet that crosses it, so the queue holds at most the limit
    // plus one packet. Set before the producer starts.
    void SetByteLimit(int64_t bytes) EXCLUDES(mutex_);
    int64_t ByteLimit() EXCLUDES(mutex_);
    // More than `capacity` packets, or more than the byte limit of payload.
    bool IsFull() EXCLUDES(mutex_);
    // More than the byte limit of payload, however few packets.
    bool OverByteLimit() EXCLUDES(mutex_);

    void PutEndOfStream() EXCLUDES(mutex_);

    // Releases the payload of `packet` (a packet taken from the queue) and blanks it.
    static void FreePacket(AVPacket& packet) { av_packet_unref(&packet); }

    // Frees every queued packet. Does not wake or abort a waiting `Get`.
    void Flush() EXCLUDES(mutex_);

    // Wakes a waiting `Get` and makes every `Get` return false at once until `Resume`. The
    // source calls it on stop so that a decoding thread blocked here can see its stop command.
    void Abort() EXCLUDES(mutex_);
    void Resume() EXCLUDES(mutex_);

    // For the source's seeking routines, which walk and cut the list: lock `GetLock()` and
    // keep it while using `GetList()`. The mutex is not recursive: call no other member of
    // this queue while holding it. (The analysis cannot follow the returned reference: the
    // list's users are checked by review, not by the compiler.)
    Mutex& GetLock() RETURN_CAPABILITY(mutex_) { return mutex_; }
    PacketRing& GetList() NO_THREAD_SAFETY_ANALYSIS { return list_; }

    const std::string& Name() const { return name_; }
    int Capacity() const { return capacity_; }

    // True for the marker appended by `PutEndOfStream`.
    static bool IsEndOfStream(const AVPacket& packet) {
        return packet.data == nullptr && packet.size == 0;
    }

  protected:
    // The stream kind whose current stream gives the time base (audio here).
    virtual AVMediaType Kind() const { return AVMEDIA_TYPE_AUDIO; }

    // Converts `time` (in the current stream's time base of `Kind()`) into 100 ns units.
    // False when the kind has no valid current stream; `time` AV_NOPTS_VALUE stays so.
    bool ToUnits(int64_t time, int64_t& units) const;

    // Appends under `mutex_` (held by the caller). False when memory is exhausted (`packet`
    // released; the caller logs with `LogNoMemory` after releasing the lock). `wake` tells
    // whether a consumer waits and so must be woken with `NotifyPut` once the lock is released.
    bool AppendLocked(AVPacket& packet, bool& wake) REQUIRES(mutex_) {
        const bool pushed = list_.PushBack(packet);
        wake = pushed && waiting_ > 0;
        peakBytes_ = std::max(peakBytes_, list_.bytes());
        return pushed;
    }
    void NotifyPut() { not_empty_.NotifyOne(); }
    void LogNoMemory() const;

    // Waits (releasing `mutex_` while waiting) until the list is non-empty or aborted; with
    // `blockingLog` logs "%s: Queue blocking..." under "CPacketQueueVideo::Get" once per
    // 100 ms of waiting. Returns with `mutex_` held; false when aborted.
    bool WaitForPacket(bool blockingLog) REQUIRES(mutex_);

    CPlaybackInfo* const info_;
    const std::string name_;
    const int capacity_;
    Mutex mutex_;
    CondVar not_empty_;
    PacketRing list_ GUARDED_BY(mutex_);
    bool aborted_ GUARDED_BY(mutex_) = false;
    int waiting_ GUARDED_BY(mutex_) = 0;  // consumers inside WaitForPacket
    int64_t byteLimit_ GUARDED_BY(mutex_) = INT64_MAX;
    int64_t peakBytes_ GUARDED_BY(mutex_) = 0;
};

}  // namespace zvp
