#include "engine/coordinator/EngineRSSIIntake.h"

#include "engine/deciders/RSSISmoothener.h"
#include "engine/deciders/RSSIUpdateDecider.h"

namespace kestrune {

bool EngineRSSIIntake::shouldUpdateRSSIForMobileDeviceSettings(
    const std::shared_ptr<MobileSettings>& settings) {
    return RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings);
}

void EngineRSSIIntake::smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                                    const std::shared_ptr<MobileDevice>& device) {
    RSSISmoothener::smoothenRSSI_forMobileDevice(rssi, device);
}

void EngineRSSIIntake::install() {
    RSSIIntake::install(std::make_shared<EngineRSSIIntake>());
}

}  // namespace kestrune
