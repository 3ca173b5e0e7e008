// The interface folders' classes as the program's entry installs them behind the coordinator: the
// wizards and tutorials come from the tutorial factory and report back to the coordinator, and the
// information screens are the screen factory's.

#include "main/InterfaceWiring.h"

#include "link/transport/CommandLineBluetoothCache.h"
#include "platform/sim/radio/Radio.h"
#include "platform/storage/Files.h"
#include "platform/ui/Image.h"
#include "tests/engine/CoordinatorFixture.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "windows/screens/InfoViewController.h"
#include "windows/screens/InformationScreenFactory.h"
#include "windows/screens/TutorialFactory.h"

using namespace coordinatortests;

namespace {

class InterfaceWiringTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        kestrune::CoordinatorServices services;
        kestrune::installInterface(services);
        factory = std::dynamic_pointer_cast<kestrune::TutorialFactory>(services.tutorials);
        services.features = features;
        services.commands = commands;
        services.menuBar = menuBar;
        services.navigation = navigation;
        services.splitWindow = splitWindow;
        services.link = link;
        services.system = system;
        services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> {
            return nullptr;
        };
        machine = kestrune::StateMachine::create(services);
    }
    void TearDown() override {
        kestrune::CommandLineBluetoothCache::setBluetoothCachePath(
            kestrune::CommandLineBluetoothCache::kDefaultCachePath);
        CoordinatorTest::TearDown();
    }

    std::shared_ptr<kestrune::TutorialFactory> factory;
};

}  // namespace

TEST_F(InterfaceWiringTest, TheEntryInstallsTheFactoriesInPlaceOfTheStandIns) {
    kestrune::CoordinatorServices services;
    kestrune::installInterface(services);
    EXPECT_TRUE(std::dynamic_pointer_cast<kestrune::TutorialFactory>(services.tutorials));
    EXPECT_TRUE(std::dynamic_pointer_cast<kestrune::InformationScreenFactory>(services.screens));
    // Filling the defaults keeps them.
    auto tutorials = services.tutorials;
    services.fillDefaults();
    EXPECT_EQ(services.tutorials, tutorials);
    // The screens' pictures drawn by code are there before any screen names one.
    for (const char* name : {"security_general", "screen_siri_record", "share_twitter", "BT.gif",
                             "info_history", "tutorial_thumbs_up", "menubar_iphone"})
        EXPECT_TRUE(platform::ui::Image::imageNamed(name)) << name;
}

TEST_F(InterfaceWiringTest, TheWakeUnlockTutorialIsShownStartedAndReportsToTheCoordinator) {
    ASSERT_TRUE(factory);
    machine->showMacSleepScreenTutorial();
    auto tutorial = factory->macSleepScreenWIzzard();
    ASSERT_TRUE(tutorial);
    EXPECT_EQ(tutorial->delegate().get(),
              static_cast<kestrune::MacSleepScreenViewControllerDelegate*>(machine.get()));
    EXPECT_EQ(tutorial->tutorialStep(), kestrune::MacSleepScreenViewController::kIntroduction);
    EXPECT_EQ(log.count("push controller "), 1u);
    // Its turn-off page's first choice opens the panel for a while.
    tutorial->macSleepScreenTurnKestruneOff_didSelectOption(
        *tutorial->turnKestruneOffViewController(), kestrune::MacSleepScreenTurnKestruneOff::kOpenMainMenu);
    EXPECT_GE(log.only({"panel "}).size(), 1u);
}

TEST_F(InterfaceWiringTest, TheClearCacheWizardsDeleteButtonReachesTheCoordinator) {
    ASSERT_TRUE(factory);
    // Bluetooth off and the cache file there: the wizard is on its delete step.
    const std::string cache = home() + "/com.apple.Bluetooth.plist";
    kestrune::CommandLineBluetoothCache::setBluetoothCachePath(cache);
    ASSERT_TRUE(platform::Files::writeAtomically(cache, platform::Data::fromString("plist")));
    platform::Radio::shared()->setControllerPowered(false);
    advance(1);
    machine->showClearBluetoothCacheTutorial();
    auto wizard = factory->clearCacheController();
    ASSERT_TRUE(wizard);
    EXPECT_EQ(log.count("push list "), 1u);
    auto page = std::dynamic_pointer_cast<kestrune::InfoViewController>(wizard->currentViewController());
    ASSERT_TRUE(page);
    advance(1);
    page->button->performClick();
    EXPECT_EQ(log.count("delete cache"), 1u);
}
