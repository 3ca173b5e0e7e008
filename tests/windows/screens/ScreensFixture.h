#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/records/MacSessionServices.h"
#include "app/records/PhoneRecordServices.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/WizzardViewControllerDelegate.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/NetworkReachability.h"
#include "platform/system/WorkspaceBackend.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/link/BluetoothFixture.h"
#include "tests/support/SettableReachability.h"
#include "tests/support/ui/Fixture.h"

namespace screentests {

using kestrune::MobileDevice;

// What the coordinator hears from a wizard or tutorial, with the time of each option.
class RecordingWizardDelegate : public kestrune::WizzardViewControllerDelegate {
public:
    std::vector<bool> scans;
    std::vector<int32_t> options;
    std::vector<double> optionTimes;
    std::vector<std::pair<bool, std::shared_ptr<MobileDevice>>> answers;

    void wizzardViewController_shouldScanForNewDevices(platform::ui::UIObject*, bool scan) override {
        scans.push_back(scan);
    }
    void wizzardViewController_didSelectOption(platform::ui::UIObject*, int32_t option) override {
        options.push_back(option);
        optionTimes.push_back(platform::Clock::now());
    }
    void wizzardViewController_didAcceptConnection_forMobileDevice(
        platform::ui::UIObject*, bool accepted, const std::shared_ptr<MobileDevice>& phone) override {
        answers.emplace_back(accepted, phone);
    }
};

// Interface tests of the screens: a fresh data manager with the fake session and phone services, a new
// radio with the controller on, the scanning indicator and update state of a new process, no network,
// and sounds recorded instead of played. Localised texts are their keys unless a test installs a table.
class ScreensFixture : public platform::ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        session = std::make_shared<recordtests::FakeSessionServices>();
        phoneServices = std::make_shared<recordtests::FakePhoneRecordServices>();
        kestrune::MacSessionServices::install(session);
        kestrune::PhoneRecordServices::install(phoneServices);
        forgetProcessState();
        workspace = std::make_shared<platform::WorkspaceRecorder>();
        platform::WorkspaceBackend::install(workspace);
        testsupport::SettableReachability::install(0);
    }
    void TearDown() override {
        runUntilIdle();
        kestrune::setLocalizedStringLookup(nullptr);
        forgetProcessState();
        platform::WorkspaceBackend::install(nullptr);
        platform::ReachabilityBackend::install(nullptr);
        kestrune::MacSessionServices::install(nullptr);
        kestrune::PhoneRecordServices::install(nullptr);
        Fixture::TearDown();
    }
    static void forgetProcessState() {
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        kestrune::ScanningIndicator::resetSharedForTesting();
        kestrune::UpdateController::resetSharedForTesting();
        kestrune::KestruneUpdater::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
    }

    // A phone in the device data: tracked (pairing status 6) or not, connected or not, tracking on or off.
    std::shared_ptr<MobileDevice> addPhone(const std::string& unId, const std::string& name, bool tracked,
                                           bool connected, bool tracking = false) {
        auto& manager = kestrune::DataManager::shared();
        manager.getSavedDataModel();
        auto phone = MobileDevice::initWithUnId(unId);
        phone->mobileDeviceInfo()->setDeviceName(name);
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
        auto settings = kestrune::MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(platform::Number(tracked ? 6 : 1));
        settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(tracking));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
        return phone;
    }
    static void setConnected(const std::shared_ptr<MobileDevice>& phone, bool connected) {
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
    }
    static void setTracking(const std::string& unId, bool tracking) {
        kestrune::DataManager::shared()
            .settingsForDeviceId(unId)
            ->mobileDeviceTrackInfo()
            ->setShouldTrackMobileDevice(platform::Number(tracking));
    }
    std::vector<std::string> playedSounds() const { return workspace->playedSounds(); }
    // Texts for some keys; the rest stay their keys.
    static void useTexts(std::map<std::string, std::string> texts) {
        kestrune::setLocalizedStringLookup([texts](const std::string& key) -> std::optional<std::string> {
            auto found = texts.find(key);
            if (found == texts.end()) return std::nullopt;
            return found->second;
        });
    }

    std::shared_ptr<recordtests::FakeSessionServices> session;
    std::shared_ptr<recordtests::FakePhoneRecordServices> phoneServices;
    std::shared_ptr<platform::WorkspaceRecorder> workspace;
    std::shared_ptr<RecordingWizardDelegate> delegate = std::make_shared<RecordingWizardDelegate>();
};

}  // namespace screentests
