#include "windows/screens/TutorialFactory.h"

#include <algorithm>

#include "app/store/DataManager.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "windows/preferences/AccessibilityUpdateVM.h"
#include "windows/preferences/ScreensaverUpdateVM.h"

namespace kestrune {

namespace {

// The page a window-controller screen is shown as, kept by the factory with the screen.
ScreenController pageOf(const std::shared_ptr<KSWindowController>& controller,
                        std::vector<std::shared_ptr<BaseViewController>>& kept) {
    auto page = KSWindowControllerPage::pageFor(controller);
    if (page && std::find(kept.begin(), kept.end(), page) == kept.end()) kept.push_back(page);
    return page;
}

}  // namespace

template <typename T>
std::shared_ptr<T> TutorialFactory::makeWindowScreen() {
    auto screen = KSWindowController::create<T>();
    screen->window();
    return screen;
}

ScreenController TutorialFactory::clearCacheTutorial(std::weak_ptr<ClearCacheControllerDelegate> delegate) {
    if (!clearCacheController_) clearCacheController_ = BaseViewController::create<ClearCacheController>();
    clearCacheController_->setDelegate(std::move(delegate));
    return clearCacheController_;
}

ScreenController TutorialFactory::wifiWizzard(std::weak_ptr<SafeWifiWizzardDelegate> delegate) {
    if (!safeWifiWizzard_) safeWifiWizzard_ = makeWindowScreen<SafeWifiWizzard>();
    safeWifiWizzard_->setDelegate(std::move(delegate));
    return pageOf(safeWifiWizzard_, pages_);
}

ScreenController TutorialFactory::clipboardTutorial(
    std::weak_ptr<ClipboardInfoViewControllerDelegate> delegate) {
    if (!clipboardInfoViewController_)
        clipboardInfoViewController_ = makeWindowScreen<ClipboardInfoViewController>();
    clipboardInfoViewController_->setDelegate(std::move(delegate));
    return pageOf(clipboardInfoViewController_, pages_);
}

ScreenController TutorialFactory::proximityUnlockTutorial(
    std::weak_ptr<WizzardViewControllerDelegate> delegate) {
    if (!initialTutorialController_)
        initialTutorialController_ = makeWindowScreen<InitialTutorialController>();
    initialTutorialController_->setDelegate(std::move(delegate));
    return pageOf(initialTutorialController_, pages_);
}

ScreenController TutorialFactory::helpTutorial(std::weak_ptr<HelpDelegate> delegate) {
    if (!helpTutorialController_)
        helpTutorialController_ = BaseViewController::create<HelpTutorialController>();
    helpTutorialController_->setHelpDelegate(std::move(delegate));
    return helpTutorialController_;
}

ScreenController TutorialFactory::initialTutorial(std::weak_ptr<WizzardViewControllerDelegate> delegate) {
    if (!wizzardViewController_) wizzardViewController_ = makeWindowScreen<InitalWizzardController>();
    wizzardViewController_->setDelegate(std::move(delegate));
    return pageOf(wizzardViewController_, pages_);
}

ScreenController TutorialFactory::macSleepScreenTutorial(
    std::weak_ptr<MacSleepScreenViewControllerDelegate> delegate) {
    if (!macSleepScreenWIzzard_) macSleepScreenWIzzard_ = makeWindowScreen<MacSleepScreenViewController>();
    macSleepScreenWIzzard_->setDelegate(std::move(delegate));
    return pageOf(macSleepScreenWIzzard_, pages_);
}

ScreenController TutorialFactory::accessilityPreferenceTutorialwithCompletion(
    std::function<void()> completion) {
    if (!accessibilityPreferenceViewController_) {
        accessibilityPreferenceViewController_ =
            SystemPreferencesViewController::initWithVM(std::make_shared<AccessibilityUpdateVM>());
        accessibilityPreferenceViewController_->window();
    }
    accessibilityPreferenceViewController_->setDidUpdateSystemPreferences(std::move(completion));
    return pageOf(accessibilityPreferenceViewController_, pages_);
}

ScreenController TutorialFactory::systemPreferenceTutorialwithCompletion(std::function<void()> completion) {
    if (!systemPreferenceViewController_) {
        systemPreferenceViewController_ =
            SystemPreferencesViewController::initWithVM(std::make_shared<ScreensaverUpdateVM>());
        systemPreferenceViewController_->window();
    }
    systemPreferenceViewController_->setDidUpdateSystemPreferences(std::move(completion));
    return pageOf(systemPreferenceViewController_, pages_);
}

ScreenController TutorialFactory::initialConnectionTroubleShoot(std::weak_ptr<HelpDelegate> delegate) {
    if (!initialSetupTroubleshoot_)
        initialSetupTroubleshoot_ = BaseViewController::create<InitialConnectionTroubleShoot>();
    initialSetupTroubleshoot_->setHelpDelegate(std::move(delegate));
    return initialSetupTroubleshoot_;
}

void TutorialFactory::didUpdateBluetoothState() {
    if (initialTutorialController_) initialTutorialController_->didupdateBluetoothState();
    if (wizzardViewController_) {
        wizzardViewController_->didupdateBluetoothState();
        wizzardViewController_->refreshHomeView();
    }
    updateClipboardInfoControllerIfNeeded();
    if (clearCacheController_) clearCacheController_->updateViewForBLEUpdate();
}

void TutorialFactory::didSyncWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (initialTutorialController_) initialTutorialController_->updateTutorialStateForMobileDevice(phone);
    if (macSleepScreenWIzzard_) macSleepScreenWIzzard_->updateTutorialStepForCurrentStepIfNeeded();
    updateClipboardInfoControllerIfNeeded();
}

void TutorialFactory::updateMacSleepScreenTutorialIfNeeded() {
    if (macSleepScreenWIzzard_) macSleepScreenWIzzard_->updateTutorialStepForCurrentStepIfNeeded();
    if (initialTutorialController_)
        initialTutorialController_->updateTutorialStateAfterUpdatingTrackingInfo();
}

void TutorialFactory::updateClipboardInfoControllerIfNeeded() {
    if (clipboardInfoViewController_) clipboardInfoViewController_->updateViewForCurrentState();
}

void TutorialFactory::didUnlockMacWithUserConfirmation() {
    if (macSleepScreenWIzzard_) macSleepScreenWIzzard_->didUnlockMacWithUserConfirmation();
}

void TutorialFactory::lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    updateMacSleepScreenTutorialIfNeeded();
    if (wizzardViewController_) wizzardViewController_->didLooseConnectionWithMobileDevice(phone);
    if (initialTutorialController_) initialTutorialController_->updateTutorialStateAfterConnectionUpdate();
    updateClipboardInfoControllerIfNeeded();
}

void TutorialFactory::updatePairingWizzard() {
    if (!wizzardViewController_) return;
    auto& data = DataManager::shared();
    if (auto phone = data.pairingMobileDevice()) {
        if (data.didAcceptPairingDevice()) {
            wizzardViewController_->didAcceptPairWithMobileDevice(phone);
        } else {
            wizzardViewController_->didReceiveRequestToPairWithMobileDevice(phone);
        }
        return;
    }
    wizzardViewController_->startWizzardFromBeginningAnimated(false);
}

void TutorialFactory::windowControllerWillClose(KSWindowController&) {}

void TutorialFactory::start(const ScreenController& screen) {
    if (auto controller = KSWindowControllerPage::windowControllerOf(screen)) {
        if (auto tutorial = std::dynamic_pointer_cast<MacSleepScreenViewController>(controller))
            tutorial->start();
        if (auto wizard = std::dynamic_pointer_cast<SystemPreferencesViewController>(controller))
            wizard->start();
        return;
    }
    if (auto pager = std::dynamic_pointer_cast<BaseTutorialVC>(screen)) pager->start();
    if (auto wizard = std::dynamic_pointer_cast<ClearCacheController>(screen)) wizard->start();
}

bool TutorialFactory::isVisible(const ScreenController& screen) {
    if (auto controller = KSWindowControllerPage::windowControllerOf(screen)) {
        auto pager = std::dynamic_pointer_cast<KSPageViewControllerExtended>(controller);
        return pager && pager->isVisible();
    }
    auto page = std::dynamic_pointer_cast<BaseViewController>(screen);
    return page && page->isVisible();
}

void TutorialFactory::setViewVisibilityHandler(const ScreenController& screen,
                                               std::function<void(bool)> handler) {
    if (auto controller = KSWindowControllerPage::windowControllerOf(screen)) {
        if (auto pager = std::dynamic_pointer_cast<KSPageViewControllerExtended>(controller))
            pager->setViewVisibilityHandler(std::move(handler));
        return;
    }
    if (auto page = std::dynamic_pointer_cast<BaseViewController>(screen))
        page->setViewVisibilityHandler(std::move(handler));
}

bool TutorialFactory::helpTutorialIsVisible() {
    return helpTutorialController_ && helpTutorialController_->isVisible();
}

bool TutorialFactory::macSleepScreenWizardIsVisible() {
    return macSleepScreenWIzzard_ && macSleepScreenWIzzard_->isVisible();
}

void TutorialFactory::setCacheMessage(std::optional<int32_t> message) {
    if (clearCacheController_) clearCacheController_->setCacheMessage(message.value_or(0));
}

void TutorialFactory::updateViewForBLEUpdate() {
    if (clearCacheController_) clearCacheController_->updateViewForBLEUpdate();
}

void TutorialFactory::updatePageForCurrentState() {
    if (safeWifiWizzard_) safeWifiWizzard_->updatePageForCurrentState();
}

void TutorialFactory::kestruneBroughtToFront() {
    if (systemPreferenceViewController_) systemPreferenceViewController_->kestruneBroughtToFront();
    if (accessibilityPreferenceViewController_)
        accessibilityPreferenceViewController_->kestruneBroughtToFront();
}

void TutorialFactory::refreshHomeView() {
    if (wizzardViewController_) wizzardViewController_->refreshHomeView();
}

void TutorialFactory::didSuccessfullyPair_withMobileDevice(bool accepted,
                                                           const std::shared_ptr<MobileDevice>& phone) {
    if (wizzardViewController_) wizzardViewController_->didSuccessfullyPair_withMobileDevice(accepted, phone);
}

void TutorialFactory::didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (wizzardViewController_) wizzardViewController_->didLooseConnectionWithMobileDevice(phone);
}

void TutorialFactory::showBluetoothNotSupported() {
    if (wizzardViewController_) wizzardViewController_->showBluetoothNotSupported();
}

void TutorialFactory::updateTutorialStateAfterConnectionUpdate() {
    if (initialTutorialController_) initialTutorialController_->updateTutorialStateAfterConnectionUpdate();
}

void TutorialFactory::updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (initialTutorialController_) initialTutorialController_->updateTutorialStateForMobileDevice(phone);
}

void TutorialFactory::userDidLoginWithKestruneRSSI() {
    if (initialTutorialController_) initialTutorialController_->userDidLoginWithKestruneRSSI();
}

void TutorialFactory::userDidLogoutWithKestruneRSSI() {
    if (initialTutorialController_) initialTutorialController_->userDidLogoutWithKestruneRSSI();
}

void TutorialFactory::endAndCleanupTutorial() {
    if (initialTutorialController_) initialTutorialController_->endAndCleanupTutorial();
}

void TutorialFactory::showKestruneTutorial() {
    if (initialTutorialController_) initialTutorialController_->showKestruneTutorial();
}

}  // namespace kestrune
