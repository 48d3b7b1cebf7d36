#pragma once

#include <cstdint>
#include <string>

namespace zvp {

class ISubject;

// A handler key chosen by the observer at registration; all bits set means "no handler".
using HandlerKey = uint32_t;

// One event parameter: a number, or the address of an object the emitter owns (a clip record,
// the engine), so it is as wide as a pointer. Observers must not keep such an address past
// the call.
using EventArg = uintptr_t;
inline constexpr HandlerKey kNoHandler = 0xFFFFFFFFu;

// Receives named events from the subjects it is attached to. Called synchronously on the
// emitter's thread. Observers that can outlive a subject detach before they are destroyed.
class IObserver {
  public:
    virtual ~IObserver() = default;

    // `handler` is the key stored at registration; `arg1`/`arg2` belong to the event.
    virtual void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler,
                          EventArg arg1, EventArg arg2) {}
};

}  // namespace zvp
