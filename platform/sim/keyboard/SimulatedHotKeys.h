#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/system/HotKeyRegistry.h"

namespace platform {

// The hot-key registry of the simulated desktop: combinations are registered as the real registry does
// (one registration per combination across the whole system); the test or the scenario refuses some as
// taken by another application, and presses and releases keys, whose releases of registered
// combinations reach the handler on the main run loop.
class SimulatedHotKeys : public HotKeyRegistry {
public:
    static std::shared_ptr<SimulatedHotKeys> create() { return std::make_shared<SimulatedHotKeys>(); }

    std::variant<Registration, Error> registerEventHotKey(uint16_t keyCode, uint32_t modifiers,
                                                          Identifier identifier) override;
    void unregisterEventHotKey(Registration registration) override;
    void setReleaseHandler(ReleaseHandler handler) override;

    // Another application holds the combination.
    void refuse(uint16_t keyCode, uint32_t modifiers);
    // The user presses the combination (nothing is reported), then lets go of it; answers whether a
    // registration heard the release.
    void press(uint16_t keyCode, uint32_t modifiers);
    bool release(uint16_t keyCode, uint32_t modifiers);
    bool isRegistered(uint16_t keyCode, uint32_t modifiers) const;
    size_t registrationCount() const;

private:
    using Combination = std::pair<uint16_t, uint32_t>;
    mutable std::mutex mutex_;
    std::map<Registration, std::pair<Combination, Identifier>> registrations_;
    std::set<Combination> refused_;
    Registration next_ = 1;
    ReleaseHandler handler_;
};

}  // namespace platform
