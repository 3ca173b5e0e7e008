#include "windows/wifi/SafeWifiViewModelFactory.h"

#include "features/wifi/SafeWifiManager.h"
#include "windows/wifi/SafeWifiAddNewWifiController.h"
#include "windows/wifi/SafeWifiFinishController.h"
#include "windows/wifi/SafeWifiFinishViewModel.h"
#include "windows/wifi/SafeWifiFirstController.h"
#include "windows/wifi/SafeWifiNewViewModel.h"
#include "windows/wifi/SafeWifiWelcomeViewModel.h"

namespace kestrune {

std::shared_ptr<SafeWifiViewModel> SafeWifiViewModelFactory::viewModelForPage_context(
    const SafeWifiWizzardPage& page, const SafeWifiWizzardContext& context) const {
    std::shared_ptr<SafeWifiViewModel> model;
    if (dynamic_cast<const SafeWifiFirstController*>(&page)) {
        model = welcomeViewModel();
    } else if (dynamic_cast<const SafeWifiAddNewWifiController*>(&page)) {
        model = std::make_shared<SafeWifiNewViewModel>();
    } else if (dynamic_cast<const SafeWifiFinishController*>(&page)) {
        model = std::make_shared<SafeWifiFinishViewModel>();
    } else {
        model = std::make_shared<SafeWifiViewModel>();
    }
    const auto& current = context.currentEntry;
    model->wifiName = current ? current->ssidName().value_or("") : "";
    if (const auto& phone = context.trackingMobileDevice; phone && phone->mobileDeviceInfo())
        model->trackingIphoneName = phone->mobileDeviceInfo()->deviceName().value_or("");
    model->isAddingNewWifi = context.currentEntryProcess == SafeWifiWizzardContext::kAddingNetwork;
    model->isConnectedToWiFi = current != nullptr;
    if (current) {
        for (const auto& object : SafeWifiManager::shared().safeWifiEntries()) {
            auto entry = std::dynamic_pointer_cast<SafeWifiEntry>(object);
            if (entry && entry->isEqual(*current)) {
                model->wifiAlreadyAdded = true;
                break;
            }
        }
    }
    return model;
}

std::shared_ptr<SafeWifiViewModel> SafeWifiViewModelFactory::welcomeViewModel() const {
    auto& manager = SafeWifiManager::shared();
    auto model = std::make_shared<SafeWifiWelcomeViewModel>();
    const int32_t state = manager.wifiState();
    model->canAddNewWifi = state == SafeWifiManager::kWifiStateTrackedPhone;
    model->canEditWifi = !manager.safeWifiEntries().empty();
    model->issueReason = state;
    return model;
}

}  // namespace kestrune
