#pragma once

#include <cstdint>
#include <memory>

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The advanced page: launching at login, how system authorisation dialogs are answered, a notification
// after each unlock, the icon on the lock screen (older systems), the two hot keys and the two Siri
// commands.
class AdvancedMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;
    // Stores the authorisation method, rebuilds the page, then has the settings sent to the phone.
    void updateAuthRequest(int32_t method);

    std::shared_ptr<ListCellViewModel> startupOptionsSection();
    std::shared_ptr<ListCellViewModel> startOnStartup();
    std::shared_ptr<ListCellViewModel> authRequestSections();
    std::shared_ptr<ListCellViewModel> authKnock();
    std::shared_ptr<ListCellViewModel> authYesNo();
    std::shared_ptr<ListCellViewModel> authPass();
    std::shared_ptr<ListCellViewModel> authAutomatically();
    std::shared_ptr<ListCellViewModel> authDisabled();
    std::shared_ptr<ListCellViewModel> macNotificationsSection();
    std::shared_ptr<ListCellViewModel> loginNotification();
    std::shared_ptr<ListCellViewModel> lockScreenOverlaySection();
    std::shared_ptr<ListCellViewModel> iconOnSleepScreen();
    std::shared_ptr<ListCellViewModel> shourtcutSection();
    std::shared_ptr<ListCellViewModel> lockSection();
    std::shared_ptr<ListCellViewModel> siriSection();
    std::shared_ptr<ListCellViewModel> siriLock();
    std::shared_ptr<ListCellViewModel> siriUnlock();

private:
    Block storeAuthRequest(int32_t method);
};

}  // namespace kestrune
