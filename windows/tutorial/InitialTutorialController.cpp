#include "windows/tutorial/InitialTutorialController.h"

#include <algorithm>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileSettings.h"
#include "app/shell/DebugConfig.h"
#include "app/shell/SoundManager.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kInitialTutorialControllerLayout;
const ui::NibRegistry::Registration kInitialTutorialControllerLayout(
    "InitialTutorialController", [](ui::NibLoader& nib) {
        auto window = KSPageViewController::loadPagedWindow(nib);
        // The dots sit over the pages, centred between the pages' bottom buttons and the green strip under
        // them, on whole points so that they stay sharp.
        auto dots = nib.make<PageControl>({390, 18, 70, 10});
        dots->setAutoresizingMask(ui::kViewMinXMargin | ui::kViewMaxXMargin);
        window->contentView()->addSubview(dots);
        if (auto owner = nib.owner<InitialTutorialController>()) owner->pageControl = dots;
    });

std::optional<std::string> InitialTutorialController::nibName() const {
    return kInitialTutorialControllerLayout.name;
}

void InitialTutorialController::windowDidLoad() {
    KSPageViewControllerExtended::windowDidLoad();
    initializePages();
}

std::string InitialTutorialController::titleDescriptionText() const {
    return localizable("proximity_unlock_title");
}

int32_t InitialTutorialController::dotIndexForPage(int64_t page) {
    return static_cast<int32_t>(std::clamp<int64_t>(page, 0, kNumberOfDots - 1));
}

void InitialTutorialController::didFinishShowingPageAtIndex(int64_t index) {
    KSPageViewControllerExtended::didFinishShowingPageAtIndex(index);
    if (pageControl) pageControl->setDotActiveAtIndex_animated(dotIndexForPage(index), true);
}

void InitialTutorialController::initializePages() {
    if (pageControl) {
        pageControl->setNumberOfDots(kNumberOfDots);
        pageControl->setDotActiveAtIndex_animated(dotIndexForPage(pageIndex()), false);
    }
    setNumberOfPages(5);
    auto self = sharedAs<InitialTutorialController>();
    connectController_ = BaseViewController::create<MacSleepScreenConnectToiPhone>();
    connectController_->setConnectTutorialType(MacSleepScreenConnectToiPhone::kProximitySetUp);
    connectController_->setDelegate(std::static_pointer_cast<MacSleepScreenConnectToiPhoneDelegate>(self));
    addController_asPageAtIndex(connectController_, kConnectPage);
    tutorialSetup_ = BaseViewController::create<TutorialSetUpKestrune>();
    tutorialSetup_->setDelegate(std::static_pointer_cast<TutorialSetUpKestruneDelegate>(self));
    addController_asPageAtIndex(tutorialSetup_, kSetUpPage);
    tutorialWalkAway_ = BaseViewController::create<TutorialWalkAway>();
    tutorialWalkAway_->setDelegate(std::static_pointer_cast<TutorialWalkAwayDelegate>(self));
    addController_asPageAtIndex(tutorialWalkAway_, kWalkAwayPage);
    tutorialFinished_ = BaseViewController::create<TutorialFinished>();
    addController_asPageAtIndex(tutorialFinished_, kFinishedPage);
    finishViewController_ = BaseViewController::create<FinishViewController>();
    finishViewController_->setDelegate(std::static_pointer_cast<FinishViewControllerDelegate>(self));
    addController_asPageAtIndex(finishViewController_, kLastPage);
}

void InitialTutorialController::selectOption(int32_t option) {
    // The coordinator does not read the sender; the tutorial sends none.
    if (auto delegate = delegate_.lock()) delegate->wizzardViewController_didSelectOption(nullptr, option);
}

bool InitialTutorialController::isConnected(const std::shared_ptr<MobileDevice>& phone) {
    return phone && phone->mobileDeviceConnectionInfo() &&
           phone->mobileDeviceConnectionInfo()->isConnected() &&
           phone->mobileDeviceConnectionInfo()->isConnected()->boolValue();
}

bool InitialTutorialController::isTracking(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return false;
    auto settings = DataManager::shared().settingsForDeviceId(phone->unId());
    return settings && settings->mobileDeviceTrackInfo() &&
           settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice() &&
           settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()->boolValue();
}

void InitialTutorialController::showKestruneTutorial() {
    showTutorialForReason(TutorialSetUpKestrune::kOpenedByUser);
}

void InitialTutorialController::showTutorialAfterPairing() {
    showTutorialForReason(TutorialSetUpKestrune::kAfterPairing);
}

void InitialTutorialController::showTutorialForReason(int32_t reason) {
    tutorialIsActive_ = true;
    if (tutorialSetup_) tutorialSetup_->setShowViewReason(reason);
    setTutorialState_animated(kSetUp, false);
}

void InitialTutorialController::setTutorialState_animated(int32_t state, bool animated) {
    if (!tutorialIsActive_) return;
    auto phone = DataManager::shared().getTrackingMobileDevice();
    tutorialState_ = state;
    switch (state) {
        case kNotConnected:
            showPageAtIndex_animated(kConnectPage, animated);
            break;
        case kSetUp:
            if (!isConnected(phone)) return setTutorialState(kNotConnected);
            if (isTracking(phone)) return setTutorialState(kWalkAway);
            if (tutorialSetup_ && phone->mobileDeviceInfo())
                tutorialSetup_->setIPhoneName(phone->mobileDeviceInfo()->deviceName().value_or(""));
            showPageAtIndex_animated(kSetUpPage, animated);
            break;
        case kWalkAway:
            if (!isConnected(phone)) return setTutorialState(kNotConnected);
            showPageAtIndex_animated(kWalkAwayPage, animated);
            break;
        case kUnlocked:
            DeviceLocalSettings::shared().setDidShowTutorialAtLeastOnce(true);
            showFinishShareScreen();
            break;
        default:
            break;
    }
}

void InitialTutorialController::updateTutorialStateAfterConnectionUpdate() {
    if (!tutorialIsActive_) return;
    if (isConnected(DataManager::shared().getTrackingMobileDevice())) {
        if (tutorialState_ == kNotConnected) setTutorialState(kSetUp);
    } else {
        setTutorialState(kNotConnected);
    }
}

void InitialTutorialController::updateTutorialStateAfterUpdatingTrackingInfo() {
    if (!tutorialIsActive_) return;
    auto phone = DataManager::shared().getTrackingMobileDevice();
    const bool tracking = isTracking(phone);
    if ((tutorialState_ == kWalkAway || tutorialState_ == kLocked) && !tracking) setTutorialState(kSetUp);
    if (tutorialState_ == kSetUp && tracking) {
        setTutorialState(kWalkAway);
        selectOption(WizzardViewControllerDelegate::kCloseMenuBarShortly);
    }
    updateTutorialStateForMobileDevice(phone);
}

void InitialTutorialController::updateTutorialStateForMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (tutorialIsActive_ && tutorialState_ == kWalkAway) updateStateForTutorialForMobileDevice(phone);
}

void InitialTutorialController::updateStateForTutorialForMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (tutorialWalkAway_) tutorialWalkAway_->updateViewForMobileDevice(phone);
}

void InitialTutorialController::userDidLogoutWithKestruneRSSI() {
    if (!tutorialIsActive_ || tutorialState_ != kWalkAway) return;
    setTutorialState(kLocked);
    selectOption(WizzardViewControllerDelegate::kNotifyLockedByWalkingAway);
}

void InitialTutorialController::userDidLoginWithKestruneRSSI() {
    if (!tutorialIsActive_ || tutorialState_ != kLocked) return;
    setTutorialState(kUnlocked);
    SoundManager::playFinishSound();
    selectOption(WizzardViewControllerDelegate::kNotifyUnlockedByComingBack);
}

void InitialTutorialController::didupdateBluetoothState() {
    if (connectController_) connectController_->updateViewForNewBluetoothState();
}

void InitialTutorialController::tutorialSelectOpenMainMenu(TutorialSetUpKestrune&) {
    selectOption(WizzardViewControllerDelegate::kOpenMenuBar);
}

void InitialTutorialController::tutorialWalkAwayDidSelectFinishTutorial(TutorialWalkAway&) {
    showWeAreDoneScreen();
}

void InitialTutorialController::macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone&,
                                                                              int32_t option) {
    if (option == MacSleepScreenConnectToiPhone::kTurnBluetoothOn)
        selectOption(WizzardViewControllerDelegate::kTurnBluetoothOn);
    if (option == MacSleepScreenConnectToiPhone::kTroubleConnecting)
        selectOption(WizzardViewControllerDelegate::kTroubleConnecting);
}

void InitialTutorialController::finishViewController_didSelectOption(FinishViewController&, int32_t option) {
    // 0 reaches the coordinator as an option it ignores.
    if (option == FinishViewController::kShowTutorial)
        selectOption(WizzardViewControllerDelegate::kShowProximityTutorial);
    if (option == 0) selectOption(0);
}

void InitialTutorialController::showWeAreDoneScreen() {
    tutorialIsActive_ = false;
    showPageAtIndex_animated(kLastPage, true);
    if (finishViewController_) finishViewController_->updateView();
}

void InitialTutorialController::showFinishShareScreen() {
    tutorialIsActive_ = false;
    showPageAtIndex_animated(kFinishedPage, true);
    if (tutorialFinished_) tutorialFinished_->playCelebrateAnimation();
}

bool InitialTutorialController::didShowTutorialAtLeastOnce() {
    if (DebugConfig::isDebugOrBetaTester()) return false;
    return DeviceLocalSettings::shared().didShowTutorialAtLeastOnce();
}

}  // namespace kestrune
