#include "menubar/pages/PhoneFacts.h"

#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/store/DataManager.h"

namespace kestrune {

namespace {
bool isSet(const std::optional<platform::Number>& flag) {
    return flag && flag->boolValue();
}
}  // namespace

PhoneFacts PhoneFacts::current() {
    PhoneFacts facts;
    auto& data = DataManager::shared();
    facts.phone = data.getTrackingMobileDevice();
    if (!facts.phone) return facts;
    facts.settings = data.settingsForDeviceId(facts.phone->unId());
    const auto& connection = facts.phone->mobileDeviceConnectionInfo();
    facts.connected = connection && isSet(connection->isConnected());
    return facts;
}

std::string PhoneFacts::deviceName() const {
    if (!phone || !phone->mobileDeviceInfo()) return "";
    return phone->mobileDeviceInfo()->deviceName().value_or("");
}

std::string PhoneFacts::distanceText() const {
    if (!phone) return "";
    return phone->distanceStringWithUserActiveIndication(false).value_or("");
}

bool PhoneFacts::tracked() const {
    return settings && settings->mobileDeviceTrackInfo() &&
           isSet(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice());
}

bool PhoneFacts::pausedByManualLogin() const {
    return settings && settings->mobileDeviceTrackInfo() &&
           isSet(settings->mobileDeviceTrackInfo()->proxLockTemporaryDisabledBecauseLogin());
}

}  // namespace kestrune
