#include "windows/wifi/SafeWifiWizzard.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/session/AuthorizationManager.h"
#include "features/language/TextFormat.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/base/Log.h"

namespace kestrune {

void SafeWifiWizzard::windowDidLoad() {
    KSPageViewControllerExtended::windowDidLoad();
    DeviceLocalSettings::shared().setDidShowWifiUnlockAtLeastOnce(true);
    context_ = std::make_shared<SafeWifiWizzardContext>();
    viewModelFactory_ = std::make_shared<SafeWifiViewModelFactory>();
    initializePages();
}

void SafeWifiWizzard::initializePages() {
    setNumberOfPages(5);
    auto self = sharedAs<SafeWifiWizzard>();
    firstController_ = BaseViewController::create<SafeWifiFirstController>();
    firstController_->setDelegate(std::static_pointer_cast<SafeWifiFirstControllerDelegate>(self));
    editController_ = BaseViewController::create<SafeWifiEditController>();
    editController_->setDelegate(std::static_pointer_cast<SafeWifiEditControllerDelegate>(self));
    addController_ = BaseViewController::create<SafeWifiAddNewWifiController>();
    addController_->setDelegate(std::static_pointer_cast<SafeWifiAddNewWifiControllerDelegate>(self));
    finishController_ = BaseViewController::create<SafeWifiFinishController>();
    finishController_->setDelegate(std::static_pointer_cast<SafeWifiFinishControllerDelegate>(self));
    addController_asPageAtIndex(firstController_, kWelcomePage);
    addController_asPageAtIndex(editController_, kListPage);
    addController_asPageAtIndex(addController_, kAddPage);
    addController_asPageAtIndex(finishController_, kFinishPage);
    showNotEnabledViewController();
    showAppropriateScreen();
}

void SafeWifiWizzard::updateContextForCurrentState() {
    if (!context_) return;
    context_->currentEntry = SafeWifiManager::shared().generateCurrentConnectedWifiEntry();
    context_->trackingMobileDevice = DataManager::shared().getTrackingMobileDevice();
}

void SafeWifiWizzard::updatePageForCurrentState() {
    auto self = sharedAs<SafeWifiWizzard>();
    runOnMainThreadSync([self] {
        self->updateContextForCurrentState();
        self->showAppropriateScreen();
        const int64_t shown = self->pageIndex();
        if (shown == kWelcomePage && self->firstController_)
            self->updateViewModelForWizzardPage(*self->firstController_);
        if (shown == kAddPage && self->addController_)
            self->updateViewModelForWizzardPage(*self->addController_);
        if (self->editController_) self->editController_->reloadView();
    });
}

void SafeWifiWizzard::showAppropriateScreen_(bool force) {
    if (context_) context_->currentEntryProcess = SafeWifiWizzardContext::kNothing;
    updateContextForCurrentState();
    if (SafeWifiManager::shared().wifiState() != SafeWifiManager::kWifiStateTrackedPhone)
        return showNotEnabledViewController();
    if (force || pageIndex() == kWelcomePage) showEditWifi();
}

void SafeWifiWizzard::showNotEnabledViewController() {
    if (firstController_) updateViewModelForWizzardPage(*firstController_);
    showPageAtIndex_animated(kWelcomePage, false);
}

void SafeWifiWizzard::addNewWifiNetwork() {
    if (context_) context_->currentEntryProcess = SafeWifiWizzardContext::kAddingNetwork;
    updateContextForCurrentState();
    if (addController_) updateViewModelForWizzardPage(*addController_);
    showPageAtIndex_animated(kAddPage, true);
}

void SafeWifiWizzard::showFinishWifi() {
    if (finishController_) updateViewModelForWizzardPage(*finishController_);
    showPageAtIndex_animated(kFinishPage, true);
}

void SafeWifiWizzard::showEditWifi() {
    if (editController_) updateViewModelForWizzardPage(*editController_);
    showPageAtIndex_animated(kListPage, false);
}

void SafeWifiWizzard::updateViewModelForWizzardPage(SafeWifiWizzardPage& page) {
    if (!context_ || !viewModelFactory_) return;
    page.setViewModel(viewModelFactory_->viewModelForPage_context(page, *context_));
}

void SafeWifiWizzard::saveCurrentWifiAndShowFinish() {
    // The network the prompt names is the one trusted, even when the Mac joins another while the prompt
    // is open: the user approved that one.
    auto entry = context_ ? context_->currentEntry : nullptr;
    if (!entry) {
        platform::logf("Trusted Wi-Fi: not joined to any network; nothing to add");
        return;
    }
    const std::string prompt =
        stringWithTextArgument(localizable("allow_wifi_unlock"), entry->ssidName().value_or(""));
    std::weak_ptr<SafeWifiWizzard> weak = sharedAs<SafeWifiWizzard>();
    AuthorizationManager::authorizeWithMessage_completion(prompt, [weak, entry](bool granted) {
        if (!granted) return;
        auto& manager = SafeWifiManager::shared();
        manager.addSafeWifiEntry(entry);
        manager.saveWifiEntries();
        if (auto wizard = weak.lock()) wizard->showFinishWifi();
    });
}

void SafeWifiWizzard::askToSwitch(bool on) {
    if (auto delegate = delegate_.lock()) delegate->safeWifiWizzard_udpateSafeWifi(this, on);
}

void SafeWifiWizzard::safeWifiFirstController_didSelectOption(SafeWifiFirstController&, int64_t option) {
    if (option == SafeWifiFirstController::kAddNetwork) {
        if (context_) context_->currentEntryProcess = SafeWifiWizzardContext::kAddingNetwork;
        addNewWifiNetwork();
    } else if (option == SafeWifiFirstController::kEditList) {
        if (context_) context_->currentEntryProcess = SafeWifiWizzardContext::kEditingList;
        showEditWifi();
        SafeWifiManager::shared().saveWifiEntries();
    }
}

void SafeWifiWizzard::SafeWifiAddNewWifiController_didSelectOption(SafeWifiAddNewWifiController&,
                                                                   int64_t option) {
    if (option == SafeWifiAddNewWifiController::kAdd) {
        saveCurrentWifiAndShowFinish();
    } else if (option == SafeWifiAddNewWifiController::kShowList) {
        if (context_) context_->currentEntryProcess = SafeWifiWizzardContext::kEditingList;
        showEditWifi();
    } else if (option == SafeWifiAddNewWifiController::kCancel) {
        showWelcomeScreen();
    }
}

void SafeWifiWizzard::safeWifiFinishController_didSelectOption(SafeWifiFinishController&, int64_t option) {
    if (option > SafeWifiFinishController::kDone) return;
    // A trusted network added: Wi-Fi unlock on.
    askToSwitch(true);
    showEditWifi();
}

void SafeWifiWizzard::safeWifiEditController_didSelectOption(SafeWifiEditController&, int64_t option) {
    if (option == SafeWifiEditController::kAddNetwork) {
        addNewWifiNetwork();
    } else if (option == SafeWifiEditController::kSwitchToggled) {
        askToSwitch(!SafeWifiManager::shared().safeWifiTurnedOn());
    }
}

void SafeWifiWizzard::safeWifiEditController_didSelectDeleteWifi(
    SafeWifiEditController& page, const std::shared_ptr<SafeWifiEntry>& entry) {
    if (!entry) return;
    auto& manager = SafeWifiManager::shared();
    manager.removeSafeWifiEntry(entry);
    manager.saveWifiEntries();
    page.reloadView();
}

}  // namespace kestrune
