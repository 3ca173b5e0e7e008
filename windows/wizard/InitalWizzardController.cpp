#include "windows/wizard/InitalWizzardController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/SoundManager.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/ui/Layer.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/KSViewControllerFactory.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

namespace {

// Deny is the way out, not the way on: an outline in the product green beside the filled Accept.
void drawAsTheWayOut(const std::shared_ptr<ui::Button>& button) {
    if (!button) return;
    if (auto coloured = std::dynamic_pointer_cast<ColouredTitleButton>(button))
        coloured->setTitleColor(kestruneGreen());
    button->setWantsLayer(true);
    button->layer()->setBackgroundColor(ui::Color::whiteColor());
    button->layer()->setBorderColor(kestruneGreen());
    button->layer()->setBorderWidth(1.5);
}

}  // namespace

void InitalWizzardController::windowDidLoad() {
    KSPageViewControllerExtended::windowDidLoad();
    initializePages();
}

std::string InitalWizzardController::titleDescriptionText() const {
    return localizable("add_new_device_action");
}

template <typename PageType>
void InitalWizzardController::addPage(const std::shared_ptr<PageType>& page, int64_t index,
                                      bool refreshesAcceptText) {
    std::weak_ptr<InitalWizzardController> weak = sharedAs<InitalWizzardController>();
    page->setViewDidAppearHandler([weak, refreshesAcceptText] {
        auto wizard = weak.lock();
        if (!wizard) return;
        if (refreshesAcceptText) wizard->updateAcceptViewController();
        wizard->updateRecoveryMode();
    });
    page->setViewDidDissapearHandler([weak] {
        if (auto wizard = weak.lock()) wizard->updateRecoveryMode();
    });
    addController_asPageAtIndex(page, index);
}

void InitalWizzardController::initializePages() {
    setNumberOfPages(3);
    std::weak_ptr<InitalWizzardController> weak = sharedAs<InitalWizzardController>();
    auto option = [weak](int32_t chosen) {
        return [weak, chosen] {
            if (auto wizard = weak.lock()) wizard->selectOption(chosen);
        };
    };
    homeController_ = KSViewControllerFactory::downloadAndOpenKestruneRescan_troubleshoot(
        option(WizzardViewControllerDelegate::kRescan),
        option(WizzardViewControllerDelegate::kTroubleshootInitialConnection));
    addPage(homeController_, kHomePage, false);
    acceptViewController_ = KSViewControllerFactory::createAcceptViewControllerAccept_deny(
        [weak] {
            if (auto wizard = weak.lock()) wizard->userDidAcceptConnection();
        },
        [weak] {
            if (auto wizard = weak.lock()) wizard->userDidDenyConnection();
        });
    drawAsTheWayOut(acceptViewController_->rightbutton);
    addPage(acceptViewController_, kAcceptPage, true);
    configureViewController_ = BaseViewController::create<ConfigureViewController>();
    addPage(configureViewController_, kConfigurePage, false);
    configureViewController_->setDevice(DataManager::shared().getActiveDesktopDevice());
    configureViewController_->setDeviceUser(DataManager::shared().getActiveDesktopUser());
}

void InitalWizzardController::selectOption(int32_t option) {
    if (auto delegate = delegate_.lock()) delegate->wizzardViewController_didSelectOption(this, option);
}

void InitalWizzardController::startWizzardFromBeginningAnimated(bool animated) {
    resetHelpView();
    showPageAtIndex_animated(kHomePage, animated);
}

void InitalWizzardController::didReceiveRequestToPairWithMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    pairingMobileDevice_ = phone;
    updateAcceptViewController();
    showPageAtIndex_animated(kAcceptPage, true);
}

void InitalWizzardController::didAcceptPairWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    pairingMobileDevice_ = phone;
    updateAcceptViewController();
    showPageAtIndex_animated(kConfigurePage, true);
}

void InitalWizzardController::didSuccessfullyPair_withMobileDevice(bool success,
                                                                   const std::shared_ptr<MobileDevice>&) {
    if (success) return devicesHavePairedSuccesfully();
    showPageAtIndex_animated(kHomePage, true);
}

void InitalWizzardController::didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    const auto& pairing = DataManager::shared().pairingMobileDevice();
    if (!phone || !pairing) return;
    // The same phone: the same record, or a record of the same identifier.
    const bool same =
        phone == pairing || (phone->unId() && pairing->unId() && *phone->unId() == *pairing->unId());
    if (same) startWizzardFromBeginningAnimated(true);
}

void InitalWizzardController::showBluetoothNotSupported() {
    showNotSupportedWithReason(NotSupportedViewController::kNoBluetoothLE);
}

void InitalWizzardController::showMacVersionNotSupported() {
    showNotSupportedWithReason(NotSupportedViewController::kSystemTooOld);
}

void InitalWizzardController::showNotSupportedWithReason(int32_t reason) {
    // One page over the pager, however often it is asked for.
    if (!notSupportedViewController_) {
        notSupportedViewController_ = BaseViewController::create<NotSupportedViewController>();
        notSupportedViewController_->setDelegate(
            std::dynamic_pointer_cast<NotSupportedViewControllerDelegate>(
                sharedAs<InitalWizzardController>()));
    }
    auto main = mainView();
    auto page = notSupportedViewController_->view();
    page->setFrame(main ? main->bounds() : ui::Rect{});
    if (main) {
        page->removeFromSuperview();
        main->addSubview(page);
    }
    showCloseButton(true);
    notSupportedViewController_->setNotSupportedReason(reason);
}

void InitalWizzardController::refreshHomeView() {
    if (homeController_) homeController_->setRightButtonLoading(ScanningIndicator::shared().timerIsActive());
}

bool InitalWizzardController::performCustomActionOnBackButtonToggled() {
    if (pageIndex() != kAcceptPage && pageIndex() != kConfigurePage) return false;
    showPageAtIndex_animated(kHomePage, true);
    userDidDenyConnection();
    return true;
}

void InitalWizzardController::updateAcceptViewController() {
    if (!acceptViewController_) return;
    std::string name;
    if (pairingMobileDevice_ && pairingMobileDevice_->mobileDeviceInfo())
        name = pairingMobileDevice_->mobileDeviceInfo()->deviceName().value_or("");
    // The page's title is the phone asking (the screen factory leaves it for the wizard to fill).
    if (acceptViewController_->titleTextField) acceptViewController_->titleTextField->setStringValue(name);
    // The phone's name is the phone's own text: spliced in, never read as a format.
    if (acceptViewController_->textField)
        acceptViewController_->textField->setStringValue(
            stringWithTextArgument(localizable("iphone_wants_to_connect"), name));
}

void InitalWizzardController::updateRecoveryMode() {
    bool scan = false;
    if (homeController_ && homeController_->isVisible()) {
        scan = true;
    } else if (acceptViewController_ && acceptViewController_->isVisible()) {
        scan = true;
    } else if (configureViewController_ && configureViewController_->isVisible()) {
        scan = true;
    }
    if (auto delegate = delegate_.lock()) delegate->wizzardViewController_shouldScanForNewDevices(this, scan);
}

void InitalWizzardController::userDidAcceptConnection() {
    showPageAtIndex_animated(kConfigurePage, true);
    if (!pairingMobileDevice_) return;
    if (auto delegate = delegate_.lock())
        delegate->wizzardViewController_didAcceptConnection_forMobileDevice(this, true, pairingMobileDevice_);
}

void InitalWizzardController::userDidDenyConnection() {
    showPageAtIndex_animated(kHomePage, true);
    // Without a phone there is no request to answer, and the link must not be handed none.
    if (!pairingMobileDevice_) return;
    if (auto delegate = delegate_.lock())
        delegate->wizzardViewController_didAcceptConnection_forMobileDevice(this, false,
                                                                            pairingMobileDevice_);
}

void InitalWizzardController::devicesHavePairedSuccesfully() {
    SoundManager::playFinishSound();
    auto self = sharedAs<InitalWizzardController>();
    performAfterDelay_block(self, kFinishDelay,
                            [self] { self->selectOption(WizzardViewControllerDelegate::kDidFinishPairing); });
}

void InitalWizzardController::notSupportedViewControllerDidSelectQuit(NotSupportedViewController&) {
    selectOption(WizzardViewControllerDelegate::kQuit);
}

void InitalWizzardController::macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone&,
                                                                            int32_t option) {
    if (option == 0) selectOption(WizzardViewControllerDelegate::kTurnBluetoothOn);
    if (option == 1) selectOption(WizzardViewControllerDelegate::kTroubleConnecting);
}

}  // namespace kestrune
