#include "platform/ui/EventMonitor.h"

#include <algorithm>
#include <vector>

namespace platform::ui {

namespace {

std::vector<std::shared_ptr<EventMonitor>>& monitors() {
    static std::vector<std::shared_ptr<EventMonitor>> all;
    return all;
}

}  // namespace

std::shared_ptr<EventMonitor> EventMonitor::addLocalMonitorForEventsMatchingMask_handler(uint64_t mask,
                                                                                         Handler handler) {
    auto monitor = std::make_shared<EventMonitor>(mask, std::move(handler));
    monitors().push_back(monitor);
    return monitor;
}

void EventMonitor::removeMonitor(const std::shared_ptr<EventMonitor>& monitor) {
    auto& all = monitors();
    all.erase(std::remove(all.begin(), all.end(), monitor), all.end());
}

std::optional<Event> EventMonitor::runLocalMonitors(const Event& event) {
    std::optional<Event> current = event;
    // A handler may remove monitors: run over a copy.
    const auto snapshot = monitors();
    for (const auto& monitor : snapshot) {
        if (!(monitor->mask_ & eventMaskFor(current->type))) continue;
        current = monitor->handler_(*current);
        if (!current) return std::nullopt;
    }
    return current;
}

size_t EventMonitor::monitorCount() {
    return monitors().size();
}

void EventMonitor::resetForTesting() {
    monitors().clear();
}

}  // namespace platform::ui
