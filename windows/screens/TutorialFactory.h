#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/KSWindowControllerDelegate.h"
#include "windows/clipboard/ClipboardInfoViewController.h"
#include "windows/help/ClearCacheController.h"
#include "windows/help/HelpTutorialController.h"
#include "windows/help/InitialConnectionTroubleShoot.h"
#include "windows/preferences/SystemPreferencesViewController.h"
#include "windows/tutorial/InitialTutorialController.h"
#include "windows/wakeunlock/MacSleepScreenViewController.h"
#include "windows/wifi/SafeWifiWizzard.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

// The application's long-lived wizards and tutorials: each is made the first time it is asked for and
// kept for the run, and every later request hands the same one back with the delegate (or completion)
// of that request. The coordinator's events reach the ones that exist; one that does not exist is
// skipped. Screens made as window controllers cross the coordinator's interface as their pages.
class TutorialFactory : public TutorialScreens, public KSWindowControllerDelegate {
public:
    // The getters that make once and set the delegate each time.
    ScreenController clearCacheTutorial(std::weak_ptr<ClearCacheControllerDelegate> delegate) override;
    ScreenController wifiWizzard(std::weak_ptr<SafeWifiWizzardDelegate> delegate) override;
    ScreenController clipboardTutorial(std::weak_ptr<ClipboardInfoViewControllerDelegate> delegate) override;
    ScreenController proximityUnlockTutorial(std::weak_ptr<WizzardViewControllerDelegate> delegate) override;
    ScreenController helpTutorial(std::weak_ptr<HelpDelegate> delegate) override;
    ScreenController initialTutorial(std::weak_ptr<WizzardViewControllerDelegate> delegate) override;
    ScreenController macSleepScreenTutorial(
        std::weak_ptr<MacSleepScreenViewControllerDelegate> delegate) override;
    ScreenController accessilityPreferenceTutorialwithCompletion(std::function<void()> completion) override;
    ScreenController systemPreferenceTutorialwithCompletion(std::function<void()> completion) override;
    ScreenController initialConnectionTroubleShoot(std::weak_ptr<HelpDelegate> delegate) override;

    // Events, each passed to the screens that exist.
    void didUpdateBluetoothState() override;
    void didSyncWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void updateMacSleepScreenTutorialIfNeeded() override;
    void updateClipboardInfoControllerIfNeeded();
    void didUnlockMacWithUserConfirmation() override;
    void lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    // The pairing wizard resumes where the pairing stands: a phone accepted, a phone asking, or none.
    void updatePairingWizzard() override;
    // Nothing: the factory only satisfies the window delegate's role.
    void windowControllerWillClose(KSWindowController& controller) override;

    // What the coordinator tells a kept screen.
    void start(const ScreenController& screen) override;
    bool isVisible(const ScreenController& screen) override;
    void setViewVisibilityHandler(const ScreenController& screen, std::function<void(bool)> handler) override;
    bool helpTutorialIsVisible() override;
    bool macSleepScreenWizardIsVisible() override;
    // None is the plain message, 0.
    void setCacheMessage(std::optional<int32_t> message) override;
    void updateViewForBLEUpdate() override;
    void updatePageForCurrentState() override;
    void kestruneBroughtToFront() override;
    void refreshHomeView() override;
    void didSuccessfullyPair_withMobileDevice(bool accepted,
                                              const std::shared_ptr<MobileDevice>& phone) override;
    void didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void showBluetoothNotSupported() override;
    void updateTutorialStateAfterConnectionUpdate() override;
    void updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void userDidLoginWithKestruneRSSI() override;
    void userDidLogoutWithKestruneRSSI() override;
    void endAndCleanupTutorial() override;
    void showKestruneTutorial() override;

    // The kept screens; none until first asked for.
    const std::shared_ptr<InitalWizzardController>& wizzardViewController() const {
        return wizzardViewController_;
    }
    const std::shared_ptr<InitialTutorialController>& initialTutorialController() const {
        return initialTutorialController_;
    }
    const std::shared_ptr<MacSleepScreenViewController>& macSleepScreenWIzzard() const {
        return macSleepScreenWIzzard_;
    }
    const std::shared_ptr<HelpTutorialController>& helpTutorialController() const {
        return helpTutorialController_;
    }
    const std::shared_ptr<ClipboardInfoViewController>& clipboardInfoViewController() const {
        return clipboardInfoViewController_;
    }
    const std::shared_ptr<ClearCacheController>& clearCacheController() const {
        return clearCacheController_;
    }
    const std::shared_ptr<SystemPreferencesViewController>& systemPreferenceViewController() const {
        return systemPreferenceViewController_;
    }
    const std::shared_ptr<SystemPreferencesViewController>& accessibilityPreferenceViewController() const {
        return accessibilityPreferenceViewController_;
    }
    const std::shared_ptr<InitialConnectionTroubleShoot>& initialSetupTroubleshoot() const {
        return initialSetupTroubleshoot_;
    }
    const std::shared_ptr<SafeWifiWizzard>& safeWifiWizzard() const { return safeWifiWizzard_; }

private:
    // A window-controller screen made and its window loaded, so that it can hear events at once.
    template <typename T>
    static std::shared_ptr<T> makeWindowScreen();

    std::shared_ptr<InitalWizzardController> wizzardViewController_;
    std::shared_ptr<InitialTutorialController> initialTutorialController_;
    std::shared_ptr<MacSleepScreenViewController> macSleepScreenWIzzard_;
    std::shared_ptr<HelpTutorialController> helpTutorialController_;
    std::shared_ptr<ClipboardInfoViewController> clipboardInfoViewController_;
    std::shared_ptr<ClearCacheController> clearCacheController_;
    std::shared_ptr<SystemPreferencesViewController> systemPreferenceViewController_;
    std::shared_ptr<SystemPreferencesViewController> accessibilityPreferenceViewController_;
    std::shared_ptr<InitialConnectionTroubleShoot> initialSetupTroubleshoot_;
    std::shared_ptr<SafeWifiWizzard> safeWifiWizzard_;
    // The pages the window-controller screens cross the coordinator's interface as, kept with them.
    std::vector<std::shared_ptr<BaseViewController>> pages_;
};

}  // namespace kestrune
