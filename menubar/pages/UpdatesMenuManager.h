#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The updates page: the state of this application's update and of the phone application's version, each
// with the action that fits it. A button acts on the state the page was built with, then rebuilds.
class UpdatesMenuManager : public BaseMenuItemManager {
public:
    // This application: 0 up to date, 1 and 7 check, 2 get the new version, 3 checking, 4 downloading
    // (relaunches when done), 5 downloading (relaunch when finished), 6 ready to relaunch.
    static int32_t currentMacUpdateState();
    // The phone application: 0 no tracked phone, 1 not connected, 2 up to date, 3 a newer one exists.
    static int32_t currentiOSUpdateState();

    Rows createViewModel() override;

    std::string stringForMacAppUpdateStateForState(int32_t state);
    // None: the row has no button.
    std::optional<std::string> stringForMacAppUpdateActionStateForState(int32_t state);
    void updateMacVersionToggledForState(int32_t state);
    std::string stringForiOSAppUpdateState(int32_t state);
    std::optional<std::string> actionTextForiOSAppUpdateState(int32_t state);
    void didToggleActionForState(int32_t state);
};

}  // namespace kestrune
