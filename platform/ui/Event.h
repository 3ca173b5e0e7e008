#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Geometry.h"

namespace platform::ui {

class Window;
class TrackingArea;

enum class EventType {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    ScrollWheel = 22,
};

// Masks for nextEventMatchingMask: one bit per type.
constexpr uint64_t eventMaskFor(EventType type) {
    return uint64_t{1} << static_cast<int>(type);
}
constexpr uint64_t kAnyEventMask = ~uint64_t{0};

// Modifier flags.
constexpr uint64_t kShiftKeyMask = 1 << 17;
constexpr uint64_t kControlKeyMask = 1 << 18;
constexpr uint64_t kAlternateKeyMask = 1 << 19;
constexpr uint64_t kCommandKeyMask = 1 << 20;

// Key codes the key interpretation knows.
constexpr uint16_t kKeyCodeEscape = 53;
constexpr uint16_t kKeyCodeLeftArrow = 123;
constexpr uint16_t kKeyCodeRightArrow = 124;
constexpr uint16_t kKeyCodeDownArrow = 125;
constexpr uint16_t kKeyCodeUpArrow = 126;
constexpr uint16_t kKeyCodeReturn = 36;
constexpr uint16_t kKeyCodeDelete = 51;

// An input event. Locations are in the window's space (y up from the window's bottom).
struct Event {
    EventType type = EventType::MouseMoved;
    Point locationInWindow;
    std::weak_ptr<Window> window;
    uint64_t modifierFlags = 0;
    int clickCount = 1;
    uint16_t keyCode = 0;
    std::string characters;
    std::string charactersIgnoringModifiers;
    double timestamp = 0;
    double deltaX = 0;
    double deltaY = 0;
    bool isARepeat = false;
    // The tracking area of an entered or exited event.
    std::shared_ptr<TrackingArea> trackingArea;

    static Event mouseEvent(EventType type, Point location, std::shared_ptr<Window> window,
                            int clickCount = 1, uint64_t flags = 0);
    static Event keyEvent(EventType type, uint16_t keyCode, std::string characters,
                          std::shared_ptr<Window> window, uint64_t flags = 0);
    std::shared_ptr<Window> windowPtr() const { return window.lock(); }
};

}  // namespace platform::ui
