#include "media/CPacketQueue2.h"

#include <chrono>

#include "app/Logger.h"
#include "media/CPlaybackInfo.h"

namespace zvp {

namespace {
constexpr AVRational kUnitsTimeBase{1, 10'000'000};
constexpr auto kBlockingLogInterval = std::chrono::milliseconds(100);
}  // namespace

CPacketQueue2::CPacketQueue2(std::string name, int capacity, CPlaybackInfo* info)
    : info_(info), name_(std::move(name)), capacity_(capacity) {}

CPacketQueue2::~CPacketQueue2() {
    Flush();
}

bool CPacketQueue2::ToUnits(int64_t time, int64_t& units) const {
    const int index = info_ ? info_->CurrentStream(Kind()) : -1;
    const AVFormatContext* format = info_ ? info_->GetFormatContext() : nullptr;
    if (index < 0 || !format || index >= static_cast<int>(format->nb_streams)) return false;
    units = time == AV_NOPTS_VALUE
                ? AV_NOPTS_VALUE
                : av_rescale_q(time, format->streams[index]->time_base, kUnitsTimeBase);
    return true;
}

void CPacketQueue2::Put(AVPacket& packet) {
    int64_t units = 0;
    const int64_t stamp = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (IsEndOfStream(packet) || !ToUnits(stamp, units)) {
        av_packet_unref(&packet);
        return;
    }
    packet.pts = units;
    bool pushed, wake;
    {
        MutexLock lock(mutex_);
        pushed = AppendLocked(packet, wake);
    }
    if (!pushed) LogNoMemory();
    if (wake) NotifyPut();
}

bool CPacketQueue2::WaitForPacket(bool blockingLog) {
    if (!list_.empty() || aborted_) return !aborted_;
    ++waiting_;
    auto due = std::chrono::steady_clock::now() + kBlockingLogInterval;
    while (list_.empty() && !aborted_) {
        if (!blockingLog) {
            not_empty_.Wait(mutex_);
            continue;
        }
        if (!not_empty_.WaitUntil(mutex_, due) && list_.empty() && !aborted_) {
            due += kBlockingLogInterval;
            mutex_.Unlock();
            Log({"CPacketQueueVideo::Get", kLogInfo}, "%s: Queue blocking...", name_.c_str());
            mutex_.Lock();
        }
    }
    --waiting_;
    return !aborted_;
}

bool CPacketQueue2::Get(AVPacket& packet) {
    MutexLock lock(mutex_);
    if (!WaitForPacket(false)) return false;
    list_.PopFront(packet);
    lock.Unlock();
    if (IsEndOfStream(packet)) {
        Log({"CPacketQueue2::Get", kLogInfo}, "%s: EOF!", name_.c_str());
        return false;
    }
    return true;
}

bool CPacketQueue2::WaitUntilQueuedOr(const std::function<bool()>& ready) {
    MutexLock lock(mutex_);
    ++waiting_;
    while (!aborted_ && list_.empty() && !ready()) not_empty_.Wait(mutex_);
    --waiting_;
    return !aborted_;
}

void CPacketQueue2::WakeWaiters() {
    // Taking the lock orders this wake after a waiter's last look at its condition.
    { MutexLock lock(mutex_); }
    not_empty_.NotifyAll();
}

bool CPacketQueue2::Peek(AVPacket& packet) {
    MutexLock lock(mutex_);
    if (list_.empty()) return false;
    const AVPacket& head = list_.front();
    av_packet_unref(&packet);
    if (IsEndOfStream(head)) {
        packet.pts = packet.dts = packet.pos = 0;  // the marker: every field zero
        return true;
    }
    return av_packet_ref(&packet, &head) == 0;
}

int CPacketQueue2::Count() {
    MutexLock lock(mutex_);
    return static_cast<int>(list_.size());
}

int64_t CPacketQueue2::Bytes() {
    MutexLock lock(mutex_);
    return list_.bytes();
}

int64_t CPacketQueue2::PeakBytes() {
    MutexLock lock(mutex_);
    return peakBytes_;
}

void CPacketQueue2::SetByteLimit(int64_t bytes) {
    MutexLock lock(mutex_);
    byteLimit_ = bytes;
}

int64_t CPacketQueue2::ByteLimit() {
    MutexLock lock(mutex_);
    return byteLimit_;
}

bool CPacketQueue2::IsFull() {
    MutexLock lock(mutex_);
    return static_cast<int>(list_.size()) > capacity_ || list_.bytes() > byteLimit_;
}

bool CPacketQueue2::OverByteLimit() {
    MutexLock lock(mutex_);
    return list_.bytes() > byteLimit_;
}

void CPacketQueue2::PutEndOfStream() {
    bool pushed, wake;
    {
        MutexLock lock(mutex_);
        pushed = list_.PushBlank();
        wake = pushed && waiting_ > 0;
    }
    if (!pushed) LogNoMemory();
    if (wake) NotifyPut();
}

void CPacketQueue2::LogNoMemory() const {
    Log({"CPacketQueue2::Put", kLogError}, "%s: Out of memory, packet dropped!", name_.c_str());
}

void CPacketQueue2::Flush() {
    MutexLock lock(mutex_);
    list_.Clear();
}

void CPacketQueue2::Abort() {
    {
        MutexLock lock(mutex_);
        aborted_ = true;
    }
    not_empty_.NotifyAll();
}

void CPacketQueue2::Resume() {
    MutexLock lock(mutex_);
    aborted_ = false;
}

}  // namespace zvp
