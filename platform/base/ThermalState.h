#pragma once

namespace platform {

// The machine's thermal state as the process information reports it. This system has no sensor to read,
// so the state is what was last set (by the simulated world or a test); every change posts
// kThermalStateDidChangeNotification on the default notification centre, on the setting thread.
class ThermalState {
public:
    enum Value : int { Nominal = 0, Fair = 1, Serious = 2, Critical = 3 };
    static constexpr const char* kThermalStateDidChangeNotification =
        "NSProcessInfoThermalStateDidChangeNotification";

    static bool isSupported() { return true; }
    static int current();
    // Posts the notification when the state changes; setting the same state again posts nothing.
    static void setCurrent(int state);
};

}  // namespace platform
