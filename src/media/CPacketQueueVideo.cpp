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

void CPacketQueueVideo::Put(AVPacketPtr packet) {
    if (!packet || IsEndOfStream(*packet)) return;
    const int64_t stamp = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    int64_t t = 0;
    if (!ToUnits(stamp, t)) return;
    {
        std::lock_guard lock(mutex_);
        if (t == AV_NOPTS_VALUE) {
            t = 0;  // no time at all: untimed, and the spacing reference stays
        } else {
            const int64_t d = t - last_put_time_;
            last_put_time_ = t;
            if (d <= kMinimumSpacing) t = 0;
        }
        packet->pts = t;
        AppendLocked(std::move(packet));
    }
    NotifyPut();
}

bool CPacketQueueVideo::Get(AVPacketPtr& packet) {
    std::unique_lock lock(mutex_);
    if (!WaitForPacket(lock, true)) return false;
    packet = std::move(list_.front());
    list_.pop_front();
    if (IsEndOfStream(*packet)) {
        lock.unlock();
        Log({"CPacketQueueVideo::Get", kLogInfo}, "%s: EOF!!", name_.c_str());
        return false;
    }
    const int64_t average = AverageFrameDurationLocked();
    if (packet->pts != 0) {
        last_delivered_time_ = packet->pts;
        untimed_count_ = 0;
    } else {
        packet->pts = last_delivered_time_ + (untimed_count_ + 1) * average;
        ++untimed_count_;
    }
    return true;
}

void CPacketQueueVideo::Reset() {
    std::lock_guard lock(mutex_);
    last_put_time_ = 0;
    last_delivered_time_ = 0;
    untimed_count_ = 0;
}

int64_t CPacketQueueVideo::AverageFrameDuration() {
    std::lock_guard lock(mutex_);
    return AverageFrameDurationLocked();
}

int64_t CPacketQueueVideo::AverageFrameDurationLocked() const {
    int64_t n = untimed_count_ + 1;
    for (const auto& queued : list_) {
        ++n;
        if (IsEndOfStream(*queued)) break;
        if (queued->pts != 0) return (queued->pts - last_delivered_time_) / n;
    }
    return info_ ? info_->DefaultFrameDuration() : CPlaybackInfo::kDefaultFrameDuration;
}

int64_t CPacketQueueVideo::RestampFromHead() {
    std::lock_guard lock(mutex_);
    if (list_.empty()) return 0;
    const int64_t head = list_.front()->pts;
    const int64_t step =
        info_ ? info_->DefaultFrameDuration() : CPlaybackInfo::kDefaultFrameDuration;
    int64_t k = 0;
    for (auto& queued : list_) {
        if (k > 0 && !IsEndOfStream(*queued)) queued->pts = head - k * step;
        ++k;
    }
    return head;
}

}  // namespace zvp
