#include "uikit/switches/PropertyObservers.h"

namespace kestrune {

uint64_t PropertyObservers::addObserver(Observer observer) {
    if (!observer) return 0;
    observers_.emplace_back(next_, std::move(observer));
    return next_++;
}

void PropertyObservers::removeObserver(uint64_t identifier) {
    std::erase_if(observers_, [identifier](const auto& entry) { return entry.first == identifier; });
}

void PropertyObservers::didChangeValueForKey(const std::string& key) {
    // A copy: an observer may add or remove observers while it is told.
    const auto observers = observers_;
    for (const auto& [identifier, observer] : observers) observer(key);
}

}  // namespace kestrune
