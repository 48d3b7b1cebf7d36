#include "media/CPacketQueueVideo.h"

#include "app/Logger.h"
#include "media/CPlaybackInfo.h"

namespace zvp {

namespace {
// Packets closer than this to the previous one (100 ns units) are treated as untimed.
constexpr int64_t kMinimumSpacing = 30'000;
}  // namespace

CPacketQueueVideo::CPacketQueueVideo(std::string name, int capacity, CPlaybackInfo* info)
    : CPacketQueue2(std::move(name), capacity, info) {}

void CPacketQueueVideo::Put(AVPacket& packet) {
    const int64_t stamp = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    int64_t t = 0;
    if (IsEndOfStream(packet) || !ToUnits(stamp, t)) {
        av_packet_unref(&packet);
        return;
    }
    bool pushed, wake;
    {
        MutexLock lock(mutex_);
        if (t == AV_NOPTS_VALUE) {
            t = 0;  // no time at all: untimed, and the spacing reference stays
        } else {
            const int64_t d = t - last_put_time_;
            last_put_time_ = t;
            if (d <= kMinimumSpacing) t = 0;
        }
        packet.pts = t;
        pushed = AppendLocked(packet, wake);
    }
    if (!pushed) LogNoMemory();
    if (wake) NotifyPut();
}

bool CPacketQueueVideo::Get(AVPacket& packet) {
    MutexLock lock(mutex_);
    if (!WaitForPacket(true)) return false;
    list_.PopFront(packet);
    if (IsEndOfStream(packet)) {
        lock.Unlock();
        Log({"CPacketQueueVideo::Get", kLogInfo}, "%s: EOF!!", name_.c_str());
        return false;
    }
    if (packet.pts != 0) {
        last_delivered_time_ = packet.pts;
        untimed_count_ = 0;
    } else {
        packet.pts = last_delivered_time_ + (untimed_count_ + 1) * AverageFrameDurationLocked();
        ++untimed_count_;
    }
    return true;
}

void CPacketQueueVideo::Reset() {
    MutexLock lock(mutex_);
    last_put_time_ = 0;
    last_delivered_time_ = 0;
    untimed_count_ = 0;
}

int64_t CPacketQueueVideo::AverageFrameDuration() {
    MutexLock lock(mutex_);
    return AverageFrameDurationLocked();
}

int64_t CPacketQueueVideo::AverageFrameDurationLocked() const {
    int64_t n = untimed_count_ + 1;
    for (size_t i = 0; i < list_.size(); ++i) {
        const AVPacket& queued = list_[i];
        ++n;
        if (IsEndOfStream(queued)) break;
        if (queued.pts != 0) return (queued.pts - last_delivered_time_) / n;
    }
    return info_ ? info_->DefaultFrameDuration() : CPlaybackInfo::kDefaultFrameDuration;
}

int64_t CPacketQueueVideo::RestampFromHead() {
    MutexLock lock(mutex_);
    if (list_.empty()) return 0;
    const int64_t head = list_.front().pts;
    const int64_t step =
        info_ ? info_->DefaultFrameDuration() : CPlaybackInfo::kDefaultFrameDuration;
    for (size_t k = 1; k < list_.size(); ++k) {
        AVPacket& queued = list_[k];
        if (!IsEndOfStream(queued)) queued.pts = head - static_cast<int64_t>(k) * step;
    }
    return head;
}

}  // namespace zvp
