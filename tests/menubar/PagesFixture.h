#pragma once

// The settings pages on the real settings, data manager and records, over a simulated Mac session,
// Bluetooth radio and Wi-Fi, with a recording navigation delegate. Interface texts are their keys, so
// that rows read as the keys the pages chose.

#include <memory>
#include <string>
#include <vector>

#include "app/records/Device.h"
#include "app/records/DeviceInfo.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/PhoneRecordServices.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "app/support/Common.h"
#include "app/support/Localizable.h"
#include "app/support/URLOpener.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "engine/session/LoginItemsManager.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/SystemPreferences.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ScanningIndicator.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/pages/BaseMenuItemManager.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/NetworkReachability.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingNavigationDelegate.h"
#include "tests/support/SettableReachability.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/lists/KestruneListViewCellProtocol.h"

namespace pagetests {

using kestrune::BaseMenuItemManager;
using kestrune::ListCellViewModel;
using platform::Number;

// The shared instances the pages read are made afresh for every test.
inline void forgetPageWorld() {
    kestrune::DataManager::resetSharedForTesting();
    kestrune::DeviceLocalSettings::resetSharedForTesting();
    kestrune::Common::resetLaunchAnswersForTesting();
    kestrune::SafeWifiManager::resetSharedForTesting();
    kestrune::UpdateController::resetSharedForTesting();
    kestrune::KestruneUpdater::resetSharedForTesting();
    kestrune::ScanningIndicator::resetSharedForTesting();
    kestrune::ScreensaverPreconditions::resetSharedForTesting();
    kestrune::SystemPreferences::resetCacheForTesting();
    kestrune::LoginItemsManager::resetSharedForTesting();
    kestrune::BluetoothLE::resetSharedForTesting();
    kestrune::Bluetooth::resetForTesting();
    kestrune::URLOpener::resetRecordedURLsForTesting();
    platform::UserDefaults::resetAllForTesting();
    platform::SystemVersion::setOverride(std::nullopt);
}

class PagesFixture : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        forgetPageWorld();
        kestrune::setLocalizedStringLookup(nullptr);
        session = platform::SimulatedSession::create(home() + "/session");
        session->install();
        kestrune::EngineSessionServices::install();
        // Unlocking needs no permission it lacks, unless a test says otherwise.
        session->desktop()->setProcessTrusted(true);
        platform::Radio::resetShared();
        radio = platform::Radio::shared();
        platform::BluetoothBackend::install(radio);
        wifi = platform::SimulatedWifi::create();
        wifi->install();
        reachability = testsupport::SettableReachability::install(0);
        kestrune::PhoneRecordServices::install(std::make_shared<kestrune::FeaturePhoneRecordServices>());
        navigation = std::make_shared<testsupport::RecordingNavigationDelegate>();
    }

    void TearDown() override {
        pageWindow_.reset();
        runUntilIdle();
        forgetPageWorld();
        kestrune::PhoneRecordServices::install(nullptr);
        platform::ReachabilityBackend::install(nullptr);
        platform::WifiBackend::install(nullptr);
        platform::BluetoothBackend::install(nullptr);
        platform::Radio::resetShared();
        platform::SimulatedSession::uninstall();
        Fixture::TearDown();
    }

    template <typename Page>
    std::shared_ptr<Page> makePage() {
        return BaseMenuItemManager::create<Page>(navigation);
    }

    // The page in a window, as the detail pane shows it; it rebuilds as it appears.
    template <typename Page>
    std::shared_ptr<Page> shownPage() {
        auto page = makePage<Page>();
        show(*page);
        return page;
    }
    void show(BaseMenuItemManager& page) {
        if (!pageWindow_) pageWindow_ = window({100, 100, 849, 500});
        auto view = page.getViewController()->mainView();
        view->setFrame({0, 0, 849, 500});
        pageWindow_->contentView()->addSubview(view);
        settle();
    }

    // Each row as "cell class title": the cell class's layout name and the row's title.
    static std::vector<std::string> rowsOf(const std::vector<std::shared_ptr<ListCellViewModel>>& rows) {
        std::vector<std::string> out;
        for (const auto& row : rows) {
            const std::string cell = row->viewClass() ? row->viewClass()->nibName : "SimpleListCell";
            out.push_back(cell + (row->title() && !row->title()->empty() ? " " + *row->title() : ""));
        }
        return out;
    }
    static std::vector<std::string> rowsOf(BaseMenuItemManager& page) {
        return rowsOf(page.listViewModelController()->listViewModel());
    }
    // The shown row whose title is the text (the first such), or null.
    static std::shared_ptr<ListCellViewModel> row(BaseMenuItemManager& page, const std::string& title) {
        for (const auto& vm : page.listViewModelController()->listViewModel())
            if (vm->title() == title) return vm;
        return nullptr;
    }
    static int32_t styleOf(const std::shared_ptr<ListCellViewModel>& vm) {
        auto collapsible = std::dynamic_pointer_cast<kestrune::CollapseCellVM>(vm);
        return collapsible ? collapsible->collapseCell() : -1;
    }

    // A paired phone that the data manager tracks, with its settings record.
    std::shared_ptr<kestrune::MobileDevice> addTrackedPhone(bool connected,
                                                            const std::string& name = "Ann's iPhone") {
        auto& data = kestrune::DataManager::shared();
        auto phone = kestrune::MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        phone->mobileDeviceInfo()->setDeviceName(name);
        auto settings = kestrune::MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(kestrune::PairingInfo::kConnectionStatusPaired));
        settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(true));
        (*data.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*data.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        return phone;
    }
    std::shared_ptr<kestrune::MobileSettings> trackedSettings() {
        return kestrune::DataManager::shared().settingsForDeviceId(std::string("phone-1"));
    }
    kestrune::DeviceLocalSettings& local() { return kestrune::DeviceLocalSettings::shared(); }

    std::shared_ptr<platform::SimulatedSession> session;
    std::shared_ptr<platform::Radio> radio;
    std::shared_ptr<platform::SimulatedWifi> wifi;
    std::shared_ptr<testsupport::SettableReachability> reachability;
    std::shared_ptr<testsupport::RecordingNavigationDelegate> navigation;

private:
    std::shared_ptr<ui::Window> pageWindow_;
};

}  // namespace pagetests
