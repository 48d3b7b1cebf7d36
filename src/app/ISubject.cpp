#include "app/ISubject.h"

#include <algorithm>

namespace zvp {

void ISubject::Attach(IObserver* observer, const std::string& eventName, HandlerKey handler) {
    items_.emplace_back(observer, eventName, handler);
}

void ISubject::Detach(IObserver* observer) {
    std::erase_if(items_, [observer](const CItem& item) { return item.observer == observer; });
}

void ISubject::Notify(const std::string& eventName, EventArg arg1, EventArg arg2) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].eventName != eventName) continue;
        // Copies: the handler may attach or detach and so move the vector's storage.
        IObserver* observer = items_[i].observer;
        HandlerKey handler = items_[i].handler;
        observer->OnNotify(this, items_[i].eventName, handler, arg1, arg2);
    }
}

}  // namespace zvp
