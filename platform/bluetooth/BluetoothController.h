#pragma once

namespace platform {

// The power of the Mac's Bluetooth controller, as the system's Bluetooth preferences switch it: a
// switch takes effect after the controller's transition time, so callers poll for the new state.
class BluetoothController {
public:
    // Non-zero when the controller is on.
    static int powerState();
    // 1 switches it on, 0 off.
    static void setPowerState(int state);
};

}  // namespace platform
