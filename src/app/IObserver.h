#pragma once

#include <cstdint>
#include <string>

namespace zvp {

class ISubject;

// A handler key chosen by the observer at registration; all bits set means "no handler".
using HandlerKey = uint32_t;
inline constexpr HandlerKey kNoHandler = 0xFFFFFFFFu;

// Receives named events from the subjects it is attached to. Called synchronously on the
// emitter's thread. Observers that can outlive a subject detach before they are destroyed.
class IObserver {
public:
    virtual ~IObserver() = default;

    // `handler` is the key stored at registration; `arg1`/`arg2` belong to the event.
    virtual void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler,
                          uint32_t arg1, uint32_t arg2) {}
};

}  // namespace zvp
