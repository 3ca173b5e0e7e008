#include "link/requests/RSSIIntake.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "platform/base/BackendSlot.h"

namespace kestrune {

namespace {

class UnsmoothedIntake : public RSSIIntake {
public:
    bool shouldUpdateRSSIForMobileDeviceSettings(const std::shared_ptr<MobileSettings>& settings) override {
        return settings != nullptr;
    }
    void smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                      const std::shared_ptr<MobileDevice>& device) override {
        if (!device) return;
        if (auto settings = DataManager::shared().settingsForDeviceId(device->unId()))
            settings->setDistanceFromDevice(rssi);
    }
};

}  // namespace

std::shared_ptr<RSSIIntake> RSSIIntake::current() {
    return platform::backendSlot<RSSIIntake>().getOr<UnsmoothedIntake>();
}

void RSSIIntake::install(std::shared_ptr<RSSIIntake> intake) {
    platform::backendSlot<RSSIIntake>().set(std::move(intake));
}

}  // namespace kestrune
