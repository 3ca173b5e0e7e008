// The settings window on the road, as the program's entry installs it: a new phone pairs and the window
// shows the devices page with that phone, rebuilt as the phone's state changes.

#include "menubar/lists/ConnectedDevicesVM.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "tests/main/ScenarioFixture.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"

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

    std::shared_ptr<kestrune::SettingsWindowNavigation> navigation;
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
