#include "windows/wakeunlock/MacSleepScreenViewController.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/wifi/SafeWifiManager.h"

namespace kestrune {

namespace {

using Option = MacSleepScreenViewControllerDelegate::Option;

bool isConnected(const std::shared_ptr<MobileDevice>& phone) {
    auto info = phone ? phone->mobileDeviceConnectionInfo() : nullptr;
    return info && info->isConnected() && info->isConnected()->boolValue();
}

}  // namespace

void MacSleepScreenViewController::windowDidLoad() {
    KSPageViewControllerExtended::windowDidLoad();
    initializePages();
    start();
    std::weak_ptr<MacSleepScreenViewController> weak = sharedAs<MacSleepScreenViewController>();
    // Ends with the tutorial.
    safeWifiObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        SafeWifiManager::kSafeWifiChangedOnOffState, nullptr, [weak](const platform::Notification&) {
            if (auto tutorial = weak.lock()) tutorial->safeWifiUpdate();
        });
}

std::string MacSleepScreenViewController::titleDescriptionText() const {
    return localizable("mac_wake_unlock");
}

void MacSleepScreenViewController::initializePages() {
    setNumberOfPages(kNumberOfPages);
    auto self = sharedAs<MacSleepScreenViewController>();
    firstViewController_ = BaseViewController::create<MacSleepScreenFirstViewController>();
    firstViewController_->setDelegate(
        std::static_pointer_cast<MacSleepScreenFirstViewControllerDelegate>(self));
    addController_asPageAtIndex(firstViewController_, kIntroduction);
    connectToiPhoneViewController_ = BaseViewController::create<MacSleepScreenConnectToiPhone>();
    connectToiPhoneViewController_->setConnectTutorialType(MacSleepScreenConnectToiPhone::kWakeUnlock);
    connectToiPhoneViewController_->setDelegate(
        std::static_pointer_cast<MacSleepScreenConnectToiPhoneDelegate>(self));
    addController_asPageAtIndex(connectToiPhoneViewController_, kConnect);
    turnKestruneOffViewController_ = BaseViewController::create<MacSleepScreenTurnKestruneOff>();
    turnKestruneOffViewController_->setDelegate(
        std::static_pointer_cast<MacSleepScreenTurnKestruneOffDelegate>(self));
    addController_asPageAtIndex(turnKestruneOffViewController_, kTurnOff);
    tutorialViewController_ = BaseViewController::create<MacSleepScreenTutorialStepViewController>();
    tutorialViewController_->setDelegate(
        std::static_pointer_cast<MacSleepScreenTutorialStepViewControllerDelegate>(self));
    addController_asPageAtIndex(tutorialViewController_, kTryIt);
    tutorialFinishedViewController_ = BaseViewController::create<TutorialFinished>();
    addController_asPageAtIndex(tutorialFinishedViewController_, kFinished);
}

void MacSleepScreenViewController::start() {
    setTutorialStep(kIntroduction);
}

void MacSleepScreenViewController::setTutorialStep_animated(int32_t step, bool animated) {
    tutorialStep_ = step;
    if (step < kIntroduction || step > kFinished) return;
    showPageAtIndex_animated(step, animated);
    if (step == kFinished && tutorialFinishedViewController_)
        tutorialFinishedViewController_->playCelebrateAnimation();
}

void MacSleepScreenViewController::forceUpdateTutorialStepForCurrentState() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !isConnected(phone)) return setTutorialStep(kConnect);
    setTutorialStep(allRequirementsFulfulledToStartTutorial() ? kTryIt : kTurnOff);
}

void MacSleepScreenViewController::updateTutorialStepForCurrentStepIfNeeded() {
    if (shouldUpdateTutorialStepForSettingsChanges()) forceUpdateTutorialStepForCurrentState();
    updateAllSteps();
}

bool MacSleepScreenViewController::shouldUpdateTutorialStepForSettingsChanges() const {
    return tutorialStep_ != kIntroduction && tutorialStep_ != kFinished;
}

void MacSleepScreenViewController::updateAllSteps() {
    if (turnKestruneOffViewController_) turnKestruneOffViewController_->updateViewForNewSettings();
    if (tutorialViewController_) tutorialViewController_->updateViewForNewSettings();
    if (connectToiPhoneViewController_) connectToiPhoneViewController_->updateViewForNewBluetoothState();
}

void MacSleepScreenViewController::safeWifiUpdate() {
    updateTutorialStepForCurrentStepIfNeeded();
}

void MacSleepScreenViewController::didUnlockMacWithUserConfirmation() {
    if (shouldUpdateTutorialStepForSettingsChanges() && allRequirementsFulfulledToStartTutorial())
        setTutorialStep_animated(kFinished, false);
}

bool MacSleepScreenViewController::allRequirementsFulfulledToStartTutorial() {
    auto& manager = DataManager::shared();
    auto phone = manager.getTrackingMobileDevice();
    if (!phone) return false;
    auto settings = manager.settingsForDeviceId(phone->unId());
    auto info = settings ? settings->mobileDeviceTrackInfo() : nullptr;
    const bool tracking =
        info && info->shouldTrackMobileDevice() && info->shouldTrackMobileDevice()->boolValue();
    return !tracking && !SafeWifiManager::shared().safeWifiTurnedOn();
}

void MacSleepScreenViewController::macSleepScreenFirstViewControllerDidSelectShowTutorial(
    MacSleepScreenFirstViewController&) {
    forceUpdateTutorialStepForCurrentState();
}

void MacSleepScreenViewController::macSleepScreenTutorialStepViewController_didSelectOption(
    MacSleepScreenTutorialStepViewController&, int32_t option) {
    if (option == MacSleepScreenTutorialStepViewController::kMethodChanged)
        selectOption(Option::kDidUpdateMacSleepScreenUnlock);
    if (option == MacSleepScreenTutorialStepViewController::kSleepNow) selectOption(Option::kLockNow);
}

void MacSleepScreenViewController::macSleepScreenTurnKestruneOff_didSelectOption(
    MacSleepScreenTurnKestruneOff&, int32_t option) {
    if (option == MacSleepScreenTurnKestruneOff::kOpenMainMenu) selectOption(Option::kShowMainMenu);
    if (option == MacSleepScreenTurnKestruneOff::kTrackingSwitchedOff) selectOption(Option::kSendTrackInfo);
    if (option == MacSleepScreenTurnKestruneOff::kTurnSafeWifiOff) selectOption(Option::kTurnSafeWifiOff);
}

void MacSleepScreenViewController::macSleepScreenConnectToiPhone_didSelectOption(
    MacSleepScreenConnectToiPhone&, int32_t option) {
    if (option == MacSleepScreenConnectToiPhone::kTurnBluetoothOn) selectOption(Option::kTurnBluetoothOn);
    if (option == MacSleepScreenConnectToiPhone::kTroubleConnecting) selectOption(Option::kTroubleConnecting);
}

void MacSleepScreenViewController::selectOption(int32_t option) {
    if (auto delegate = delegate_.lock())
        delegate->macSleepScreenViewController_didSelectOption(this, option);
}

}  // namespace kestrune
