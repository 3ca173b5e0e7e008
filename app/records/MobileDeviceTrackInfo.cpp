#include "app/records/MobileDeviceTrackInfo.h"

#include "app/records/NumberFields.h"

namespace kestrune {

namespace {
const MobileDeviceTrackInfo::Registrar registrarOfMobileDeviceTrackInfo;
}

const RecordSchema<MobileDeviceTrackInfo>& MobileDeviceTrackInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<MobileDeviceTrackInfo>(
        RecordSchema<MobileDeviceTrackInfo>()
            .number("shouldTrackMobileDevice", &MobileDeviceTrackInfo::shouldTrackMobileDevice_)
            .singlePrecisionNumber("distanceToLogin", &MobileDeviceTrackInfo::distanceToLogin_)
            .number("deviceResponsibleForLastChange", &MobileDeviceTrackInfo::deviceResponsibleForLastChange_)
            .number("proxLockTemporaryDisabledBecauseLogout",
                    &MobileDeviceTrackInfo::proxLockTemporaryDisabledBecauseLogout_)
            .number("proxLockTemporaryDisabledBecauseLogin",
                    &MobileDeviceTrackInfo::proxLockTemporaryDisabledBecauseLogin_));
    return schema;
}

std::shared_ptr<MobileDeviceTrackInfo> MobileDeviceTrackInfo::initWithDefaultSettings() {
    auto info = init();
    info->shouldTrackMobileDevice_ = platform::Number(true);
    info->distanceToLogin_ = platform::Number(kDefaultDistanceToLogin);
    info->deviceResponsibleForLastChange_ = platform::Number(2);
    info->proxLockTemporaryDisabledBecauseLogout_ = platform::Number(false);
    info->proxLockTemporaryDisabledBecauseLogin_ = platform::Number(false);
    return info;
}

std::shared_ptr<MobileDeviceTrackInfo> MobileDeviceTrackInfo::copyCustom() const {
    auto copy = init();
    copy->shouldTrackMobileDevice_ = shouldTrackMobileDevice_;
    copy->distanceToLogin_ = distanceToLogin_;
    copy->deviceResponsibleForLastChange_ = deviceResponsibleForLastChange_;
    copy->proxLockTemporaryDisabledBecauseLogout_ = proxLockTemporaryDisabledBecauseLogout_;
    copy->proxLockTemporaryDisabledBecauseLogin_ = proxLockTemporaryDisabledBecauseLogin_;
    return copy;
}

bool MobileDeviceTrackInfo::isSameAs(const MobileDeviceTrackInfo& other) const {
    return intValueOf(shouldTrackMobileDevice_) == intValueOf(other.shouldTrackMobileDevice_) &&
           intValueOf(distanceToLogin_) == intValueOf(other.distanceToLogin_) &&
           intValueOf(deviceResponsibleForLastChange_) == intValueOf(other.deviceResponsibleForLastChange_) &&
           intValueOf(proxLockTemporaryDisabledBecauseLogout_) ==
               intValueOf(other.proxLockTemporaryDisabledBecauseLogout_) &&
           intValueOf(proxLockTemporaryDisabledBecauseLogin_) ==
               intValueOf(other.proxLockTemporaryDisabledBecauseLogin_);
}

bool MobileDeviceTrackInfo::isTemporaryDisabled() const {
    return boolValueOf(proxLockTemporaryDisabledBecauseLogout_) ||
           boolValueOf(proxLockTemporaryDisabledBecauseLogin_);
}

void MobileDeviceTrackInfo::resetTemporaryDisabledFlags() {
    proxLockTemporaryDisabledBecauseLogout_ = platform::Number(false);
    proxLockTemporaryDisabledBecauseLogin_ = platform::Number(false);
}

}  // namespace kestrune
