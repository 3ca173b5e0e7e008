#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class DispatchQueue;

// Power-management message types, as the kernel numbers them.
inline constexpr uint32_t kMessageCanSystemSleep = 0xE0000270;
inline constexpr uint32_t kMessageSystemWillSleep = 0xE0000280;
inline constexpr uint32_t kMessageSystemHasPoweredOn = 0xE0000300;
inline constexpr uint32_t kMessageSystemWillPowerOn = 0xE0000320;
inline constexpr uint32_t kMessageClamshellStateChange = 0xE0034100;

// The power manager: sleep and wake of the system, and the root power domain's lid (clamshell) state
// with its change messages. The program's entry (or a test) installs the backend; until then nothing
// can be registered and there is no lid.
class PowerManagement {
public:
    using MessageHandler = std::function<void(uint32_t messageType, intptr_t argument)>;

    virtual ~PowerManagement() = default;

    // The handler receives the system's power messages on the main run loop. Answers 0 when the
    // registration failed.
    virtual uint64_t registerForSystemPower(MessageHandler handler) = 0;
    virtual void deregisterForSystemPower(uint64_t registration) = 0;
    // Answers to a can-sleep or will-sleep message.
    virtual void allowPowerChange(uint64_t registration, intptr_t argument) = 0;
    virtual void cancelPowerChange(uint64_t registration, intptr_t argument) = 0;

    // "AppleClamshellState" of the root power domain: true when the lid is closed; none when the
    // machine has no such property.
    virtual std::optional<bool> clamshellState() = 0;
    // General-interest messages of the root power domain, delivered on the queue. Answers 0 when the
    // interest could not be added.
    virtual uint64_t addRootDomainInterest(std::shared_ptr<DispatchQueue> queue, MessageHandler handler) = 0;
    virtual void removeRootDomainInterest(uint64_t interest) = 0;

    static std::shared_ptr<PowerManagement> current();
    static void install(std::shared_ptr<PowerManagement> backend);
};

}  // namespace platform
