// The settings window on the road, as the program's entry installs it: a new phone pairs and the window
// shows the devices page with that phone, rebuilt as the phone's state changes.

#include "menubar/lists/ConnectedDevicesVM.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/ui/Window.h"
#include "tests/main/ScenarioFixture.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"
#include "windows/screens/TutorialFactory.h"
#include "windows/wizard/InitalWizzardController.h"

using namespace scenariotests;
using platform::PhoneApplication;

namespace {

class SettingsWindowRoadTest : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        navigation = std::make_shared<kestrune::SettingsWindowNavigation>();
        prepareServices = [this](kestrune::CoordinatorServices& services) {
            services.splitWindow = kestrune::WAYSourceListWindow::create({200, 200, 1095, 575});
            services.navigation = navigation;
            window = services.splitWindow;
            tutorials = std::dynamic_pointer_cast<kestrune::TutorialFactory>(services.tutorials);
        };
    }
    // The devices row showing the phone: its name and whether it is connected; "" without one.
    std::string devicesRow() {
        auto page = navigation->factory()->devicesMenuManager;
        for (const auto& vm : page->getViewController()->listViewModel())
            if (auto devices = std::dynamic_pointer_cast<kestrune::ConnectedDevicesVM>(vm))
                return devices->iPhoneName().value_or("?") + (devices->isOn() ? " connected" : " away");
        return "";
    }

    // Whether a click just inside the view's top edge, at its middle, reaches it in the window: nothing
    // covers it and the pane does not cut it off.
    bool topIsOnScreen(const platform::ui::View& view) {
        const auto top = view.convertPoint_toView({view.bounds().midX(), view.bounds().maxY() - 2}, nullptr);
        const auto* hit = window->contentView()->hitTest(top);
        return hit && (hit == &view || hit->isDescendantOf(&view));
    }

    std::shared_ptr<kestrune::SettingsWindowNavigation> navigation;
    std::shared_ptr<platform::ui::Window> window;
    std::shared_ptr<kestrune::TutorialFactory> tutorials;
};

TEST_F(SettingsWindowRoadTest, AfterPairingTheWindowShowsTheDevicesPageWithThePhone) {
    launch();
    auto devices = navigation->factory()->devicesMenuManager;
    ASSERT_TRUE(devices);
    ASSERT_TRUE(advanceUntil([&] { return world->openPairingWizard(); }, 5));
    phone().appear();
    ASSERT_TRUE(advanceUntil([&] { return phone().isAuthenticated(); }, 30));
    phone().askToPair();
    // Asking the user to accept the phone turns the wizard, over the devices page, to its request.
    ASSERT_TRUE(advanceUntil([&] { return world->pairingWizardAsksToAccept(); }, 5));
    EXPECT_EQ(devicesRow(), "");
    ASSERT_TRUE(world->answerPairingRequest(true));
    ASSERT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kPairingAccepted); }, 5));
    // The page that asks to finish on the phone shows the whole phone under the pane's title bar.
    ASSERT_TRUE(advanceUntil([&] { return world->pairingWizardAwaitsThePhone(); }, 5));
    advance(1);
    ASSERT_TRUE(tutorials && tutorials->wizzardViewController());
    const auto& finish = *tutorials->wizzardViewController()->configureViewController();
    ASSERT_TRUE(finish.frameImageView);
    EXPECT_TRUE(topIsOnScreen(*finish.frameImageView));
    EXPECT_TRUE(topIsOnScreen(*finish.timeTextField));
    phone().sendPassword(world->user(), kestrune::ScenarioWorld::kPassword);
    ASSERT_TRUE(advanceUntil([&] { return world->paired(); }, 5));
    EXPECT_TRUE(advanceUntil([&] { return devicesRow() == std::string("Ada's iPhone") + " connected"; }, 5))
        << devicesRow();
    EXPECT_TRUE(devices->viewControllerIsShown());

    phone().vanish();
    EXPECT_TRUE(advanceUntil([&] { return devicesRow() == std::string("Ada's iPhone") + " away"; }, 20))
        << devicesRow();
}

}  // namespace
