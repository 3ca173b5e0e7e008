#pragma once

#include <cstdint>

namespace kestrune {

class MacSleepScreenConnectToiPhone;

// Hears the connect-to-phone page's button: 0 turn Bluetooth on, 1 trouble connecting.
class MacSleepScreenConnectToiPhoneDelegate {
public:
    virtual ~MacSleepScreenConnectToiPhoneDelegate() = default;
    virtual void macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone& page,
                                                               int32_t option) = 0;
};

}  // namespace kestrune
