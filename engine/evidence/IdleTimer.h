#pragma once

#include <cstdint>

namespace kestrune {

// How long the user has left the keyboard and mouse alone.
class IdleTimer {
public:
    // The HID system's idle nanoseconds shifted right by 30 bits (about whole seconds: 2.0 s reads 1);
    // -1 when it cannot be read, which every idle test takes for activity.
    static int64_t userNotActiveForSeconds();
};

}  // namespace kestrune
