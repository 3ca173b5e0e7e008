#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// What the wake-unlock tutorial reports to the coordinator: the option the user chose on one of its
// pages. The sender may be none; the coordinator does not read it. Any other number means nothing.
class MacSleepScreenViewControllerDelegate {
public:
    enum Option : int32_t {
        kLockNow = 0,
        kDidUpdateMacSleepScreenUnlock = 1,
        kTurnBluetoothOn = 2,
        kTroubleConnecting = 3,
        kSendTrackInfo = 4,
        kTurnSafeWifiOff = 5,
        kShowMainMenu = 6,
    };

    virtual ~MacSleepScreenViewControllerDelegate() = default;
    virtual void macSleepScreenViewController_didSelectOption(platform::ui::UIObject* sender,
                                                              int32_t option) = 0;
};

}  // namespace kestrune
