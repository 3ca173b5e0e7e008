#pragma once

#include <memory>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "menubar/pages/KestruneBaseItemManager.h"

namespace kestrune {

// The set-up page: proximity lock and unlock, the phone's estimated distance and the lock distance,
// lock on leaving and unlock on approach with the phone's confirmation method, what locking does, how
// the password screen's unlock is confirmed, and the other proximity settings. Under the connection
// warning of the base.
class SetupMenuManager : public KestruneBaseItemManager {
public:
    Rows createViewModel() override;

    std::shared_ptr<ListCellViewModel> proximityUnlockSection();
    std::shared_ptr<ListCellViewModel> proximityUnlock();
    std::shared_ptr<ListCellViewModel> estimatedDistance(const std::shared_ptr<MobileDevice>& phone);
    std::shared_ptr<ListCellViewModel> slider_settings(const std::shared_ptr<MobileDevice>& phone,
                                                       const std::shared_ptr<MobileSettings>& settings);
    std::shared_ptr<ListCellViewModel> allowLockOnApproach();
    std::shared_ptr<ListCellViewModel> allowUnlockOnApproach();
    std::shared_ptr<ListCellViewModel> verifyNotificationForProximityLock();
    std::shared_ptr<ListCellViewModel> doubleKnockProximityUnlock();
    std::shared_ptr<ListCellViewModel> touchIdProximityUnlock();
    std::shared_ptr<ListCellViewModel> yesNoProximityUnlock();
    std::shared_ptr<ListCellViewModel> lockOptionsSection();
    std::shared_ptr<ListCellViewModel> sleep();
    std::shared_ptr<ListCellViewModel> screensaver();
    std::shared_ptr<ListCellViewModel> macWakeUnlockTitle();
    std::shared_ptr<ListCellViewModel> doubleKnock();
    std::shared_ptr<ListCellViewModel> touchId();
    std::shared_ptr<ListCellViewModel> yesNo();
    std::shared_ptr<ListCellViewModel> disable();
    std::shared_ptr<ListCellViewModel> otherSection();
    std::shared_ptr<ListCellViewModel> lockMacOnDisconnect();
    std::shared_ptr<ListCellViewModel> smallerDistances();
    std::shared_ptr<ListCellViewModel> openSpace();

private:
    // A choice: the delegate's operation with the value, then a rebuild.
    Block choose(void (NavigationDelegate::*operation)(int32_t), int32_t value);
    void chooseScreensaver();
};

}  // namespace kestrune
