#pragma once

// The coordinator on a simulated session, with every neighbour recorded: each call is one line of text
// with the moment it was made, so tests compare what the coordinator did, in order and in time.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/SessionInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/session/SecurityAgentListener.h"
#include "link/requests/MotionDetection.h"
#include "link/requests/RSSIIntake.h"
#include "link/requests/RequestController.h"
#include "link/transport/AccountServices.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ShellAnswers.h"
#include "platform/base/Clock.h"
#include "platform/storage/FileEvents.h"
#include "platform/system/ProcessInfo.h"
#include "tests/engine/SessionFixture.h"

namespace coordinatortests {

using kestrune::MobileDevice;
using platform::Number;

// What the coordinator installs for the link at start-up, and the link's shared radio objects, are
// dropped between tests.
inline void forgetCoordinatorLink() {
    kestrune::AccountServices::install(nullptr);
    kestrune::MotionDetection::install(nullptr);
    kestrune::RSSIIntake::install(nullptr);
    kestrune::ShellAnswers::install(nullptr);
    kestrune::SecurityAgentListener::resetSharedForTesting();
    kestrune::BluetoothLE::resetSharedForTesting();
    kestrune::Bluetooth::resetForTesting();
}
inline const bool kCoordinatorLinkResetRegistered = (testsupport::addResetHook(&forgetCoordinatorLink), true);

struct CallLog {
    std::vector<std::pair<std::string, double>> calls;
    double origin = 0;
    void add(std::string what) { calls.emplace_back(std::move(what), platform::Clock::now() - origin); }
    size_t count(const std::string& what) const {
        size_t n = 0;
        for (const auto& c : calls) n += c.first == what;
        return n;
    }
    // Moment of the first call of that name, or -1.
    double at(const std::string& what) const {
        for (const auto& c : calls)
            if (c.first == what) return c.second;
        return -1;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& c : calls) out.push_back(c.first);
        return out;
    }
    // The calls whose name starts with one of the prefixes, in order.
    std::vector<std::string> only(std::initializer_list<const char*> prefixes) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            for (const char* prefix : prefixes)
                if (c.first.rfind(prefix, 0) == 0) {
                    out.push_back(c.first);
                    break;
                }
        return out;
    }
    void clear(double newOrigin) {
        calls.clear();
        origin = newOrigin;
    }
};

struct RecordingFeatures : kestrune::FeatureServices {
    CallLog& log;
    explicit RecordingFeatures(CallLog& l) : log(l) {}
    bool trustedWifi = false, unlockForWifi = false, warnIos = false, warnMac = false, pasted = true;
    std::function<void()> snapshotCompletion;
    void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date, uint32_t trigger,
                                               bool photo) override {
        log.add("history " + std::to_string(event) + "/" + std::to_string(trigger) + (photo ? " photo" : ""));
    }
    void applicationOpenedEntry() override { log.add("tracker opened"); }
    void insertUnlockedEntry() override { log.add("tracker unlocked"); }
    void insertLockedEntry() override { log.add("tracker locked"); }
    void updateShortcutsEnabled() override { log.add("hot keys"); }
    void setShouldAutomaticallyCheckForUpdates(bool) override { log.add("auto updates"); }
    void checkForUpdates() override { log.add("check updates"); }
    void verifyIfUpdatesAvalable() override { log.add("verify updates"); }
    void checkForUpdatesInBackground() override { log.add("background update check"); }
    bool shouldWarnUserAboutNewIosUpdate() override { return warnIos; }
    void didWarnUserAboutiOSUpdate() override {
        log.add("warned ios");
        warnIos = false;
    }
    bool shouldWarnUserAboutNewKestruneVersionForMacOSX() override { return warnMac; }
    void didWarnUserAboutOSXUpdate() override {
        log.add("warned mac");
        warnMac = false;
    }
    void createAndSaveFailedLoginEventTakePhoto(bool photo) override {
        log.add(photo ? "failed login photo" : "failed login");
    }
    void createAndSaveManualSnapshotWithCompletion(std::function<void()> completion) override {
        log.add("manual photo");
        snapshotCompletion = std::move(completion);
    }
    bool isConectedToSafeWifi() override { return trustedWifi; }
    bool shouldUnlockForSafeWifi() override { return unlockForWifi; }
    void playIfPreviouslyStopped() override { log.add("music resume"); }
    void pauseMusic() override { log.add("music pause"); }
    bool pasteToClipboard(const std::string& text) override {
        log.add("paste " + text);
        return pasted;
    }
    void updateLanguageIfNeeded_didUpdateCallback(const std::string& language,
                                                  std::function<void()> didUpdate) override {
        log.add("language " + language);
        if (didUpdate) didUpdate();
    }
    void didUnlockUsingKestrune() override { log.add("notice unlocked with phone"); }
    void didUnlockUsingWiFiUnlock() override { log.add("notice unlocked wifi"); }
    void showFailedToLoginDetected() override { log.add("notice failed login"); }
    void didCopyToMacClipboard(bool copied) override {
        log.add(copied ? "notice mac copied" : "notice mac not copied");
    }
    void didCopyToIosClipboard(bool copied) override {
        log.add(copied ? "notice ios copied" : "notice ios not copied");
    }
    void showDidConnectNotificationWithText(const std::string& text) override { log.add("notice " + text); }
    void showPersistantNativeNotificationWithText(const std::string& text) override {
        log.add("persistent notice " + text);
    }
};

struct RecordingCommands : kestrune::LockCommandService {
    CallLog& log;
    bool anyRunning = false, loginRunning = false;
    explicit RecordingCommands(CallLog& l) : log(l) {}
    void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>&, int32_t action,
                                                         int32_t reason) override {
        log.add("lock " + std::to_string(action) + "/" + std::to_string(reason));
    }
    void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>&,
                                               int32_t reason) override {
        log.add("unlock " + std::to_string(reason));
    }
    bool isAnyCommandInExecution() override { return anyRunning; }
    bool isExecutingLoginCommand() override { return loginRunning; }
};

struct RecordingMenuBar : kestrune::MenuBarPanel {
    CallLog& log;
    explicit RecordingMenuBar(CallLog& l) : log(l) {}
    void closeMenuBarForced() override { log.add("close panel"); }
    void removeIconFromMenuBar() override { log.add("remove icon"); }
    void openMenuBarForDuration(double seconds) override {
        log.add("panel " + std::to_string(seconds).substr(0, 3));
    }
    void showClearBluetoothCache() override { log.add("panel cache notice"); }
    void showUnableToLockMac() override { log.add("panel lock failed"); }
    void showUnableToUnlockMac() override { log.add("panel unlock failed"); }
    void showKestruneTemporaryDisabled() override { log.add("panel paused"); }
    void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("panel ios update");
    }
    void osXVersionNotUpToDate() override { log.add("panel mac update"); }
    void updateDevicesPage() override { log.add("devices page"); }
    void updateUpdatesPage() override { log.add("updates page"); }
};

struct RecordingWindows : kestrune::WindowServices {
    CallLog& log;
    bool visible = false, helpVisible = false, sleepWizardVisible = false;
    explicit RecordingWindows(CallLog& l) : log(l) {}
    void showMainWindow() override { log.add("show window"); }
    bool mainWindowIsVisible() override { return visible; }
    void updateSettingsSplitView() override { log.add("rebuild settings"); }
    void selectRowId(const std::string& row) override { log.add("select " + row); }
    void showBluetoothNotSupportedTutorial() override { log.add("no LE tutorial"); }
    void showProximityLockTutorial() override { log.add("proximity tutorial"); }
    void showUpdateKestruneOnYourMac() override { log.add("update mac page"); }
    void showUpdateKestruneOnYourPhone() override { log.add("update phone page"); }
    void showDockIcon(bool show) override { log.add(show ? "dock on" : "dock off"); }
    void setDockIconBouncing(bool bouncing) override { log.add(bouncing ? "dock bounce" : "dock still"); }
    void showAddNewDeviceViewOpen_withCompletion(bool open, std::function<void()> completion) override {
        log.add(open ? "new phone view" : "wizard waits");
        if (completion) completion();
    }
    void wizardDidSuccessfullyPair(bool accepted, const std::shared_ptr<MobileDevice>&) override {
        log.add(std::string("wizard paired ") + (accepted ? "1" : "0"));
    }
    void wizardDidLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("wizard lost phone");
    }
    void tutorialsDidSyncWithMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("tutorials synced");
    }
    void tutorialsLostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("tutorials lost phone");
    }
    void userDidLoginWithKestruneRSSI() override { log.add("tutorial proximity unlock"); }
    void userDidLogoutWithKestruneRSSI() override { log.add("tutorial proximity lock"); }
    void didUnlockMacWithUserConfirmation() override { log.add("tutorial confirmed unlock"); }
    bool helpTutorialIsVisible() override { return helpVisible; }
    void popViewModelAnimated(bool) override { log.add("pop help"); }
    bool macSleepScreenWizardIsVisible() override { return sleepWizardVisible; }
    void animateEffect(int32_t effect) override { log.add("shield effect " + std::to_string(effect)); }
    void safeWifiWizardUpdatePageForCurrentState() override { log.add("wifi wizard"); }
    void permissionScreensKestruneBroughtToFront() override { log.add("permissions recheck"); }
};

struct RecordingActions : kestrune::UserActionServices {
    CallLog& log;
    explicit RecordingActions(CallLog& l) : log(l) {}
    void sendClipboardToIos() override { log.add("send clipboard"); }
    void userDidToggleCheckForUpdates() override { log.add("user update check"); }
    void didUnlindFromIphone() override { log.add("unlinked notice"); }
};

struct RecordingLink : kestrune::PhoneLinkService {
    CallLog& log;
    explicit RecordingLink(CallLog& l) : log(l) {}
    void startIntenseScanning() override { log.add("intense scanning"); }
    void clearTheIgnoreListOfBadConnections() override { log.add("clear ignore list"); }
    void cleanTheIgnoreList() override { log.add("empty ignore list"); }
    void removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>&) override { log.add("unignore"); }
    void disconnectFromAllDevicesImmediatelly(bool) override { log.add("disconnect all"); }
    void forgetAllDevices() override { log.add("forget all"); }
    void didEstablishConnectionAndFinishedSynWithDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("keep only tracked");
    }
    void checkRSSIForMobileDeviceAndNotifyDelegate(const std::shared_ptr<MobileDevice>&) override {
        log.add("read rssi");
    }
    void sendNotification_toMobileDevice_usePushNotificationIfNeeded(int32_t code,
                                                                     const std::shared_ptr<MobileDevice>&,
                                                                     bool push) override {
        log.add("notify " + std::to_string(code) + (push ? " push" : ""));
    }
    void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>&, bool) override {
        log.add("status " + std::to_string(status));
    }
    void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<kestrune::Device>& device) override {
        int side = device && device->sessionInfo() && device->sessionInfo()->deviceResponsibleForLastChange()
                       ? device->sessionInfo()->deviceResponsibleForLastChange()->intValue()
                       : 0;
        log.add("session sent " + std::to_string(side));
    }
    void mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>&) override {
        log.add("distance sent");
    }
    void didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("track info sent");
    }
    void syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("sync");
    }
    void confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>&, bool silent) override {
        log.add(silent ? "confirm silent" : "confirm");
    }
    void cancelLoginConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("cancel confirm");
    }
    void confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(const std::shared_ptr<MobileDevice>&,
                                                                     bool silent) override {
        log.add(silent ? "confirm password silent" : "confirm password");
    }
    void cancelLoginConfirmationPasswordFieldShownForMobileDevice(
        const std::shared_ptr<MobileDevice>&) override {
        log.add("cancel confirm password");
    }
    void confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>&,
                                               const std::string& reason) override {
        log.add("confirm " + reason);
    }
    void cancelLoginConfirmationForMobileDevice_forReason(const std::shared_ptr<MobileDevice>&,
                                                          const std::string& reason) override {
        log.add("cancel " + reason);
    }
    void didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>&) override {
        log.add(std::string("copied to mac ") + (copied ? "1" : "0"));
    }
};

// The machine's facts are set by the test; its acts are recorded. The session's watchers run for real.
struct RecordingSystem : kestrune::CoordinatorSystem {
    CallLog& log;
    bool leSupported = true, bluetoothOn = true, leOn = true, sleeping = false, debug = false,
         notifyCache = true;
    int32_t centralState = 5;
    int64_t cacheSize = 0;
    kestrune::RemoteSyncMacDelegate* remoteDelegate = nullptr;
    explicit RecordingSystem(CallLog& l) : log(l) {}
    bool bluetoothLESupported() override { return leSupported; }
    bool bluetoothIsOn() override { return bluetoothOn; }
    bool bluetoothLEIsOn() override { return leOn; }
    int32_t bluetoothState() override { return centralState; }
    bool macIsSleeping() override { return sleeping; }
    int64_t bluetoothCacheFileSize() override { return cacheSize; }
    void performCheckAndCacheBluetoothLESupportedInBackground() override { log.add("check LE"); }
    void restartScanningIndicator() override { log.add("scanning indicator"); }
    bool shouldNotifyUserAboutCorruptedBluetoothCache() override { return notifyCache; }
    void migrateIfNeeded() override { log.add("migrate"); }
    void updateModelForVersionUpdateIfNeeded() override { log.add("version update"); }
    void startSilentPushNotificationManager() override { log.add("silent push"); }
    void setupLoginItems() override { log.add("login items"); }
    void stopTrackingSession() override {
        log.add("stop tracking");
        CoordinatorSystem::stopTrackingSession();
    }
    void checkIfDeviceUnlinkedRemotely(kestrune::RemoteSyncMacDelegate* delegate) override {
        remoteDelegate = delegate;
        log.add("remote unlink check");
    }
    void updateCurrentRemoteStateIfNeeded() override { log.add("remote state"); }
    void trackEventType_eventName(const std::string& type, const std::string& name) override {
        log.add("usage " + type + "/" + name);
    }
    void playDingSound() override { log.add("ding"); }
    void playFoundNewDeviceSound() override { log.add("found sound"); }
    bool isDebugOrBetaTester() override { return debug; }
    void forceClearBluetoothCache() override { log.add("force clear cache"); }
    void relaunchAfterDelay(double) override { log.add("relaunch"); }
    void terminate() override { log.add("terminate"); }
};

class CoordinatorTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        kestrune::DataManager::resetSharedForTesting();
        // Time since 1970 is small in virtual time: move away from the origin so that no unset stamp
        // looks recent.
        advance(100);
        log.clear(platform::Clock::now());
        features = std::make_shared<RecordingFeatures>(log);
        commands = std::make_shared<RecordingCommands>(log);
        windows = std::make_shared<RecordingWindows>(log);
        system = std::make_shared<RecordingSystem>(log);
        link = std::make_shared<RecordingLink>(log);
        kestrune::CoordinatorServices services;
        services.features = features;
        services.commands = commands;
        services.menuBar = std::make_shared<RecordingMenuBar>(log);
        services.windows = windows;
        services.actions = std::make_shared<RecordingActions>(log);
        services.link = link;
        services.system = system;
        // The link's requests are recorded here; the real link's own radio reports would only add noise.
        services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> {
            return nullptr;
        };
        machine = kestrune::StateMachine::create(services);
    }
    void TearDown() override {
        platform::FileEventSource::cancelAllForTesting();
        machine.reset();
        requestController_.reset();
        runUntilIdle();
        kestrune::DataManager::resetSharedForTesting();
        SessionTest::TearDown();
    }

    // The objects that report to the coordinator, as its delegate calls name them. The request
    // controller is a real one that reports to nobody; the command controller and the decider are the
    // coordinator's own (after start-up).
    kestrune::RequestController& rc() {
        if (!requestController_) requestController_ = kestrune::RequestController::init();
        return *requestController_;
    }
    kestrune::LoginLogoutController& commandController() { return *machine->loginLogoutController(); }
    kestrune::RSSILoginLogoutDecider& decider() { return *machine->loginLogoutDecider(); }

    // A paired phone that the data manager tracks, registered to the user running the application.
    std::shared_ptr<MobileDevice> addTrackedPhone(bool connected, const std::string& unId = "phone-1") {
        auto& manager = kestrune::DataManager::shared();
        auto phone = MobileDevice::initWithUnId(unId);
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto user = kestrune::DeviceUser::init();
        user->setUsername(platform::ProcessInfo::shared().userName());
        auto settings = kestrune::MobileSettings::initWithUnId_andDeviceUser(unId, user);
        settings->pairingInfo()->setConnectionStatus(Number(kestrune::PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
        // Start-up copies the local settings into the tracked phone's record: tracking on at 60.
        auto& local = kestrune::DeviceLocalSettings::shared();
        local.setProximityLockIsOn(true);
        local.setProximityLockDistance(60);
        return phone;
    }
    // Start-up marks the tracked phone not connected until its link says otherwise.
    static void connect(const std::shared_ptr<MobileDevice>& phone, bool connected = true) {
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
    }
    std::shared_ptr<kestrune::MobileSettings> settingsOf(const std::string& unId = "phone-1") {
        return kestrune::DataManager::shared().settingsForDeviceId(unId);
    }
    kestrune::MobileDeviceTrackInfo& track(const std::string& unId = "phone-1") {
        return *settingsOf(unId)->mobileDeviceTrackInfo();
    }
    kestrune::OSXPreferences& osx(const std::string& unId = "phone-1") {
        return *settingsOf(unId)->OSXSettings();
    }
    int32_t waiting(const std::string& unId = "phone-1") {
        return osx(unId).isWaitingForConfirmation()->intValue();
    }
    void setLocation(int32_t location, const std::string& unId = "phone-1") {
        kestrune::DataManager::shared().localSettingsForDevice(unId)->setKestruneConfirmedLocation(location);
    }

    void start(bool byUser = false) {
        machine->applicationDidFinishLoading(byUser);
        advance(0.01);
    }
    // Started, settled past the start-up tasks, with the calls so far forgotten.
    void startQuietly() {
        start();
        advance(10);
        log.clear(platform::Clock::now());
    }
    void lockSession() {
        session->lock();
        advance(1);
    }
    void forget() { log.clear(platform::Clock::now()); }

    CallLog log;
    std::shared_ptr<RecordingFeatures> features;
    std::shared_ptr<RecordingCommands> commands;
    std::shared_ptr<RecordingWindows> windows;
    std::shared_ptr<RecordingSystem> system;
    std::shared_ptr<RecordingLink> link;
    std::shared_ptr<kestrune::StateMachine> machine;

private:
    std::shared_ptr<kestrune::RequestController> requestController_;
};

}  // namespace coordinatortests
