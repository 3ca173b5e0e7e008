#include "windows/wizard/MobileDeviceImageFactory.h"

namespace kestrune {

std::string MobileDeviceImageFactory::imageNameForMobileDeviceDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (phone && phone->mobileDeviceInfo() && phone->mobileDeviceInfo()->deviceType()) {
        const std::string& type = *phone->mobileDeviceInfo()->deviceType();
        if (type == "iPhone 4" || type == "iPhone 4S") return "wizzard_iphone4";
    }
    return "wizzard_iphone5";
}

}  // namespace kestrune
