#pragma once

#include <cstdint>
#include <memory>

#include "app/records/SafeWifiEntry.h"

namespace kestrune {

class SafeWifiEditController;

// Hears the list page: 0 add a network, 1 the switch was toggled; and a row's delete button.
class SafeWifiEditControllerDelegate {
public:
    virtual ~SafeWifiEditControllerDelegate() = default;
    virtual void safeWifiEditController_didSelectOption(SafeWifiEditController& page, int64_t option) = 0;
    virtual void safeWifiEditController_didSelectDeleteWifi(SafeWifiEditController& page,
                                                            const std::shared_ptr<SafeWifiEntry>& entry) = 0;
};

}  // namespace kestrune
