#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Modifier masks of keyboard events, as the desktop's event services number them.
inline constexpr uint64_t kEventFlagMaskShift = 0x20000;
inline constexpr uint64_t kEventFlagMaskControl = 0x40000;
inline constexpr uint64_t kEventFlagMaskAlternate = 0x80000;
inline constexpr uint64_t kEventFlagMaskCommand = 0x100000;

// One synthetic key event: a virtual key code of the US layout, its modifier flags, down or up, and the
// text it carries (empty: the key's own meaning).
struct KeyEvent {
    uint16_t keyCode = 0;
    uint64_t flags = 0;
    bool keyDown = true;
    std::u16string unicode;
};

// The HID system: where synthetic key events are posted, and how long the user has left the keyboard
// and mouse alone. The program's entry (or a test) installs the backend; until then events go nowhere
// and the idle time cannot be read.
class KeyboardEvents {
public:
    virtual ~KeyboardEvents() = default;

    // Posts the event at the HID level, as if typed. Any thread.
    virtual void postKeyEvent(const KeyEvent& event) = 0;
    // Nanoseconds since the last keyboard or mouse input; none when the HID system cannot say.
    virtual std::optional<int64_t> hidIdleTimeNanoseconds() = 0;

    static std::shared_ptr<KeyboardEvents> current();
    static void install(std::shared_ptr<KeyboardEvents> backend);
};

}  // namespace platform
