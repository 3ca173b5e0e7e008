#include "platform/sim/keyboard/SimulatedHotKeys.h"

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

namespace platform {

namespace {

// The application's event modifier bits of the registry's ones.
uint64_t eventFlagsOf(uint32_t modifiers) {
    uint64_t flags = 0;
    if (modifiers & HotKeyRegistry::kCapsLock) flags |= 1 << 16;
    if (modifiers & HotKeyRegistry::kShift) flags |= 1 << 17;
    if (modifiers & HotKeyRegistry::kControl) flags |= 1 << 18;
    if (modifiers & HotKeyRegistry::kOption) flags |= 1 << 19;
    if (modifiers & HotKeyRegistry::kCommand) flags |= 1 << 20;
    return flags;
}

}  // namespace

std::variant<HotKeyRegistry::Registration, Error> SimulatedHotKeys::registerEventHotKey(
    uint16_t keyCode, uint32_t modifiers, Identifier identifier) {
    std::lock_guard lock(mutex_);
    const Combination combination{keyCode, modifiers};
    if (refused_.count(combination)) return Error{kErrorDomain, kErrorTaken, "taken by another application"};
    for (const auto& [registration, entry] : registrations_)
        if (entry.first == combination) return Error{kErrorDomain, kErrorTaken, "already registered"};
    const Registration registration = next_++;
    registrations_[registration] = {combination, identifier};
    return registration;
}

void SimulatedHotKeys::unregisterEventHotKey(Registration registration) {
    std::lock_guard lock(mutex_);
    registrations_.erase(registration);
}

void SimulatedHotKeys::setReleaseHandler(ReleaseHandler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void SimulatedHotKeys::refuse(uint16_t keyCode, uint32_t modifiers) {
    std::lock_guard lock(mutex_);
    refused_.insert({keyCode, modifiers});
}

void SimulatedHotKeys::press(uint16_t, uint32_t) {}

bool SimulatedHotKeys::release(uint16_t keyCode, uint32_t modifiers) {
    ReleaseHandler handler;
    Release released;
    {
        std::lock_guard lock(mutex_);
        const Combination combination{keyCode, modifiers};
        bool found = false;
        for (const auto& [registration, entry] : registrations_)
            if (entry.first == combination) {
                released.identifier = entry.second;
                found = true;
                break;
            }
        if (!found || !handler_) return false;
        handler = handler_;
        released.modifierFlags = eventFlagsOf(modifiers);
        released.timestamp = Clock::now();
    }
    RunLoop::main().post([handler, released] { handler(released); });
    return true;
}

bool SimulatedHotKeys::isRegistered(uint16_t keyCode, uint32_t modifiers) const {
    std::lock_guard lock(mutex_);
    for (const auto& [registration, entry] : registrations_)
        if (entry.first == Combination{keyCode, modifiers}) return true;
    return false;
}

size_t SimulatedHotKeys::registrationCount() const {
    std::lock_guard lock(mutex_);
    return registrations_.size();
}

}  // namespace platform
