#pragma once

#include <functional>
#include <memory>

#include "app/shell/ShellServices.h"
#include "engine/CoordinatorServices.h"
#include "engine/PeriodicNotifierController.h"
#include "link/RequestControllerDelegate.h"

namespace platform {
class Timer;
}

namespace kestrune {

// The coordinator of the running application: builds the running system at launch, is the one
// delegate of the long-lived controllers, and stops it all again. It keeps no state enumeration of its
// own; every decision reads the per-phone records and the local settings at that moment. Everything it
// does runs on the main thread. A missing tracked phone, settings record or user is never an error:
// the step that would use it does nothing.
class StateMachine : public StateMachineInterface,
                     public PeriodicNotifierControllerDelegate,
                     public RequestControllerDelegate,
                     public std::enable_shared_from_this<StateMachine> {
public:
    static std::shared_ptr<StateMachine> create(CoordinatorServices services = {});
    ~StateMachine() override;

    // StateMachineInterface: the application delegate's calls.
    void applicationDidFinishLoading(bool openSettingsWindow) override;
    void dockItemToggled() override;
    void applicationWillTerminate() override;
    void macWillShutDown() override;
    void showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object> entry) override;
    void showLockUnlockHistory() override;
    void showMainMenu() override;

    // Start-up and the hooks that start scanning.
    void startScanningAndConnection();
    void applicationDidWake();
    void bluetoothStateChanged();
    void didUpdateBluetoothState();
    void startScanningIndicatorIfNeeded();
    void performTasksAfterStartupDelay();

    // The fail-safe connect timer: cleans the ignore list when no phone connected in time.
    void startFailSafeTimerWithDelay(int seconds);
    void invalidateFailSafeTimer();
    void startFailsafeTimeAfterDelayIfNeeded();
    bool failSafeTimerIsRunning() const;
    void cleanTheIgnoreListOfBadConnectionsIfNeeded();
    void periodicNotifierControllerDidTrigger(PeriodicNotifierController& controller) override;

    void updateDataModelBeforeStartingToScan();

    // The lid and the external monitors: scanning resumes when the Mac is usable again, and the phone
    // hears of the lid-down-without-monitor fact only when it changes.
    void laptopLidChangedOrExternalMonitorChanged();
    void updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
    void anyKestruneWindowWillClose();
    void applicationWillSleep() {}
    bool applicationDidRestartProgramaticallyInTheLastSeconds(int seconds);

    // Stopping.
    void prepareForShutdown(bool immediately);
    void cleanUpAndQuitKestrune();
    // The link reports a connect failure it cannot recover from: relaunch, at most once in 300 s.
    void requestControllerDidExperienceFatalError();
    bool applicationInShutdownProcess() const { return applicationInShutdownProcess_; }

    // The views.
    void updateViewsForMobileTrackUpdate();
    void scanningUpdated();
    void didReceiveUpdatesUpdate();
    void updateStatuIcon();
    void updateDockItem();
    bool mainWindowIsShown();
    bool shouldShowDockItem() { return mainWindowIsShown(); }

    // Locking from the Mac, hot keys, failed logins and the lock after a lost connection.
    void logoutTrackingDeviceForCommadReason(int32_t reason);
    void userDidSelectLockMac();
    void shortCutManager_didSelectOption(int32_t option);
    void failedloginAttemptListenerDidDetectFailedLogin();
    void logoutOnDisconnectManagerShouldLogout();
    void sendNotification_usePushNotificationIfNeeded(int32_t code, bool usePush);

    // Phone events.
    void requestController_didReceiveLoginCommandFromMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void requestController_didReceiveLogoutCommandFromMobileDevice(
        const std::shared_ptr<MobileDevice>& phone);
    void updateConnectionStatus_forDevice_andNotifyDevice(int32_t status,
                                                          const std::shared_ptr<MobileDevice>& phone,
                                                          bool notify);
    void forgetAndDisconnectMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    bool shouldStartLogoutOnDisconnect(const std::shared_ptr<MobileDevice>& phone);
    // Sends this Mac's session state to the phone: 1 the phone or proximity caused it, 2 the Mac.
    void didChangeLoginStateBy(int32_t responsible);

    // RequestControllerDelegate: what the phone link reports. Those with a handler above go to it; the
    // rest are logged until their handlers land.
    void requestController_protocolVersionNotMatching(RequestController& controller,
                                                      bool macMustUpdate) override;
    void requestController_didUpdateRSSI_fromMobileDevice(
        RequestController& controller, const platform::Number& distance,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didDisconnectFromMobileDevice(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestControllerDidExperienceFatalError(RequestController& controller) override;
    void requestControllerDidExperienceCorruptedBluetoothCache(RequestController& controller) override;
    void requestController_didReceiveRequestToConnectToMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didSuccessfullyPair_withMobileDevice(
        RequestController& controller, bool success, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveMobileNotification(RequestController& controller, int32_t code) override;
    void requestController_didUpdateSessionInfoForDevice(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didStartSyncingWithMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didChangeSettings_forMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDeviceTrackInfo>& settings,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didChangeTrackingDistance_forMobileDevice(
        RequestController& controller, int32_t distance, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didConfirmAuthRequest_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveLoginCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveLogoutCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateApplicationStateFromMobileDevice_withState(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone,
        const platform::Number& state) override;
    void requestController_didUpdateConnectionStatus_fromMobileDevice(
        RequestController& controller, const platform::Number& status,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didConfirmLogin_fromMobileDevice(
        RequestController& controller, const platform::Number& confirmed,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateMobileDeviceSettings(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateClipboardText_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateIosClipboard_forDevice(
        RequestController& controller, bool copied, const std::shared_ptr<MobileDevice>& phone) override;

    const CoordinatorServices& services() const { return services_; }
    // The phone link, created at start-up; none before.
    const std::shared_ptr<RequestController>& requestController() const { return requestController_; }
    bool trackedPhoneIsConnected() const;

    static constexpr int kRestartWindowAtStart = 12;
    static constexpr int kRestartWindowOnFatalError = 300;
    static constexpr double kScanningStartDelay = 0.2;
    static constexpr double kStartupTasksDelay = 7.0;
    static constexpr double kTerminateDelay = 1.5;
    static constexpr long kIgnoreListCleaningInterval = 240;

private:
    explicit StateMachine(CoordinatorServices services);
    void startUp(bool openSettingsWindow);
    void initalizeView(bool show);
    void registerForNotifications();
    void setupKestruneAfterSystemWake();
    void updateBluetoothCacheBookkeeping();
    void failSafeTimerTrigered();
    void setWaitingForConfirmation(const std::shared_ptr<MobileDevice>& phone, int32_t value);
    bool isTrackedPhone(const std::shared_ptr<MobileDevice>& phone) const;
    void later(double seconds, std::function<void(StateMachine&)> step);

    void createRequestController();

    CoordinatorServices services_;
    // The caller gave no link service: once the request controller exists the coordinator's requests go
    // to it.
    bool linkToRequestController_ = false;
    std::shared_ptr<RequestController> requestController_;
    std::unique_ptr<PeriodicNotifierController> periodicIgnoreListCleaner_;
    std::shared_ptr<platform::Timer> failSafeConnectTimer_;
    bool started_ = false;
    bool didFinishSyncWithDevice_ = false;
    bool applicationInShutdownProcess_ = false;
};

}  // namespace kestrune
