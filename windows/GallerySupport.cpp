#include "windows/GallerySupport.h"

#include <stdlib.h>

#include <string>
#include <vector>

#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "features/FeaturePhoneRecordServices.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/ui/Window.h"

namespace kestrune::gallery {

namespace {
std::vector<std::shared_ptr<void>>& kept() {
    static std::vector<std::shared_ptr<void>> objects;
    return objects;
}
}  // namespace

void keep(std::shared_ptr<void> object) {
    kept().push_back(std::move(object));
}

platform::ui::Scene pageScene(const std::shared_ptr<BaseViewController>& page) {
    auto window = ui::Window::create({120, 80, 850, 530}, ui::kWindowStyleTitled | ui::kWindowStyleClosable);
    window->setTitle(page->titleDescriptionText().value_or(""));
    auto view = page->view();
    view->setFrame(window->contentView()->bounds());
    window->contentView()->addSubview(view);
    window->orderFront(nullptr);
    keep(page);
    return {window, nullptr};
}

platform::ui::Scene windowScene(const std::shared_ptr<KSWindowController>& controller) {
    keep(controller);
    auto window = controller->window();
    window->orderFront(nullptr);
    return {window, nullptr};
}

void settleUntil(const std::function<bool()>& done) {
    platform::RunLoop::main().runUntil(done, 1.5);
}

std::shared_ptr<MobileDevice> trackedPhone(bool tracking) {
    platform::ui::SceneRegistry::useThrowawayHome();
    auto& manager = DataManager::shared();
    manager.getSavedDataModel();
    const std::string id = "snapshot-phone";
    auto phone = MobileDevice::initWithUnId(id);
    phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
    phone->mobileDeviceInfo()->setDeviceType("iPhone 12");
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(true));
    auto settings = MobileSettings::initWithUnId(id);
    settings->pairingInfo()->setConnectionStatus(platform::Number(6));
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(tracking));
    // Distances as signal magnitudes: the phone 2 m away, the lock at 4 m (in metres).
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
    settings->setDistanceFromDevice(platform::Number(58));
    if (!settings->iOSSettings()) settings->setIOSSettings(iOSPreferences::init());
    settings->iOSSettings()->setChosenMetric(platform::Number(1));
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    (*manager.model()->dictOfAllMobileDevice())[id] = phone;
    (*manager.model()->dictOfMobileDeviceSettings())[id] = settings;
    return phone;
}

}  // namespace kestrune::gallery
