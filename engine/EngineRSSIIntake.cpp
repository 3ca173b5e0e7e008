#include "engine/EngineRSSIIntake.h"

#include "engine/RSSISmoothener.h"
#include "engine/RSSIUpdateDecider.h"

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
