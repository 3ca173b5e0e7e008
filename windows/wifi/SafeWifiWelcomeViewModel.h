#pragma once

#include <cstdint>

#include "windows/wifi/SafeWifiViewModel.h"

namespace kestrune {

// The welcome page's view model: whether a network can be added, whether there is a list to edit, and
// why Wi-Fi unlock is not possible (the manager's Wi-Fi state).
class SafeWifiWelcomeViewModel : public SafeWifiViewModel {
public:
    bool canAddNewWifi = false;
    bool canEditWifi = false;
    int64_t issueReason = 0;
};

}  // namespace kestrune
