#pragma once

#include <memory>
#include <string>

#include "app/records/MobileDevice.h"

namespace kestrune {

// The picture of a phone by its model: the small older phones have a picture of their own.
class MobileDeviceImageFactory {
public:
    static std::string imageNameForMobileDeviceDevice(const std::shared_ptr<MobileDevice>& phone);
};

}  // namespace kestrune
