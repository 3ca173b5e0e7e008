#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/records/MobileDevice.h"
#include "engine/coordinator/WizzardViewControllerDelegate.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "windows/screens/InfoViewController.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhoneDelegate.h"
#include "windows/wizard/ConfigureViewController.h"
#include "windows/wizard/NotSupportedViewController.h"
#include "windows/wizard/NotSupportedViewControllerDelegate.h"

namespace kestrune {

// The pairing wizard: page 0 asks the user to open the application on the phone, page 1 shows a
// phone's pairing request, page 2 the phone asking for this Mac's login password. It decides nothing:
// the coordinator feeds it events, and it reports the user's choices through its delegate.
class InitalWizzardController : public KSPageViewControllerExtended,
                                public NotSupportedViewControllerDelegate,
                                public MacSleepScreenConnectToiPhoneDelegate {
public:
    enum Page : int64_t { kHomePage = 0, kAcceptPage = 1, kConfigurePage = 2 };
    static constexpr double kFinishDelay = 0.5;

    void windowDidLoad() override;
    std::string titleDescriptionText() const override;
    void startWizzardFromBeginningAnimated(bool animated);
    void didReceiveRequestToPairWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void didAcceptPairWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void didSuccessfullyPair_withMobileDevice(bool success, const std::shared_ptr<MobileDevice>& phone);
    // Only for the phone being paired.
    void didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void showBluetoothNotSupported();
    void showMacVersionNotSupported();
    void refreshHomeView();
    void resetHelpView() { refreshHomeView(); }
    void didupdateBluetoothState() {}
    void didFinishShowingPageAtIndex(int64_t) override {}
    // On the request or configure page: back to the start, the request denied; elsewhere not handled.
    bool performCustomActionOnBackButtonToggled() override;
    void updateAcceptViewController();
    void updateRecoveryMode();
    void userDidAcceptConnection();
    void userDidDenyConnection();
    void devicesHavePairedSuccesfully();
    void notSupportedViewControllerDidSelectQuit(NotSupportedViewController& page) override;
    void macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone& page,
                                                       int32_t option) override;

    void setDelegate(std::weak_ptr<WizzardViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    const std::shared_ptr<InfoViewController>& homeController() const { return homeController_; }
    const std::shared_ptr<InfoViewController>& acceptViewController() const { return acceptViewController_; }
    const std::shared_ptr<ConfigureViewController>& configureViewController() const {
        return configureViewController_;
    }
    const std::shared_ptr<NotSupportedViewController>& notSupportedViewController() const {
        return notSupportedViewController_;
    }
    const std::shared_ptr<MobileDevice>& pairingMobileDevice() const { return pairingMobileDevice_; }

private:
    void initializePages();
    void showNotSupportedWithReason(int32_t reason);
    void selectOption(int32_t option);
    template <typename PageType>
    void addPage(const std::shared_ptr<PageType>& page, int64_t index, bool refreshesAcceptText);

    std::weak_ptr<WizzardViewControllerDelegate> delegate_;
    std::shared_ptr<InfoViewController> homeController_;
    std::shared_ptr<InfoViewController> acceptViewController_;
    std::shared_ptr<ConfigureViewController> configureViewController_;
    std::shared_ptr<NotSupportedViewController> notSupportedViewController_;
    std::shared_ptr<MobileDevice> pairingMobileDevice_;
};

}  // namespace kestrune
