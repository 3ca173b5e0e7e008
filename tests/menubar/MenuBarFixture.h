#pragma once

// What the status item, panel and settings-menu tests share: fixed answers of the link, the updater and
// trusted Wi-Fi, a tracked phone in a fresh data manager, a navigation delegate that records, and texts
// from a test bundle of our own (a key without a text reads as itself; formats show their argument).

#include <stdlib.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/PhoneRecordServices.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "app/support/Localizable.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "menubar/MenuBarFacts.h"
#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/Bundle.h"
#include "tests/support/RecordingNavigationDelegate.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/ui/Fixture.h"

namespace menubartests {

// The galleries and the fixture below put a string table in place; every other test of the binary reads
// the keys themselves, whatever ran before it.
inline void forgetTexts() {
    kestrune::setLocalizedStringLookup(nullptr);
}
inline const bool kTextsResetRegistered = (testsupport::addResetHook(&forgetTexts), true);

class TestFacts : public kestrune::MenuBarFacts {
public:
    bool bluetoothOn = true;
    bool leSupported = true;
    bool leOn = true;
    bool initializing = false;
    bool corruptedCache = false;
    bool trackedConnected = false;
    bool scanning = false;
    bool newIOS = false;
    bool newMac = false;
    int32_t updater = 0;
    bool installAfter = false;
    bool automaticChecks = false;
    bool wifiOn = false;
    bool unlockForWifi = false;
    bool screensaverLocks = true;
    bool camera = true;
    bool launchAtLogin = false;
    int relaunches = 0;
    int checks = 0;

    bool bluetoothIsOn() override { return bluetoothOn; }
    bool bluetoothLESupported() override { return leSupported; }
    bool bluetoothLEIsOn() override { return leOn; }
    bool isInitializingBLE() override { return initializing; }
    bool sholdShowCorruptedBluetoothCacheError() override { return corruptedCache; }
    bool trackingDeviceIsConnected() override { return trackedConnected; }
    bool scanningTimerIsActive() override { return scanning; }
    bool anyNewVersionAvailable() override { return newIOS || newMac; }
    bool newiOSVersion() override { return newIOS; }
    bool newMacVersion() override { return newMac; }
    int32_t updaterState() override { return updater; }
    bool installAfterDownload() override { return installAfter; }
    void setInstallAfterDownload(bool install) override { installAfter = install; }
    bool shouldAutomaticallyCheckForUpdates() override { return automaticChecks; }
    void relaunchIfPossible() override { ++relaunches; }
    void checkForUpdates() override { ++checks; }
    bool safeWifiTurnedOn() override { return wifiOn; }
    bool shouldUnlockForSafeWifi() override { return unlockForWifi; }
    bool preconditionsToLockMacOnScreensaverAreSet() override { return screensaverLocks; }
    bool hasVideoDevice() override { return camera; }
    bool lastKnownIsLauncOnStartup() override { return launchAtLogin; }
};

// Distances as "metric:rssi", so that a test sees what was asked.
class TestPhoneRecords : public kestrune::PhoneRecordServices {
public:
    std::string getStringForMetric_fromRSSI(int32_t metric,
                                            const std::optional<platform::Number>& rssi) override {
        return std::to_string(metric) + ":" + (rssi ? rssi->stringValue() : "none");
    }
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() override { return false; }
    std::string languageToBeUsedFromSupportedLanguages() override { return "en"; }
};

class MenuBarTest : public ui::test::Fixture {
protected:
    static constexpr const char* kPhoneId = "phone-1";

    void SetUp() override {
        Fixture::SetUp();
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        kestrune::PhoneRecordServices::install(std::make_shared<TestPhoneRecords>());
        facts = std::make_shared<TestFacts>();
        kestrune::MenuBarFacts::install(facts);
        navigation = std::make_shared<testsupport::RecordingNavigationDelegate>();
        useTexts({{"en",
                   "\"unlink_device\" = \"unlink_device %@\";\n"
                   "\"device_not_connected\" = \"device_not_connected %@\";\n"
                   "\"new_ios_update\" = \"new_ios_update %@\";\n"
                   "\"allow_closer_distances_than\" = \"allow_closer_distances_than %@\";\n"
                   "\"version\" = \"version %@\";\n"},
                  {"de", "\"start_on_mac_startup\" = \"Beim Anmelden starten\";\n\"faq\" = \"Fragen\";\n"}});
    }
    void TearDown() override {
        runUntilIdle();
        kestrune::MenuBarFacts::install(nullptr);
        kestrune::PhoneRecordServices::install(nullptr);
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        kestrune::setLocalizableLanguage(std::nullopt);
        // Keys read as themselves again for the tests after this one, as in a process that never set texts.
        kestrune::setLocalizedStringLookup(nullptr);
        unsetenv("KESTRUNE_BUNDLE_PATH");
        platform::Bundle::main().reload();
        platform::StringsTable::clearCache();
        kestrune::BundleEx::shared().resetForTesting();
        Fixture::TearDown();
    }

    void useTexts(const std::map<std::string, std::string>& tables) {
        const std::string bundle = home() + "/Bundle";
        for (const auto& [code, text] : tables) {
            platform::Files::createDirectories(bundle + "/" + code + ".lproj");
            platform::Files::writeAtomically(bundle + "/" + code + ".lproj/Localizable.strings",
                                             platform::Data(std::vector<uint8_t>(text.begin(), text.end())));
        }
        setenv("KESTRUNE_BUNDLE_PATH", bundle.c_str(), 1);
        platform::Bundle::main().reload();
        platform::StringsTable::clearCache();
        kestrune::BundleEx::shared().resetForTesting();
        kestrune::installLocalizableBundle();
    }

    // The tracked phone "Ada's iPhone", tracking on, the lock at 66; none without a settings record.
    std::shared_ptr<kestrune::MobileDevice> trackPhone(bool connected, bool withSettings = true) {
        auto& manager = kestrune::DataManager::shared();
        auto phone = kestrune::MobileDevice::initWithUnId(kPhoneId);
        phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
        (*manager.model()->dictOfAllMobileDevice())[kPhoneId] = phone;
        facts->trackedConnected = connected;
        if (!withSettings) return phone;
        auto settings = kestrune::MobileSettings::initWithUnId(kPhoneId);
        settings->pairingInfo()->setConnectionStatus(
            platform::Number(kestrune::PairingInfo::kConnectionStatusPaired));
        settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(true));
        settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
        settings->setDistanceFromDevice(platform::Number(54));
        if (!settings->iOSSettings()) settings->setIOSSettings(kestrune::iOSPreferences::init());
        settings->iOSSettings()->setChosenMetric(platform::Number(1));
        (*manager.model()->dictOfMobileDeviceSettings())[kPhoneId] = settings;
        return phone;
    }
    std::shared_ptr<kestrune::MobileSettings> phoneSettings() {
        return kestrune::DataManager::shared().settingsForDeviceId(std::string(kPhoneId));
    }
    void forgetPhone() {
        auto& manager = kestrune::DataManager::shared();
        manager.model()->dictOfAllMobileDevice()->erase(kPhoneId);
        manager.model()->dictOfMobileDeviceSettings()->erase(kPhoneId);
        facts->trackedConnected = false;
    }

    std::shared_ptr<TestFacts> facts;
    std::shared_ptr<testsupport::RecordingNavigationDelegate> navigation;
};

}  // namespace menubartests
