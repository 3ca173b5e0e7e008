#pragma once

// The coordinator on a simulated session, with every neighbour recorded: each call is one line of text
// with the moment it was made, so tests compare what the coordinator did, in order and in time.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
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
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
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
    // Refreshes of views (the panel, the set-up page, the tutorials' state, the settings list) are
    // recorded only when a test asks for them.
    bool refreshes = false;
    void refresh(std::string what) {
        if (refreshes) add(std::move(what));
    }
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
    void checkForUpdatesByUser() override { log.add("user update check"); }
    void setShortCutManagerDelegate(std::weak_ptr<kestrune::ShortCutManagerDelegate> d) override {
        hotKeyDelegate = std::move(d);
    }
    bool safeWifiTurnedOn() override { return safeWifiOn; }
    void setSafeWifiTurnedOn(bool on) override {
        safeWifiOn = on;
        log.add(on ? "wifi unlock on" : "wifi unlock off");
    }
    void filterClipboardWithCompletion(std::function<void(const std::string&)> completion) override {
        log.add("send clipboard");
        clipboardCompletion = std::move(completion);
    }
    void showActivityController() override { log.add("activity chart"); }
    std::weak_ptr<kestrune::ShortCutManagerDelegate> hotKeyDelegate;
    bool safeWifiOn = false;
    std::function<void(const std::string&)> clipboardCompletion;
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
    std::weak_ptr<kestrune::NavigationDelegate> mainActionDelegate;
    explicit RecordingMenuBar(CallLog& l) : log(l) {}
    void setMainActionDelegate(std::weak_ptr<kestrune::NavigationDelegate> delegate) override {
        mainActionDelegate = std::move(delegate);
    }
    void openMenuBar() override { log.add("open panel"); }
    void closeMenuBar() override { log.add("shut panel"); }
    void closeMenuBarForced() override { log.add("close panel"); }
    void removeIconFromMenuBar() override { log.add("remove icon"); }
    void openMenuBarForDuration(double seconds) override {
        log.add("panel " + std::to_string(seconds).substr(0, 3));
    }
    void updateViewForTrackingDevice() override { log.refresh("refresh panel"); }
    void showClearBluetoothCache() override { log.add("panel cache notice"); }
    void showUnableToLockMac() override { log.add("panel lock failed"); }
    void showUnableToUnlockMac() override { log.add("panel unlock failed"); }
    void showKestruneTemporaryDisabled() override { log.add("panel paused"); }
    void didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("unlinked notice");
    }
    void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("panel ios update");
    }
    void osXVersionNotUpToDate() override { log.add("panel mac update"); }
};

// A screen as the coordinator sees one: a plain view controller titled with what it is.
inline kestrune::ScreenController screenNamed(const std::string& name) {
    auto screen = std::make_shared<platform::ui::ViewController>();
    screen->setTitle(name);
    return screen;
}
inline std::string titleOf(const kestrune::ScreenController& screen) {
    return screen ? screen->title() : std::string("none");
}

struct RecordingNavigation : kestrune::SettingsNavigation {
    CallLog& log;
    std::weak_ptr<kestrune::NavigationDelegate> delegate;
    // Row selections finish at once unless the test holds them.
    bool holdSelections = false;
    std::vector<std::function<void()>> heldSelections;
    explicit RecordingNavigation(CallLog& l) : log(l) {}
    void initWithDelegate(std::weak_ptr<kestrune::NavigationDelegate> d) override { delegate = std::move(d); }
    void setup(const std::shared_ptr<platform::ui::Window>&) override {
        log.refresh("settings window set up");
    }
    void setFooterText(const std::string&) override { log.refresh("footer"); }
    void setInitialListViewModelFromFactory() override { log.add("rebuild settings"); }
    void selectRowId_completion(const std::string& row, std::function<void()> completion) override {
        log.add("select " + row);
        if (!completion) return;
        if (holdSelections)
            heldSelections.push_back(std::move(completion));
        else
            completion();
    }
    void showDetailList_title_source_popToRoot(const kestrune::ScreenController& list,
                                               const std::string& title, int64_t source,
                                               bool popToRoot) override {
        log.add("detail list " + titleOf(list) + " '" + title + "' " + std::to_string(source) +
                (popToRoot ? " root" : ""));
    }
    void showDetailController_title_source_popToRoot(const kestrune::ScreenController& controller,
                                                     const std::string& title, int64_t source,
                                                     bool popToRoot) override {
        log.add("detail controller " + titleOf(controller) + " '" + title + "' " + std::to_string(source) +
                (popToRoot ? " root" : ""));
    }
    void pushDetailController(const kestrune::ScreenController& c) override {
        log.add("push controller " + titleOf(c));
    }
    void pushDetailList(const kestrune::ScreenController& l) override { log.add("push list " + titleOf(l)); }
    void popViewModelAnimated(bool animated) override { log.add(animated ? "pop animated" : "pop"); }
    void popToRootAnimated(bool animated) override {
        log.add(animated ? "pop to root animated" : "pop to root");
    }
    void pop() override { log.add("pop page"); }
    void updateDevicesPage() override { log.add("devices page"); }
    void updateSetupPage() override { log.refresh("setup page"); }
    void updateUpdatesPage() override { log.add("updates page"); }
    void showLockUnlockHistory() override { log.add("history window"); }
    void showFailedLoginWindowWithEntry(const std::shared_ptr<platform::Object>& e) override {
        log.add(e ? "failed logins window with entry" : "failed logins window");
    }
    void showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& e) override {
        log.add(e ? "manual photos window with entry" : "manual photos window");
    }
    void showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& e) override {
        log.add(e ? "login photos window with entry" : "login photos window");
    }
    kestrune::ScreenController translationPage() override { return screenNamed("translation"); }
    // Runs the held row selections, in order.
    void finishSelections() {
        auto held = std::exchange(heldSelections, {});
        for (auto& completion : held) completion();
    }
};

struct RecordingTutorials : kestrune::TutorialScreens {
    CallLog& log;
    bool helpVisible = false, sleepWizardVisible = false, screensExist = true;
    std::function<void(bool)> visibilityHandler;
    std::function<void()> preferenceCompletion;
    std::map<std::string, kestrune::ScreenController> kept;
    explicit RecordingTutorials(CallLog& l) : log(l) {}
    kestrune::ScreenController keep(const std::string& name) {
        log.add(name);
        if (!screensExist) return nullptr;
        auto& screen = kept[name];
        if (!screen) screen = screenNamed(name);
        return screen;
    }
    kestrune::ScreenController initialTutorial(
        std::weak_ptr<kestrune::WizzardViewControllerDelegate>) override {
        return keep("pairing wizard");
    }
    kestrune::ScreenController proximityUnlockTutorial(
        std::weak_ptr<kestrune::WizzardViewControllerDelegate>) override {
        return keep("proximity tutorial");
    }
    kestrune::ScreenController macSleepScreenTutorial(
        std::weak_ptr<kestrune::MacSleepScreenViewControllerDelegate>) override {
        return keep("wake-unlock tutorial");
    }
    kestrune::ScreenController wifiWizzard(std::weak_ptr<kestrune::SafeWifiWizzardDelegate>) override {
        return keep("wifi wizard");
    }
    kestrune::ScreenController clipboardTutorial(
        std::weak_ptr<kestrune::ClipboardInfoViewControllerDelegate>) override {
        return keep("clipboard how-to");
    }
    kestrune::ScreenController clearCacheTutorial(
        std::weak_ptr<kestrune::ClearCacheControllerDelegate>) override {
        return keep("clear-cache wizard");
    }
    kestrune::ScreenController helpTutorial(std::weak_ptr<kestrune::HelpDelegate>) override {
        return keep("help pager");
    }
    kestrune::ScreenController initialConnectionTroubleShoot(std::weak_ptr<kestrune::HelpDelegate>) override {
        return keep("troubleshooting pager");
    }
    kestrune::ScreenController systemPreferenceTutorialwithCompletion(
        std::function<void()> completion) override {
        preferenceCompletion = std::move(completion);
        return keep("security page");
    }
    kestrune::ScreenController accessilityPreferenceTutorialwithCompletion(
        std::function<void()> completion) override {
        preferenceCompletion = std::move(completion);
        return keep("accessibility page");
    }
    void start(const kestrune::ScreenController& s) override { log.add("start " + titleOf(s)); }
    bool isVisible(const kestrune::ScreenController& s) override {
        return titleOf(s) == "help pager" ? helpVisible : false;
    }
    void setViewVisibilityHandler(const kestrune::ScreenController&, std::function<void(bool)> h) override {
        visibilityHandler = std::move(h);
    }
    bool helpTutorialIsVisible() override { return helpVisible; }
    bool macSleepScreenWizardIsVisible() override { return sleepWizardVisible; }
    void setCacheMessage(std::optional<int32_t> m) override {
        log.add(m ? "cache message " + std::to_string(*m) : "cache message none");
    }
    void updateViewForBLEUpdate() override { log.add("cache wizard refresh"); }
    void updatePageForCurrentState() override { log.add("wifi wizard refresh"); }
    void kestruneBroughtToFront() override { log.add("permissions recheck"); }
    void refreshHomeView() override { log.add("wizard home"); }
    void didSuccessfullyPair_withMobileDevice(bool accepted, const std::shared_ptr<MobileDevice>&) override {
        log.add(std::string("wizard paired ") + (accepted ? "1" : "0"));
    }
    void didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("wizard lost phone");
    }
    void showBluetoothNotSupported() override { log.add("no LE tutorial"); }
    void updatePairingWizzard() override { log.add("wizard request"); }
    void updateTutorialStateAfterConnectionUpdate() override { log.refresh("tutorial connection"); }
    void userDidLoginWithKestruneRSSI() override { log.add("tutorial proximity unlock"); }
    void userDidLogoutWithKestruneRSSI() override { log.add("tutorial proximity lock"); }
    void endAndCleanupTutorial() override { log.add("tutorial ended"); }
    void showKestruneTutorial() override { log.add("tutorial shown"); }
    void updateMacSleepScreenTutorialIfNeeded() override { log.refresh("wake-unlock tutorial refresh"); }
    void didSyncWithMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("tutorials synced");
    }
    void didUpdateBluetoothState() override { log.refresh("tutorials bluetooth"); }
    void lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>&) override {
        log.add("tutorials lost phone");
    }
    void didUnlockMacWithUserConfirmation() override { log.add("tutorial confirmed unlock"); }
    void windowControllerWillClose(kestrune::KSWindowController&) override {
        log.add("tutorials window closes");
    }
};

// The screen factory: each screen is a titled controller; the closures of its buttons are kept by title.
struct RecordingScreens : kestrune::InformationScreens {
    CallLog& log;
    std::map<std::string, Action> actions;
    explicit RecordingScreens(CallLog& l) : log(l) {}
    kestrune::ScreenController make(const std::string& name, Action action = nullptr) {
        log.add("screen " + name);
        if (action) actions[name] = std::move(action);
        return screenNamed(name);
    }
    // Presses the button of the last screen of that name; false when it had no action.
    bool press(const std::string& name) {
        auto it = actions.find(name);
        if (it == actions.end() || !it->second) return false;
        it->second();
        return true;
    }
    kestrune::ScreenController authOptionsVC() override { return make("auth"); }
    kestrune::ScreenController macOSXNotiicationsVC() override { return make("notifications"); }
    kestrune::ScreenController siriTutorialVCAction(Action a) override { return make("siri", a); }
    kestrune::ScreenController setupSiriTutorialVCAction(Action a) override { return make("siri setup", a); }
    kestrune::ScreenController touchIdTutorialVCAction(Action a) override { return make("touch id", a); }
    kestrune::ScreenController showYesNoTutorialVCAction(Action a) override { return make("yes no", a); }
    kestrune::ScreenController showKnockKnockTutorialVCAction(Action a) override { return make("knock", a); }
    kestrune::ScreenController macSleepScreenOverlayVC() override { return make("overlay"); }
    kestrune::ScreenController openSpaceInfoVC() override { return make("open space"); }
    kestrune::ScreenController manualPhotosVCWithCompletion(Action a) override {
        return make("manual photos", a);
    }
    kestrune::ScreenController distanceEstimationVC() override { return make("distance"); }
    kestrune::ScreenController proximityLockDisabledBecauseWifiVC() override { return make("paused wifi"); }
    kestrune::ScreenController proximityLockDisabledManualLoginVC() override { return make("paused login"); }
    kestrune::ScreenController updateKestruneOnYourPhoneDone(Action a) override {
        return make("update phone page", a);
    }
    kestrune::ScreenController updateMacVersion_check_next(const std::string& title, Action check,
                                                           Action next) override {
        log.add(next ? "mac update with next" : "mac update title " + title);
        return make("update mac page", check);
    }
    kestrune::ScreenController closeMainWindowTutorial(Action a) override { return make("close window", a); }
    kestrune::ScreenController rateOnAppStore(Action a) override { return make("rate", a); }
    kestrune::ScreenController confirmProximityUnlockTutorial(Action a) override {
        return make("confirm unlock", a);
    }
};

// The settings window: its showing and closing are recorded.
struct RecordingSplitWindow : platform::ui::Window {
    CallLog* log = nullptr;
    void makeKeyAndOrderFront(platform::ui::Responder* sender) override {
        if (log) log->add("show window");
        platform::ui::Window::makeKeyAndOrderFront(sender);
    }
    void close() override {
        if (log) log->add("close window");
        platform::ui::Window::close();
    }
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
    void mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>&, bool accepted) override {
        log.add(std::string("pairing answer ") + (accepted ? "1" : "0"));
    }
    void updateClipboardForMobileDevice_clipboardText(const std::shared_ptr<MobileDevice>&,
                                                      const std::string& text) override {
        log.add("clipboard to phone " + text);
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
    void startRemoteSync(kestrune::RemoteSyncMacDelegate* delegate) override {
        remoteDelegate = delegate;
        log.add("remote sync made");
    }
    void checkIfDeviceUnlinkedRemotely() override { log.add("remote unlink check"); }
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
    bool scanningIndicatorIsActive() override { return scanning; }
    double secondsSinceLastWakeNotification() override { return sinceWake; }
    void trackErrorType(const std::string& type) override { log.add("usage error " + type); }
    void sendSilentNotificationIfNeeded() override { log.add("silent push sent"); }
    void startRecoveryMode() override { log.add("recovery on"); }
    void stopRecoveryMode() override { log.add("recovery off"); }
    void turnBluetoothOnWithCompletion(std::function<void()> completion) override {
        log.add("bluetooth on");
        bluetoothCompletion = std::move(completion);
    }
    void deleteBluetoothPlistCacheFileWithCompletion(std::function<void(bool)> completion) override {
        log.add("delete cache");
        cacheCompletion = std::move(completion);
    }
    void authorizeWithMessage_completion(const std::string& message,
                                         std::function<void(bool)> completion) override {
        log.add("authorize " + message);
        authorization = std::move(completion);
    }
    void toggleLaunchAtStartupWithCompletion(std::function<void()> completion) override {
        log.add("login item toggled");
        if (completion) completion();
    }
    void userUpdatedScreensaverPreconditions() override { log.add("screensaver recheck"); }
    bool preconditionsToLockMacOnScreensaverAreSet() override { return screensaverReady; }
    void showDockIcon(bool show) override { log.add(show ? "dock on" : "dock off"); }
    void setDockIconBouncing(bool bouncing) override { log.add(bouncing ? "dock bounce" : "dock still"); }
    bool scanning = true, screensaverReady = true;
    double sinceWake = 1000;
    std::function<void()> bluetoothCompletion;
    std::function<void(bool)> cacheCompletion, authorization;
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
        menuBar = std::make_shared<RecordingMenuBar>(log);
        navigation = std::make_shared<RecordingNavigation>(log);
        tutorials = std::make_shared<RecordingTutorials>(log);
        screens = std::make_shared<RecordingScreens>(log);
        splitWindow = std::make_shared<RecordingSplitWindow>();
        splitWindow->initWithContentRect_styleMask_backing_defer({200, 200, 1095, 575},
                                                                 platform::ui::kWindowStyleTitled, 2, false);
        splitWindow->log = &log;
        system = std::make_shared<RecordingSystem>(log);
        link = std::make_shared<RecordingLink>(log);
        kestrune::CoordinatorServices services;
        services.features = features;
        services.commands = commands;
        services.menuBar = menuBar;
        services.navigation = navigation;
        services.tutorials = tutorials;
        services.screens = screens;
        services.splitWindow = splitWindow;
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
    std::shared_ptr<RecordingMenuBar> menuBar;
    std::shared_ptr<RecordingNavigation> navigation;
    std::shared_ptr<RecordingTutorials> tutorials;
    std::shared_ptr<RecordingScreens> screens;
    std::shared_ptr<RecordingSplitWindow> splitWindow;
    std::shared_ptr<RecordingSystem> system;
    std::shared_ptr<RecordingLink> link;
    std::shared_ptr<kestrune::StateMachine> machine;

private:
    std::shared_ptr<kestrune::RequestController> requestController_;
};

}  // namespace coordinatortests
