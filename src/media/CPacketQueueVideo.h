#pragma once

#include "media/CPacketQueue2.h"

namespace zvp {

// The video packet queue. Besides the base contract it fills in missing time stamps:
// - `Put` takes the decoding time stamp, or the presentation time stamp when the decoding one
//   is missing, and stores 0 ("untimed") when that time is at most 3 ms after the previous
//   packet put (equal or decreasing times included);
// - `Get` gives an untimed packet the last delivered time plus an even share of the gap to
//   the next timed packet still queued (`AverageFrameDuration`), and logs "%s: Queue
//   blocking..." once per 100 ms of waiting.
// The three time fields are guarded by the base class's mutex.
class CPacketQueueVideo : public CPacketQueue2 {
  public:
    CPacketQueueVideo(std::string name, int capacity, CPlaybackInfo* info);

    void Put(AVPacket& packet) override EXCLUDES(mutex_);
    // As the base, but logs "%s: EOF!!" at the marker and fills in missing times.
    bool Get(AVPacket& packet) override EXCLUDES(mutex_);
    // Zeroes the last put time, the last delivered time and the untimed count.
    void Reset() override EXCLUDES(mutex_);

    // The time each untimed packet advances by: the gap between the last delivered time and
    // the first timed packet still queued, divided by the packets up to and including it plus
    // those already handed out untimed; the default frame duration when no timed packet is
    // queued. Takes the lock.
    int64_t AverageFrameDuration() EXCLUDES(mutex_);

    // After a seek: gives the k-th packet behind the head the head's time minus k default
    // frame durations, and returns the head's time (0 when empty). Takes the lock.
    int64_t RestampFromHead() EXCLUDES(mutex_);

  protected:
    AVMediaType Kind() const override { return AVMEDIA_TYPE_VIDEO; }

  private:
    int64_t AverageFrameDurationLocked() const REQUIRES(mutex_);

    int64_t last_put_time_ GUARDED_BY(mutex_) = 0;
    int64_t last_delivered_time_ GUARDED_BY(mutex_) = 0;
    int32_t untimed_count_ GUARDED_BY(mutex_) = 0;
};

}  // namespace zvp
