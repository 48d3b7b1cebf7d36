#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/IObserver.h"

namespace zvp {

// Emits named events to registered observers, in registration order, on the caller's
// thread. Takes no lock: a subject is used from one thread at a time (the UI thread for
// everything the user interface observes).
class ISubject {
  public:
    class CItem {
      public:
        CItem(IObserver* observer, std::string eventName, HandlerKey handler)
            : observer(observer), eventName(std::move(eventName)), handler(handler) {}
        virtual ~CItem() = default;

        IObserver* observer;  // not owned
        std::string eventName;
        HandlerKey handler;
    };

    virtual ~ISubject() = default;

    // Appends one registration; the same observer may register any name any number of times.
    void Attach(IObserver* observer, const std::string& eventName, HandlerKey handler);

    // Removes every registration of `observer`, keeping the order of the others. Called
    // from a handler during delivery, later registrations move down and the pass goes on
    // by index.
    void Detach(IObserver* observer);

    // Calls every registration named `eventName` (case-sensitive). The registration count
    // is read again before each step, so registrations made by a handler join this pass.
    void Notify(const std::string& eventName, EventArg arg1, EventArg arg2);

    size_t RegistrationCount() const { return items_.size(); }

  private:
    std::vector<CItem> items_;
};

}  // namespace zvp
