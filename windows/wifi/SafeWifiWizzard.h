#pragma once

#include <cstdint>
#include <memory>

#include "engine/coordinator/SafeWifiWizzardDelegate.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "windows/wifi/SafeWifiAddNewWifiController.h"
#include "windows/wifi/SafeWifiEditController.h"
#include "windows/wifi/SafeWifiFinishController.h"
#include "windows/wifi/SafeWifiFirstController.h"
#include "windows/wifi/SafeWifiViewModelFactory.h"
#include "windows/wifi/SafeWifiWizzardContext.h"

namespace kestrune {

// The trusted Wi-Fi wizard: the welcome page while Wi-Fi unlock is not possible (no tracked phone), the
// list of trusted networks with the switch, the page that trusts the joined network after an
// administrator's yes, and its confirmation. The switch itself is the coordinator's to change; the
// wizard asks through its delegate.
class SafeWifiWizzard : public KSPageViewControllerExtended,
                        public SafeWifiFirstControllerDelegate,
                        public SafeWifiAddNewWifiControllerDelegate,
                        public SafeWifiFinishControllerDelegate,
                        public SafeWifiEditControllerDelegate {
public:
    enum Page : int64_t { kWelcomePage = 0, kAddPage = 1, kFinishPage = 2, kListPage = 3 };

    void windowDidLoad() override;
    void initializePages();
    void updateContextForCurrentState();
    // After a change of the Wi-Fi or of the switch: the page the state calls for, with fresh contents.
    void updatePageForCurrentState();
    void showAppropriateScreen() { showAppropriateScreen_(false); }
    void showWelcomeScreen() { showAppropriateScreen_(true); }
    // The welcome page while Wi-Fi unlock is not possible; else the list, when forced or leaving the
    // welcome page; else the page on screen stays.
    void showAppropriateScreen_(bool force);
    void showNotEnabledViewController();
    void addNewWifiNetwork();
    void showFinishWifi();
    void showEditWifi();
    void updateViewModelForWizzardPage(SafeWifiWizzardPage& page);
    // Asks for an administrator's yes, naming the joined network, and trusts that same network.
    void saveCurrentWifiAndShowFinish();

    void safeWifiFirstController_didSelectOption(SafeWifiFirstController& page, int64_t option) override;
    void SafeWifiAddNewWifiController_didSelectOption(SafeWifiAddNewWifiController& page,
                                                      int64_t option) override;
    void safeWifiFinishController_didSelectOption(SafeWifiFinishController& page, int64_t option) override;
    void safeWifiEditController_didSelectOption(SafeWifiEditController& page, int64_t option) override;
    void safeWifiEditController_didSelectDeleteWifi(SafeWifiEditController& page,
                                                    const std::shared_ptr<SafeWifiEntry>& entry) override;

    std::shared_ptr<SafeWifiWizzardDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SafeWifiWizzardDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::shared_ptr<SafeWifiWizzardContext>& context() const { return context_; }
    const std::shared_ptr<SafeWifiFirstController>& firstController() const { return firstController_; }
    const std::shared_ptr<SafeWifiAddNewWifiController>& addController() const { return addController_; }
    const std::shared_ptr<SafeWifiFinishController>& finishController() const { return finishController_; }
    const std::shared_ptr<SafeWifiEditController>& editController() const { return editController_; }

private:
    void askToSwitch(bool on);

    std::weak_ptr<SafeWifiWizzardDelegate> delegate_;
    std::shared_ptr<SafeWifiWizzardContext> context_;
    std::shared_ptr<SafeWifiViewModelFactory> viewModelFactory_;
    std::shared_ptr<SafeWifiFirstController> firstController_;
    std::shared_ptr<SafeWifiAddNewWifiController> addController_;
    std::shared_ptr<SafeWifiFinishController> finishController_;
    std::shared_ptr<SafeWifiEditController> editController_;
};

}  // namespace kestrune
