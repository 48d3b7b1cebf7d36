#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ISubject.h"

namespace zvp::test {

// One published event as an observer saw it.
struct RecordedEvent {
    std::string name;
    EventArg arg1 = 0;
    EventArg arg2 = 0;
    bool operator==(const RecordedEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const RecordedEvent& e) {
    return os << e.name << "(" << e.arg1 << ", " << e.arg2 << ")";
}

// Records the named events of a subject in the order they arrive (UI thread).
class EventRecorder : public IObserver {
  public:
    EventRecorder(ISubject& subject, const std::vector<std::string>& names) : subject_(subject) {
        for (const auto& n : names) subject_.Attach(this, n, 0);
    }
    ~EventRecorder() override { subject_.Detach(this); }

    void OnNotify(ISubject*, std::string eventName, HandlerKey, EventArg arg1,
                  EventArg arg2) override {
        events.push_back(RecordedEvent{std::move(eventName), arg1, arg2});
    }

    // The recorded events without "PositionChanged"/"MediaPositionChanged" ticks.
    std::vector<RecordedEvent> WithoutTicks() const {
        std::vector<RecordedEvent> out;
        std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                     [](const RecordedEvent& e) {
                         return e.name.find("PositionChanged") == std::string::npos;
                     });
        return out;
    }
    // Events recorded from index `from` on.
    std::vector<RecordedEvent> Since(size_t from) const {
        return std::vector<RecordedEvent>(events.begin() + std::min(from, events.size()),
                                          events.end());
    }
    bool Has(const std::string& name) const {
        return std::any_of(events.begin(), events.end(),
                           [&](const RecordedEvent& e) { return e.name == name; });
    }
    void Clear() { events.clear(); }

    std::vector<RecordedEvent> events;

  private:
    ISubject& subject_;
};

inline EventArg Arg(const void* p) {
    return reinterpret_cast<EventArg>(p);
}

}  // namespace zvp::test
