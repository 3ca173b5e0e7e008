#include "app/remote/TrackUser.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "app/support/Utilities.h"
#include "platform/backend/BackendAnalytics.h"

namespace kestrune {

std::map<std::string, std::string> TrackUser::errorDimensions(const std::string& type) {
    std::map<std::string, std::string> dimensions = {
        {"App Error Type", type},
        {"OSX App Version", Common::getAppVersion()},
        {"OSX System Version", Utilities::systemVersionOSX()},
    };
    // A tracked phone that never told its type adds nothing rather than an empty or missing value.
    if (auto phone = DataManager::shared().getTrackingMobileDevice();
        phone && phone->mobileDeviceInfo() && phone->mobileDeviceInfo()->deviceType())
        dimensions["iOS Device"] = *phone->mobileDeviceInfo()->deviceType();
    return dimensions;
}

void TrackUser::trackErrorType(const std::string& type) {
    platform::BackendAnalytics::trackEvent_dimensions("Error", errorDimensions(type));
}

void TrackUser::trackEventType_eventName(const std::string& type, const std::string& reason) {
    platform::BackendAnalytics::trackEvent_dimensions("Event",
                                                      {{"App Event", type}, {"Event Reason", reason}});
}

std::optional<std::string> TrackUser::unlockEventReason(int32_t commandReason) {
    switch (commandReason) {
        case 0:
            return "Kestrune";
        case 1:
            return "Fast Lock";
        case 5:
            return "Safe Wifi";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> TrackUser::lockEventReason(int32_t commandReason) {
    switch (commandReason) {
        case 0:
            return "Kestrune";
        case 1:
            return "Fast Lock";
        case 3:
            return "Lost Bluetooth Connection";
        default:
            return std::nullopt;
    }
}

}  // namespace kestrune
