#pragma once

#include <cstdint>
#include <string>

namespace reporting {

// Whether crash reporting may run at all: a setting the application stored (sticky), else the
// Info.plist default, else the outside core's default.
class CRKDataCollectionArbiter {
public:
    static constexpr int64_t kStickyNotSet = 0;
    static constexpr int64_t kStickyEnabled = 1;
    static constexpr int64_t kStickyDisabled = 2;

    static std::string stickySettingKey();

    static bool isCrashKitCollectionEnabled();
    // Stores the setting; false when it could not be written (it then holds for this run only).
    static bool setCrashKitCollectionEnabled(bool enabled);
    static bool isLegacyPlistCrashKitCollectionEnabled();
    static int64_t stickySetting();
};

}  // namespace reporting
