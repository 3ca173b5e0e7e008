#include "engine/deciders/RSSISmoothener.h"

#include <cmath>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"

namespace kestrune {

void RSSISmoothener::smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                                  const std::shared_ptr<MobileDevice>& device) {
    if (!device) return;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    if (!settings) return;
    settings->setDistanceFromDevice(smootherRssi_oldRSSI(rssi, settings->distanceFromDevice()));
}

std::optional<platform::Number> RSSISmoothener::smootherRssi_oldRSSI(
    const platform::Number& rssi, const std::optional<platform::Number>& old) {
    int64_t n = rssi.longLongValue();
    if (n >= 101) n = 99;
    if (n < 21 || n > 99) return old;
    const double o = old ? old->doubleValue() : 0.0;
    const double d = std::fabs(o - static_cast<double>(n));
    const double wo = d < 10.0 ? 3.0 : 4.0;
    const double wn = d < 10.0 ? 7.0 : 6.0;
    return platform::Number(
        static_cast<long long>(std::trunc((o * wo + static_cast<double>(n) * wn) / 10.0)));
}

}  // namespace kestrune
