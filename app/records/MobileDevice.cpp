#include "app/records/MobileDevice.h"

#include "app/records/MobileSettings.h"
#include "app/records/PhoneRecordLookup.h"
#include "app/records/PhoneRecordServices.h"
#include "app/support/Common.h"
#include "app/support/Localizable.h"

namespace kestrune {

namespace {
const MobileDevice::Registrar registrarOfMobileDevice;
}

const RecordSchema<MobileDevice>& MobileDevice::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<MobileDevice>(
        RecordSchema<MobileDevice>()
            .text("unId", &MobileDevice::unId_)
            .record("mobileDeviceInfo", &MobileDevice::mobileDeviceInfo_)
            .record("mobileDeviceConnectionInfo", &MobileDevice::mobileDeviceConnectionInfo_));
    return schema;
}

std::shared_ptr<MobileDevice> MobileDevice::init() {
    auto device = std::make_shared<MobileDevice>();
    device->unId_ = Common::GetUUID();
    return device;
}

std::shared_ptr<MobileDevice> MobileDevice::initWithUnId(std::optional<std::string> unId) {
    auto device = std::make_shared<MobileDevice>();
    device->unId_ = std::move(unId);
    device->mobileDeviceInfo_ = MobileDeviceInfo::init();
    device->mobileDeviceConnectionInfo_ = MobileDeviceConnectionInfo::init();
    device->mobileDeviceConnectionInfo_->setIsConnected(platform::Number(false));
    return device;
}

std::optional<std::string> MobileDevice::distanceStringWithUserActiveIndication(bool indication) const {
    auto lookup = PhoneRecordLookup::current();
    auto settings = lookup ? lookup->settingsForDeviceId(unId_) : nullptr;
    if (!settings) return std::nullopt;
    if (indication && shouldShowUserActiveIndication())
        return settings->currentDistanceString() + userActiveIndicationString();
    return settings->rssiPrettyPrint();
}

bool MobileDevice::shouldShowUserActiveIndication() const {
    return PhoneRecordServices::current()->kestruneRefusedToLoginRecentlyBecauseUserWasActive();
}

std::string MobileDevice::userActiveIndicationString() const {
    return localizable("user_active");
}

}  // namespace kestrune
