#pragma once

#include <cstdint>
#include <memory>

#include "app/records/MobileDevice.h"
#include "platform/ui/UIObject.h"

namespace kestrune {

// What the pairing wizard and the proximity tutorial report to the coordinator. The screens decide
// nothing: they say which of their pages are visible, which option the user chose and the answer to a
// pairing request; the coordinator acts. The sender may be none; the coordinator does not read it.
//
// Options: 1 open the menu-bar panel; 2 quit; 3 rescan; 4 clear the Bluetooth cache; 5 turn Bluetooth
// on; 6 trouble connecting; 7 show the proximity tutorial; 8 close the panel shortly; 9 pairing
// finished; 10 first-connection troubleshooting; 11 and 12 tell the phone that walking away locked and
// coming back unlocked the Mac. Any other number means nothing.
class WizzardViewControllerDelegate {
public:
    enum Option : int32_t {
        kOpenMenuBar = 1,
        kQuit = 2,
        kRescan = 3,
        kClearBluetoothCache = 4,
        kTurnBluetoothOn = 5,
        kTroubleConnecting = 6,
        kShowProximityTutorial = 7,
        kCloseMenuBarShortly = 8,
        kDidFinishPairing = 9,
        kTroubleshootInitialConnection = 10,
        kNotifyLockedByWalkingAway = 11,
        kNotifyUnlockedByComingBack = 12,
    };

    virtual ~WizzardViewControllerDelegate() = default;
    // YES while any page that admits new phones is visible, NO once none is; sent on every change of a
    // page's visibility, also when the answer stays the same.
    virtual void wizzardViewController_shouldScanForNewDevices(platform::ui::UIObject* sender, bool scan) = 0;
    virtual void wizzardViewController_didSelectOption(platform::ui::UIObject* sender, int32_t option) = 0;
    virtual void wizzardViewController_didAcceptConnection_forMobileDevice(
        platform::ui::UIObject* sender, bool accepted, const std::shared_ptr<MobileDevice>& phone) = 0;
};

}  // namespace kestrune
