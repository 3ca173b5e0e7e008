#pragma once

#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace kestrune {

// The tests the scanner puts an advertisement to, over the dictionary the central manager hands over
// with it (keys of platform::AdvertisementData). Bad values never crash: a value of the wrong kind
// counts as missing.
class PeripheralConnectionFilter {
public:
    // The local name the phone application advertises.
    static constexpr const char* kKestruneLocalName = "Kestrune";

    // Whether one of the advertised services contains one of the accepted texts, in any letter case. A
    // missing list passes unless the version switch refuses it; an empty list always passes.
    static bool peripheralHasAppropriateServicesInAdvertismentData_serviceUUIDs(
        const platform::Value::Dictionary& advertisementData, const std::vector<std::string>& serviceUUIDs);
    static bool canConnectToPeripheralWithAdvertismentData(
        const platform::Value::Dictionary& advertisementData);
    // Another maker's device (by the maker's kind of device), on the versions that look.
    static bool isAppleTVForAdvertismentData(const platform::Value::Dictionary& advertisementData);
    static bool isKestruneService(const platform::Value::Dictionary& advertisementData);
    // A local name other than "" and the phone application's.
    static bool isUnknownService(const platform::Value::Dictionary& advertisementData);
};

}  // namespace kestrune
