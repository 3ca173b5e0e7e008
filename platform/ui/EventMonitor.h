#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/ui/Event.h"

namespace platform::ui {

// A local event monitor: sees the application's own events of the mask before they are delivered, and
// answers the event to deliver (possibly changed) or none to swallow it.
class EventMonitor {
public:
    using Handler = std::function<std::optional<Event>(const Event&)>;

    static std::shared_ptr<EventMonitor> addLocalMonitorForEventsMatchingMask_handler(uint64_t mask,
                                                                                      Handler handler);
    static void removeMonitor(const std::shared_ptr<EventMonitor>& monitor);
    // The monitors, in the order added, over an event about to be delivered.
    static std::optional<Event> runLocalMonitors(const Event& event);
    static size_t monitorCount();
    static void resetForTesting();

    EventMonitor(uint64_t mask, Handler handler) : mask_(mask), handler_(std::move(handler)) {}

private:
    uint64_t mask_;
    Handler handler_;
};

}  // namespace platform::ui
