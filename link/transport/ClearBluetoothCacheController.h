#pragma once

namespace kestrune {

// When the user is warned about a damaged Bluetooth cache, from the dates in the local settings. The
// rules run on the main thread and only read.
class ClearBluetoothCacheController {
public:
    static constexpr double kErrorRecent = 300;      // 5 minutes
    static constexpr double kFirstRunSettled = 600;  // 10 minutes
    static constexpr double kWarnedHour = 3600;
    static constexpr double kWarnedDay = 86400;
    static constexpr double kSilenced = 604800;              // 7 days
    static constexpr double kClearedVeryRecently = 1209600;  // 14 days
    static constexpr double kClearedLongAgo = 3628800;       // 42 days
    static constexpr double kNeverCleared = 12960000;        // 150 days

    static ClearBluetoothCacheController& shared();

    bool sholdShowCorruptedBluetoothCacheError();
    bool shouldNotifyUserAboutCorruptedBluetoothCache();
    bool bluetoothCacheErrorDetectedRecentlyAndCacheNotCleardVeryRecently();
    bool hasTrackingDevice();
    bool trackingDeviceIsConnected();
    bool ifDeviceConnectionEstablishedAfterRescanButtonToggled();

private:
    ClearBluetoothCacheController() = default;
};

}  // namespace kestrune
