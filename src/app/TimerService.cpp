#include "app/TimerService.h"

#include <QTimer>

namespace zvp {

TimerService& TimerService::Instance() {
    static TimerService service;
    return service;
}

void TimerService::StartTimer(uint32_t timerId, uint32_t periodMs, ITimerClient* client) {
    Entry& entry = timers_[timerId];
    if (!entry.timer) {
        entry.timer.reset(new QTimer());
        QObject::connect(entry.timer.get(), &QTimer::timeout, [this, timerId] { OnTick(timerId); });
    }
    entry.client = client;
    entry.timer->start(static_cast<int>(periodMs));
}

int TimerService::StopTimer(uint32_t timerId) {
    auto it = timers_.find(timerId);
    if (it == timers_.end()) return -1;
    it->second.timer->stop();
    // The timer may be the one whose tick is being delivered right now.
    if (delivering_ > 0) retired_.push_back(std::move(it->second.timer));
    timers_.erase(it);
    return 0;
}

void TimerService::OnTick(uint32_t timerId) {
    auto it = timers_.find(timerId);
    if (it == timers_.end() || !it->second.client) return;
    ++delivering_;
    it->second.client->OnTimer(timerId);
    if (--delivering_ == 0) retired_.clear();
}

}  // namespace zvp
