// The pairing wizard: its pages for each event and choice, what it tells the coordinator, the phone's
// name in the request, the finish after a successful pairing, the not-supported page and the pictures.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include "platform/base/Clock.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhone.h"
#include "windows/wizard/InitalWizzardController.h"
#include "windows/wizard/MobileDeviceImageFactory.h"

namespace kestrune {
namespace {

class PairingWizardTest : public screentests::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        useTexts({{"iphone_wants_to_connect", "%@ wants to connect"}});
        wizard = KSWindowController::create<InitalWizzardController>();
        wizard->setDelegate(delegate);
        ASSERT_TRUE(wizard->window());
        phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone %n %@");
    }
    // The pairing request in progress, as the link records it.
    void pairing(const std::shared_ptr<MobileDevice>& device) {
        DataManager::shared().setPairingMobileDevice(device);
    }

    std::shared_ptr<InitalWizzardController> wizard;
    std::shared_ptr<MobileDevice> phone;
};

TEST_F(PairingWizardTest, EachEventAndChoiceLeadsToItsPage) {
    EXPECT_EQ(wizard->titleDescriptionText(), "add_new_device_action");
    ASSERT_EQ(wizard->addedViewControllers().size(), 3u);
    EXPECT_EQ(wizard->controllerAtPageIndex(0), wizard->homeController());
    EXPECT_EQ(wizard->controllerAtPageIndex(2), wizard->configureViewController());
    wizard->startWizzardFromBeginningAnimated(false);
    EXPECT_EQ(wizard->pageIndex(), 0);

    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    EXPECT_EQ(wizard->pageIndex(), 1);
    // The phone's name is its own text, never a format.
    EXPECT_EQ(wizard->acceptViewController()->textField->stringValue(),
              "Ada's iPhone %n %@ wants to connect");
    auto& accept = *wizard->acceptViewController();
    accept.leftButtonToggled(*accept.leftbutton);  // "accept"
    EXPECT_EQ(wizard->pageIndex(), 2);
    ASSERT_EQ(delegate->answers.size(), 1u);
    EXPECT_TRUE(delegate->answers[0].first);
    EXPECT_EQ(delegate->answers[0].second, phone);

    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    accept.rightButtonToggled(*accept.rightbutton);  // "deny"
    EXPECT_EQ(wizard->pageIndex(), 0);
    ASSERT_EQ(delegate->answers.size(), 2u);
    EXPECT_FALSE(delegate->answers[1].first);

    // Shown again after the request was accepted: straight to the last page.
    auto other = MobileDevice::initWithUnId("phone-2");
    wizard->didAcceptPairWithMobileDevice(other);
    EXPECT_EQ(wizard->pageIndex(), 2);
    EXPECT_EQ(wizard->pairingMobileDevice(), other);
    EXPECT_EQ(wizard->acceptViewController()->textField->stringValue(), " wants to connect");
    // A failed pairing starts over, without a sound.
    wizard->didSuccessfullyPair_withMobileDevice(false, other);
    EXPECT_EQ(wizard->pageIndex(), 0);
    advance(1);
    EXPECT_TRUE(playedSounds().empty());
    EXPECT_EQ(delegate->answers.size(), 2u);
}

// The request page names the phone in its title, the screen factory having left the title to the wizard;
// Deny is drawn as the way out (an outline), not as a second Accept.
TEST_F(PairingWizardTest, TheRequestPageIsTitledWithThePhoneAndDenyIsNotDrawnAsAccept) {
    auto& page = *wizard->acceptViewController();
    EXPECT_EQ(page.titleTextField->stringValue(), "");
    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    EXPECT_EQ(page.titleTextField->stringValue(), "Ada's iPhone %n %@");
    EXPECT_FALSE(page.titleTextField->isHidden());
    // Another phone's request: the title follows the phone asking.
    auto other = MobileDevice::initWithUnId("phone-2");
    other->mobileDeviceInfo()->setDeviceName("Bo's iPhone");
    wizard->didReceiveRequestToPairWithMobileDevice(other);
    EXPECT_EQ(page.titleTextField->stringValue(), "Bo's iPhone");

    ASSERT_TRUE(page.leftbutton->layer() && page.rightbutton->layer());
    const auto& accept = *page.leftbutton->layer();
    const auto& deny = *page.rightbutton->layer();
    ASSERT_TRUE(accept.backgroundColor() && deny.backgroundColor());
    EXPECT_FALSE(*accept.backgroundColor() == *deny.backgroundColor());
    EXPECT_TRUE(*deny.backgroundColor() == platform::ui::Color::whiteColor());
    EXPECT_GT(deny.borderWidth(), 0);
    ASSERT_TRUE(deny.borderColor());
    EXPECT_TRUE(*deny.borderColor() == *accept.backgroundColor());
}

TEST_F(PairingWizardTest, BackOnTheRequestOrLastPageDeniesAndOnTheFirstIsLeftToTheNavigation) {
    EXPECT_FALSE(wizard->performCustomActionOnBackButtonToggled());
    EXPECT_TRUE(delegate->answers.empty());
    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    EXPECT_TRUE(wizard->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(wizard->pageIndex(), 0);
    ASSERT_EQ(delegate->answers.size(), 1u);
    EXPECT_FALSE(delegate->answers[0].first);
    wizard->didAcceptPairWithMobileDevice(phone);
    EXPECT_TRUE(wizard->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(delegate->answers.size(), 2u);

    // No phone is being paired: back still goes to the start, but there is no request to answer.
    auto fresh = KSWindowController::create<InitalWizzardController>();
    fresh->setDelegate(delegate);
    fresh->window();
    fresh->showPageAtIndex_animated(InitalWizzardController::kConfigurePage, false);
    EXPECT_TRUE(fresh->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(fresh->pageIndex(), 0);
    fresh->acceptViewController()->leftButtonToggled(*fresh->acceptViewController()->leftbutton);
    EXPECT_EQ(delegate->answers.size(), 2u);
}

TEST_F(PairingWizardTest, ASuccessfulPairingPlaysTheFinishSoundAndReportsHalfASecondLater) {
    const double start = now();
    wizard->didSuccessfullyPair_withMobileDevice(true, phone);
    ASSERT_EQ(playedSounds().size(), 1u);
    EXPECT_NE(playedSounds()[0].find("ding1.wav"), std::string::npos);
    advance(0.49);
    EXPECT_TRUE(delegate->options.empty());
    advance(0.02);
    ASSERT_EQ(delegate->options, std::vector<int32_t>{WizzardViewControllerDelegate::kDidFinishPairing});
    EXPECT_NEAR(delegate->optionTimes[0] - start, 0.5, 1e-6);
}

TEST_F(PairingWizardTest, OnlyALostConnectionOfThePhoneBeingPairedStartsOver) {
    pairing(phone);
    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    wizard->didLooseConnectionWithMobileDevice(MobileDevice::initWithUnId("someone-else"));
    EXPECT_EQ(wizard->pageIndex(), 1);
    wizard->didLooseConnectionWithMobileDevice(nullptr);
    EXPECT_EQ(wizard->pageIndex(), 1);
    // The same phone, also as a record of its own.
    wizard->didLooseConnectionWithMobileDevice(MobileDevice::initWithUnId("phone-1"));
    EXPECT_EQ(wizard->pageIndex(), 0);
    wizard->didReceiveRequestToPairWithMobileDevice(phone);
    pairing(nullptr);
    wizard->didLooseConnectionWithMobileDevice(phone);
    EXPECT_EQ(wizard->pageIndex(), 1);
}

TEST_F(PairingWizardTest, PagesAskForScanningOnEveryAppearanceAndDisappearance) {
    wizard->window()->orderFront(nullptr);
    settle();
    EXPECT_EQ(delegate->scans, (std::vector<bool>{true, true, true}));
    wizard->window()->orderOut(nullptr);
    settle();
    EXPECT_EQ(delegate->scans, (std::vector<bool>{true, true, true, true, true, false}));
}

TEST_F(PairingWizardTest, TheHomePageRescansTroubleshootsAndShowsTheScanRunning) {
    auto& home = *wizard->homeController();
    home.rightButtonToggled(*home.rightbutton);
    home.leftButtonToggled(*home.leftbutton);
    EXPECT_EQ(delegate->options, (std::vector<int32_t>{3, 10}));
    ScanningIndicator::shared().startTimer();
    wizard->refreshHomeView();
    EXPECT_TRUE(home.rightButtonIsLoading());
    ScanningIndicator::shared().stopTimer();
    wizard->startWizzardFromBeginningAnimated(true);
    EXPECT_FALSE(home.rightButtonIsLoading());
    // The connect page's choices, when the wizard is its delegate.
    auto page = BaseViewController::create<MacSleepScreenConnectToiPhone>();
    wizard->macSleepScreenConnectToiPhone_didSelectOption(*page, 0);
    wizard->macSleepScreenConnectToiPhone_didSelectOption(*page, 1);
    wizard->macSleepScreenConnectToiPhone_didSelectOption(*page, 2);
    EXPECT_EQ(delegate->options, (std::vector<int32_t>{3, 10, 5, 6}));
}

TEST_F(PairingWizardTest, TheNotSupportedPageLiesOverThePagesOnceAndOffersToQuit) {
    wizard->showBluetoothNotSupported();
    auto page = wizard->notSupportedViewController();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->mainTextLabel->stringValue(), "not_supported_ble");
    EXPECT_EQ(page->mainButton->title(), "quit_kestrune");
    EXPECT_EQ(page->view()->superview(), wizard->mainView().get());
    EXPECT_EQ(wizard->mainView()->subviews().back(), page->view());
    EXPECT_EQ(page->view()->frame(), wizard->mainView()->bounds());
    wizard->showMacVersionNotSupported();
    EXPECT_EQ(wizard->notSupportedViewController(), page);
    EXPECT_EQ(page->mainTextLabel->stringValue(), "not_supported_mac_version");
    page->setNotSupportedReason(7);
    EXPECT_EQ(page->mainTextLabel->stringValue(), "not_supported_mac_version");
    const auto& subviews = wizard->mainView()->subviews();
    EXPECT_EQ(std::count(subviews.begin(), subviews.end(), page->view()), 1);
    page->quitToggled(*page->mainButton);
    EXPECT_EQ(delegate->options, std::vector<int32_t>{WizzardViewControllerDelegate::kQuit});
}

TEST_F(PairingWizardTest, TheLastPageShowsThisMacTheUserAndTheTimeUnpadded) {
    setenv("TZ", "UTC0", 1);
    tzset();
    platform::Clock::setVirtualNow(1800000000.0 + 5 * 60);  // 08:05 UTC
    auto page = BaseViewController::create<ConfigureViewController>();
    auto mac = Device::init();
    mac->setDeviceInfo(DeviceInfo::init());
    mac->deviceInfo()->setDeviceName("Ada's Mac");
    page->setDevice(mac);
    auto user = DeviceUser::init();
    user->setUsername("ada");
    page->setDeviceUser(user);
    EXPECT_EQ(page->deviceNameLabel->stringValue(), "Ada's Mac");
    EXPECT_EQ(page->userNameTextField->stringValue(), "ada");
    EXPECT_EQ(page->timeTextField->stringValue(), "8:5");
    EXPECT_EQ(page->passwordTextField->stringValue(), "password");
    EXPECT_EQ(page->passwordTextField->alphaValue(), 0.7);
    EXPECT_EQ(page->textLabel->stringValue(), "use_iphone_to_set_up_kestrune");
    page->setDeviceUser(nullptr);
    EXPECT_EQ(page->userNameTextField->stringValue(), "");
    // The wizard's own last page belongs to this Mac's record and the session's user.
    EXPECT_EQ(wizard->configureViewController()->deviceUser()->username(), "ada");
    unsetenv("TZ");
    tzset();
}

TEST_F(PairingWizardTest, TheSmallOldPhonesHaveTheirOwnPicture) {
    auto model = [](std::optional<std::string> type) {
        auto device = MobileDevice::initWithUnId("x");
        device->mobileDeviceInfo()->setDeviceType(std::move(type));
        return MobileDeviceImageFactory::imageNameForMobileDeviceDevice(device);
    };
    EXPECT_EQ(model("iPhone 4"), "wizzard_iphone4");
    EXPECT_EQ(model("iPhone 4S"), "wizzard_iphone4");
    EXPECT_EQ(model("iPhone 5"), "wizzard_iphone5");
    EXPECT_EQ(model("iPhone 4s"), "wizzard_iphone5");
    EXPECT_EQ(model(""), "wizzard_iphone5");
    EXPECT_EQ(model(std::nullopt), "wizzard_iphone5");
    EXPECT_EQ(MobileDeviceImageFactory::imageNameForMobileDeviceDevice(nullptr), "wizzard_iphone5");
}

}  // namespace
}  // namespace kestrune
