#pragma once

#include <mutex>
#include <vector>

#include "app/IObserver.h"

namespace zvp {

// The process-wide table of handler member functions of one observing class `T`, shared by
// every instance (one table per class, never copied into observers). Thread-safe.
template <typename T>
class ObserverHandlers {
  public:
    using Handler = void (T::*)(ISubject* subject, EventArg arg1, EventArg arg2);

    // The key of `handler`: its existing index, or the table's size before it is appended.
    static HandlerKey Key(Handler handler) {
        std::lock_guard lock(Mutex());
        auto& table = Table();
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i] == handler) return static_cast<HandlerKey>(i);
        }
        table.push_back(handler);
        return static_cast<HandlerKey>(table.size() - 1);
    }

    // The handler stored under `key`, or null for kNoHandler or an unknown key.
    static Handler Lookup(HandlerKey key) {
        std::lock_guard lock(Mutex());
        auto& table = Table();
        return key < table.size() ? table[key] : nullptr;
    }

    // Runs `self`'s handler for `key`; does nothing for kNoHandler.
    static void Dispatch(T* self, ISubject* subject, HandlerKey key, EventArg arg1, EventArg arg2) {
        if (key == kNoHandler) return;
        if (Handler h = Lookup(key)) (self->*h)(subject, arg1, arg2);
    }

  private:
    static std::vector<Handler>& Table() {
        static std::vector<Handler> table;
        return table;
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
};

// Mixin for an observer class `T` that dispatches each event to one of its own member
// functions: derive from `Observer<T>` and register with `subject.Attach(this, name,
// Handler(&T::OnSomething))`.
template <typename T>
class Observer : public IObserver {
  public:
    using Handlers = ObserverHandlers<T>;

    static HandlerKey Handler(typename Handlers::Handler handler) { return Handlers::Key(handler); }

    void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler, EventArg arg1,
                  EventArg arg2) override {
        Handlers::Dispatch(static_cast<T*>(this), subject, handler, arg1, arg2);
    }
};

}  // namespace zvp
