#include "link/requests/RSSIIntake.h"

#include <mutex>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"

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

std::mutex gMutex;
std::shared_ptr<RSSIIntake> gInstalled;

}  // namespace

std::shared_ptr<RSSIIntake> RSSIIntake::current() {
    std::lock_guard lock(gMutex);
    if (!gInstalled) gInstalled = std::make_shared<UnsmoothedIntake>();
    return gInstalled;
}

void RSSIIntake::install(std::shared_ptr<RSSIIntake> intake) {
    std::lock_guard lock(gMutex);
    gInstalled = std::move(intake);
}

}  // namespace kestrune
