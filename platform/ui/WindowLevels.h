#pragma once

namespace platform::ui {

// Window levels: a window of a higher level stays in front of every window of a lower one. The shielding
// level is the level of the shield the system puts over everything while the session is locked; only a
// window above it shows over the lock screen.
inline constexpr int kNormalWindowLevel = 0;
inline constexpr int kFloatingWindowLevel = 3;
inline constexpr int kStatusWindowLevel = 25;
inline constexpr int kScreenSaverWindowLevel = 1000;
inline constexpr int kShieldingWindowLevel = 2000;

inline int shieldingWindowLevel() {
    return kShieldingWindowLevel;
}

}  // namespace platform::ui
