#pragma once

#include <memory>
#include <mutex>
#include <utility>

#include "platform/ui/WindowController.h"

namespace kestrune {

// Makes the activity chart's window controller, anew for each request; the coordinator keeps the one it
// showed last and calls its showWindow. The windows folder implements it and the program's entry
// installs it.
class ActivityControllerFactory {
public:
    virtual ~ActivityControllerFactory() = default;
    virtual std::shared_ptr<platform::ui::WindowController> newActivityVizualizationController() = 0;

    // The installed factory; none until the program's entry (or a test) installs one.
    static std::shared_ptr<ActivityControllerFactory> installed() {
        std::lock_guard lock(slot().mutex);
        return slot().factory;
    }
    static void install(std::shared_ptr<ActivityControllerFactory> factory) {
        std::shared_ptr<ActivityControllerFactory> previous;
        std::lock_guard lock(slot().mutex);
        previous = std::exchange(slot().factory, std::move(factory));
    }

private:
    struct Slot {
        std::mutex mutex;
        std::shared_ptr<ActivityControllerFactory> factory;
    };
    // Never destroyed, so that a late caller during exit finds an empty slot, not a freed one.
    static Slot& slot() {
        static Slot* instance = new Slot;
        return *instance;
    }
};

}  // namespace kestrune
