// The trusted Wi-Fi wizard: the page each state calls for, the view models it gives its pages, trusting
// the joined network after an administrator's yes (and only the network the prompt named), deleting,
// and the switch.

#include <gtest/gtest.h>

#include "app/records/DeviceLocalSettings.h"
#include "platform/system/SecurityServices.h"
#include "tests/windows/WizardsFixture.h"
#include "windows/wifi/SafeWifiCell.h"
#include "windows/wifi/SafeWifiFinishViewModel.h"
#include "windows/wifi/SafeWifiNewViewModel.h"
#include "windows/wifi/SafeWifiWelcomeViewModel.h"
#include "windows/wifi/SafeWifiWizzard.h"

namespace kestrune {
namespace {

// Does what the coordinator does with the wizard's request: stores the switch and refreshes the wizard.
class SwitchingDelegate : public SafeWifiWizzardDelegate {
public:
    std::vector<bool> asked;
    std::weak_ptr<SafeWifiWizzard> wizard;
    void safeWifiWizzard_udpateSafeWifi(platform::ui::UIObject*, bool on) override {
        asked.push_back(on);
        SafeWifiManager::shared().setSafeWifiTurnedOn(on);
        if (auto shown = wizard.lock()) shown->updatePageForCurrentState();
    }
};

class TrustedWifiWizardTest : public wizardtests::WizardsFixture {
protected:
    std::shared_ptr<SafeWifiWizzard> makeWizard() {
        auto made = KSWindowController::create<SafeWifiWizzard>();
        made->setDelegate(switching);
        switching->wizard = made;
        made->window();
        return made;
    }
    std::vector<std::string> prompts() const {
        std::vector<std::string> out;
        for (const auto& request : desktop()->authorizationRequests())
            for (const auto& item : request.environment)
                if (item.name == "prompt") out.push_back(item.value);
        return out;
    }
    // The trusted list as a new process would read it from disk.
    std::vector<std::string> savedNames() {
        DataManager::resetSharedForTesting();
        SafeWifiManager::resetSharedForTesting();
        return trustedNames();
    }

    std::shared_ptr<SwitchingDelegate> switching = std::make_shared<SwitchingDelegate>();
};

TEST_F(TrustedWifiWizardTest, TheWelcomeWaitsForATrackedPhoneAndTheListFollowsIt) {
    EXPECT_FALSE(DeviceLocalSettings::shared().didShowWifiUnlockAtLeastOnce());
    auto wizard = makeWizard();
    EXPECT_TRUE(DeviceLocalSettings::shared().didShowWifiUnlockAtLeastOnce());
    EXPECT_EQ(wizard->numberOfPages(), 5);
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kWelcomePage);
    auto welcome =
        std::dynamic_pointer_cast<SafeWifiWelcomeViewModel>(wizard->firstController()->viewModel());
    ASSERT_TRUE(welcome);
    EXPECT_FALSE(welcome->canAddNewWifi);
    EXPECT_FALSE(welcome->canEditWifi);
    EXPECT_EQ(welcome->issueReason, SafeWifiManager::kWifiStateNoTrackedPhone);
    EXPECT_TRUE(wizard->firstController()->addButton->isHidden());
    EXPECT_EQ(wizard->firstController()->issueLabel->stringValue(), "wifi_unlock_needs_tracked_iphone");
    EXPECT_EQ(wizard->controllerAtPageIndex(SafeWifiWizzard::kListPage), wizard->editController());

    addPhone("phone-1", "Ada's iPhone", true, true);
    wizard->updatePageForCurrentState();
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kListPage);
    EXPECT_EQ(wizard->context()->trackingMobileDevice->unId(), "phone-1");
    EXPECT_EQ(wizard->editController()->viewModel()->trackingIphoneName, "Ada's iPhone");
    // The phone unlinked: back to the welcome page.
    DataManager::shared().settingsForDeviceId("phone-1")->pairingInfo()->setConnectionStatus(
        platform::Number(1));
    wizard->updatePageForCurrentState();
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kWelcomePage);
}

TEST_F(TrustedWifiWizardTest, TheAddPageKnowsANetworkTrustedUnderAnotherAccessPointAndNoNetworkAtAll) {
    addPhone("phone-1", "Ada's iPhone", true, true);
    SafeWifiManager::shared().addSafeWifiEntry(network("Home", "aa:aa:aa:aa:aa:01"));
    wifi->join("Home", "aa:aa:aa:aa:aa:99");
    auto wizard = makeWizard();
    wizard->safeWifiEditController_didSelectOption(*wizard->editController(),
                                                   SafeWifiEditController::kAddNetwork);
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kAddPage);
    auto page = wizard->addController();
    auto model = std::dynamic_pointer_cast<SafeWifiNewViewModel>(page->viewModel());
    ASSERT_TRUE(model);
    EXPECT_EQ(model->wifiName, "Home");
    EXPECT_TRUE(model->isConnectedToWiFi);
    EXPECT_TRUE(model->wifiAlreadyAdded);
    EXPECT_TRUE(model->isAddingNewWifi);
    EXPECT_EQ(page->titleLabel->stringValue(), "Home");
    EXPECT_FALSE(page->centerButtonOutlet->isHidden());
    EXPECT_EQ(page->centerButtonOutlet->title(), "ok");
    EXPECT_TRUE(page->leftButtonOutlet->isHidden());
    // Its left button leads to the list.
    page->leftButton(*page->leftButtonOutlet);
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kListPage);
    EXPECT_EQ(wizard->context()->currentEntryProcess, SafeWifiWizzardContext::kEditingList);

    // Not joined: the add page says so and offers only cancel; the Wi-Fi change refreshes it in place.
    wizard->addNewWifiNetwork();
    wifi->leave();
    wizard->updatePageForCurrentState();
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kAddPage);
    EXPECT_FALSE(page->viewModel()->isConnectedToWiFi);
    EXPECT_FALSE(page->viewModel()->wifiAlreadyAdded);
    EXPECT_EQ(page->titleLabel->stringValue(), "no_wifi_connected");
    EXPECT_EQ(page->centerButtonOutlet->title(), "cancel");
    EXPECT_TRUE(page->leftButtonOutlet->isHidden() && page->rightButtonOutlet->isHidden());
    wifi->join("Office", "bb:bb:bb:bb:bb:01");
    wizard->updatePageForCurrentState();
    EXPECT_EQ(page->titleLabel->stringValue(), "Office");
    EXPECT_FALSE(page->viewModel()->wifiAlreadyAdded);
    EXPECT_FALSE(page->leftButtonOutlet->isHidden());
    EXPECT_EQ(page->leftButtonOutlet->title(), "add");
    // Cancel: back to the list, as Wi-Fi unlock is possible.
    page->rightButton(*page->rightButtonOutlet);
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kListPage);
    EXPECT_EQ(wizard->context()->currentEntryProcess, SafeWifiWizzardContext::kNothing);
}

TEST_F(TrustedWifiWizardTest, AddingTrustsTheNetworkThePromptNamedOnlyAfterAYes) {
    addPhone("phone-1", "Ada's iPhone", true, true);
    wifi->join("Home 100%", "aa:aa:aa:aa:aa:01");
    useTexts({{"allow_wifi_unlock", "Trust %@ to unlock your Mac"}});
    auto wizard = makeWizard();
    wizard->addNewWifiNetwork();
    auto page = wizard->addController();

    // Refused: nothing changes, the add page stays.
    desktop()->queueAuthorizationAnswer(platform::kAuthorizationCanceled);
    page->leftButton(*page->leftButtonOutlet);
    runUntilIdle();
    EXPECT_EQ(prompts(), std::vector<std::string>{"Trust Home 100% to unlock your Mac "});
    EXPECT_TRUE(trustedNames().empty());
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kAddPage);

    // The Mac joins another network while the prompt is open: the network the user approved is added.
    desktop()->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    page->leftButton(*page->leftButtonOutlet);
    wifi->join("Cafe", "cc:cc:cc:cc:cc:01");
    wizard->updatePageForCurrentState();
    runUntilIdle();
    EXPECT_EQ(trustedNames(), std::vector<std::string>{"Home 100%"});
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kFinishPage);
    EXPECT_EQ(savedNames(), std::vector<std::string>{"Home 100%"});

    // Done: Wi-Fi unlock is switched on and the list shows.
    ASSERT_TRUE(std::dynamic_pointer_cast<SafeWifiFinishViewModel>(wizard->finishController()->viewModel()));
    SafeWifiManager::shared().setSafeWifiTurnedOn(false);
    wizard->finishController()->finishButton->performClick();
    EXPECT_EQ(switching->asked, std::vector<bool>{true});
    EXPECT_EQ(wizard->pageIndex(), SafeWifiWizzard::kListPage);
    EXPECT_EQ(wizard->editController()->wifiUnlockCheckox->state(), ui::kStateOn);
    EXPECT_EQ(wizard->editController()->wifiUnlockCheckoxTextDescription->stringValue(), "currently_enabled");
    wizard->safeWifiFinishController_didSelectOption(*wizard->finishController(), 2);
    EXPECT_EQ(switching->asked.size(), 1u);

    // Not joined at all: no prompt and nothing added.
    wifi->leave();
    wizard->addNewWifiNetwork();
    page->leftButton(*page->leftButtonOutlet);
    runUntilIdle();
    EXPECT_EQ(prompts().size(), 2u);
    EXPECT_EQ(trustedNames(), std::vector<std::string>{"Home 100%"});
}

TEST_F(TrustedWifiWizardTest, DeletingRemovesEveryEntryOfThatNameAndSaves) {
    addPhone("phone-1", "Ada's iPhone", true, true);
    auto& manager = SafeWifiManager::shared();
    manager.addSafeWifiEntry(network("Home", "aa:aa:aa:aa:aa:01"));
    manager.addSafeWifiEntry(network("Office", "bb:bb:bb:bb:bb:01"));
    // An older archive may hold a name twice.
    manager.safeWifiEntries().push_back(network("Home", "aa:aa:aa:aa:aa:02"));
    auto wizard = makeWizard();
    auto page = wizard->editController();
    auto w = window({0, 0, 850, 530});
    w->contentView()->addSubview(page->view());
    settle();
    ASSERT_EQ(page->numberOfRowsInListView(*page->listView), 3u);
    EXPECT_EQ(page->listView_heightOfRow(*page->listView, 0), 55.0);
    auto cell = std::dynamic_pointer_cast<SafeWifiCell>(page->listView->cellForRowAtIndex(0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->ssidNameLabel->stringValue(), "Home");
    cell->deleteButton->performClick();
    EXPECT_EQ(trustedNames(), std::vector<std::string>{"Office"});
    EXPECT_EQ(page->numberOfRowsInListView(*page->listView), 1u);
    auto office = std::dynamic_pointer_cast<SafeWifiCell>(page->listView->cellForRowAtIndex(0));
    ASSERT_TRUE(office);
    EXPECT_EQ(office->ssidNameLabel->stringValue(), "Office");
    EXPECT_EQ(savedNames(), std::vector<std::string>{"Office"});
}

TEST_F(TrustedWifiWizardTest, TheSwitchOnAnEmptyListStaysOff) {
    addPhone("phone-1", "Ada's iPhone", true, true);
    auto& manager = SafeWifiManager::shared();
    manager.setSafeWifiTurnedOn(false);
    auto wizard = makeWizard();
    auto page = wizard->editController();
    EXPECT_EQ(page->wifiUnlockCheckox->state(), ui::kStateOff);
    page->wifiUnlockCheckox->performClick();
    EXPECT_EQ(switching->asked, std::vector<bool>{true});
    EXPECT_FALSE(manager.safeWifiTurnedOn());
    EXPECT_EQ(page->wifiUnlockCheckox->state(), ui::kStateOff);
    EXPECT_EQ(page->wifiUnlockCheckoxTextDescription->stringValue(), "currently_disabled");
    // With a trusted network the switch follows the request both ways.
    manager.addSafeWifiEntry(network("Home", "aa:aa:aa:aa:aa:01"));
    wizard->updatePageForCurrentState();
    EXPECT_EQ(page->wifiUnlockCheckox->state(), ui::kStateOn);
    page->wifiUnlockCheckox->performClick();
    EXPECT_EQ(switching->asked, (std::vector<bool>{true, false}));
    EXPECT_EQ(page->wifiUnlockCheckox->state(), ui::kStateOff);
    // Editing from the welcome page keeps the list saved.
    wizard->safeWifiFirstController_didSelectOption(*wizard->firstController(),
                                                    SafeWifiFirstController::kEditList);
    EXPECT_EQ(wizard->context()->currentEntryProcess, SafeWifiWizzardContext::kEditingList);
    EXPECT_EQ(savedNames(), std::vector<std::string>{"Home"});
}

}  // namespace
}  // namespace kestrune
