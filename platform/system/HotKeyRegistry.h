#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/base/Error.h"

namespace platform {

// System-wide hot keys: a key code with modifiers, registered under an identifier, reported when the
// keys are released, whichever application is in front. Modifiers are in the registry's own bit layout:
// Command 0x100, Shift 0x200, Caps Lock 0x400, Option 0x800, Control 0x1000.
//
// The application gets the registry that `main/` (or a test) installs; until one is installed a
// stand-in refuses every registration. Releases are delivered on the main run loop.
class HotKeyRegistry {
public:
    static constexpr uint32_t kCommand = 0x100;
    static constexpr uint32_t kShift = 0x200;
    static constexpr uint32_t kCapsLock = 0x400;
    static constexpr uint32_t kOption = 0x800;
    static constexpr uint32_t kControl = 0x1000;
    static constexpr const char* kErrorDomain = "HotKeyRegistry";
    // The combination is already taken, by this application or another one.
    static constexpr int64_t kErrorTaken = -9878;
    // There is no way to register hot keys here.
    static constexpr int64_t kErrorUnavailable = -9870;

    struct Identifier {
        uint32_t signature = 0;
        uint32_t number = 0;
    };
    // What a release reports: the identifier it was registered under, where the mouse was, the modifiers
    // held (in the application's event bit layout) and when.
    struct Release {
        Identifier identifier;
        double locationX = 0, locationY = 0;
        uint64_t modifierFlags = 0;
        double timestamp = 0;
    };
    using Registration = uint64_t;
    using ReleaseHandler = std::function<void(const Release&)>;

    virtual ~HotKeyRegistry() = default;
    // The registration, or why there is none.
    virtual std::variant<Registration, Error> registerEventHotKey(uint16_t keyCode, uint32_t modifiers,
                                                                  Identifier identifier) = 0;
    virtual void unregisterEventHotKey(Registration registration) = 0;
    // The one handler of released hot keys (none removes it).
    virtual void setReleaseHandler(ReleaseHandler handler) = 0;

    static std::shared_ptr<HotKeyRegistry> current();
    // Null puts the stand-in back.
    static void install(std::shared_ptr<HotKeyRegistry> registry);
};

// The characters a key code types with the current keyboard layout and the modifiers (in the registry's
// layout); empty when the layout has none for it.
std::string translateKeyCode(uint16_t keyCode, uint32_t modifiers);

}  // namespace platform
