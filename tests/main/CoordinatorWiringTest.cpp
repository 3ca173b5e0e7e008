// The program's installation functions put a real class behind every interface of the coordinator: none
// is the logging default, none a recording one; and every screen the coordinator can ask for, with the
// other requests that only a missing neighbour would answer with "not built yet", is answered by the
// installed classes.

#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <typeinfo>
#include <utility>
#include <vector>

#include "app/records/MobileDevice.h"
#include "engine/coordinator/ViewHelpers.h"
#include "features/KestruneFeatureServices.h"
#include "main/FeatureWiring.h"
#include "main/InterfaceKitHelpers.h"
#include "main/InterfaceWiring.h"
#include "main/MenuBarWiring.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/services/SoftwareUpdater.h"
#include "platform/ui/Color.h"
#include "platform/ui/View.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/RecordingNavigationDelegate.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"
#include "windows/info/PhotosAndHistoryScreenFactory.h"
#include "windows/screens/InformationScreenFactory.h"
#include "windows/screens/TutorialFactory.h"

using namespace coordinatortests;

namespace {

template <typename T>
std::string classOf(const T& object) {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(object).name(), nullptr, nullptr, &status);
    std::string out = status == 0 && name ? name : typeid(object).name();
    std::free(name);
    return out;
}

class CoordinatorWiringTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        platform::SoftwareUpdater::sharedUpdater()->setAutomaticallyChecksForUpdates(false);
        // As the program's entry does, in its order.
        kestrune::installInterfaceKitHelpers();
        kestrune::installFeatures(installed, nullptr, session);
        kestrune::installInterface(installed);
        kestrune::installSettingsWindow(installed);
        kestrune::installMenuBar(installed);
        installed.fillDefaults();
    }
    void TearDown() override {
        kestrune::uninstallSettingsWindowForTesting();
        kestrune::uninstallFeaturesForTesting();
        kestrune::ViewHelpers::install(nullptr);
        CoordinatorTest::TearDown();
    }
    kestrune::CoordinatorServices installed;
};

TEST_F(CoordinatorWiringTest, EveryInterfaceHasItsRealClassBehindIt) {
    const std::vector<std::pair<std::string, std::string>> members{
        {classOf(*installed.features), "kestrune::KestruneFeatureServices"},
        {classOf(*installed.menuBar), "kestrune::MenuBarWiring"},
        {classOf(*installed.navigation), "kestrune::SettingsWindowNavigation"},
        {classOf(*installed.tutorials), "kestrune::TutorialFactory"},
        {classOf(*installed.screens), "kestrune::InformationScreenFactory"},
        {classOf(*installed.splitWindow), "kestrune::WAYSourceListWindow"},
        // The machine's facts and acts: the class that asks the real ones.
        {classOf(*installed.system), "kestrune::CoordinatorSystem"},
        {classOf(*kestrune::PhotosAndHistoryScreens::current()), "kestrune::PhotosAndHistoryScreenFactory"},
        {classOf(*kestrune::ViewHelpers::current()), "kestrune::InterfaceKitHelpers"},
    };
    for (const auto& [found, expected] : members) {
        EXPECT_EQ(found, expected);
        EXPECT_EQ(found.find("Recording"), std::string::npos) << found;
    }
    // Left empty, the link and the commands are the coordinator's carriers to the controllers it makes
    // with the real makers.
    EXPECT_FALSE(installed.link);
    EXPECT_FALSE(installed.commands);
    EXPECT_TRUE(installed.makeRequestController);
    EXPECT_TRUE(installed.makeLoginLogoutController);
}

TEST_F(CoordinatorWiringTest, NoRequestIsLeftToANeighbourThatIsNotBuilt) {
    testsupport::LogCapture lines;
    auto delegate = std::make_shared<testsupport::RecordingNavigationDelegate>();
    auto& navigation = *installed.navigation;
    navigation.initWithDelegate(delegate);
    navigation.setup(installed.splitWindow);
    navigation.setInitialListViewModelFromFactory();
    for (const char* row : {"devicesMenu", "setupMenu", "photosAndHistoryMenu", "musicMenu", "advancedMenu",
                            "updatesMenu", "helpMenu", "shareMenu"})
        navigation.selectRowId_completion(row, nullptr);
    navigation.showLockUnlockHistory();
    navigation.showFailedLoginWindowWithEntry(nullptr);
    navigation.showManualSnapshotsWindowWithEntry(nullptr);
    navigation.showLoginEntriesWithSelectedEntry(nullptr);
    EXPECT_TRUE(navigation.translationPage());
    navigation.updateDevicesPage();
    navigation.updateSetupPage();
    navigation.updateUpdatesPage();
    // The history and photo windows asked to be shown in the detail pane.
    EXPECT_EQ(delegate->count("showDetailController:source:"), 4u);

    // Every screen of the tutorial factory and of the screen factory the coordinator can ask for.
    using Screen = std::function<kestrune::ScreenController()>;
    auto& tutorials = *installed.tutorials;
    auto& screens = *installed.screens;
    auto noop = [] {};
    const std::vector<std::pair<const char*, Screen>> requests{
        {"pairing wizard", [&] { return tutorials.initialTutorial({}); }},
        {"proximity tutorial", [&] { return tutorials.proximityUnlockTutorial({}); }},
        {"wake-unlock tutorial", [&] { return tutorials.macSleepScreenTutorial({}); }},
        {"trusted Wi-Fi wizard", [&] { return tutorials.wifiWizzard({}); }},
        {"clipboard how-to", [&] { return tutorials.clipboardTutorial({}); }},
        {"clear-cache wizard", [&] { return tutorials.clearCacheTutorial({}); }},
        {"help pages", [&] { return tutorials.helpTutorial({}); }},
        {"first-connection help", [&] { return tutorials.initialConnectionTroubleShoot({}); }},
        {"security settings", [&] { return tutorials.systemPreferenceTutorialwithCompletion(noop); }},
        {"accessibility", [&] { return tutorials.accessilityPreferenceTutorialwithCompletion(noop); }},
        {"authorisation requests", [&] { return screens.authOptionsVC(); }},
        {"notifications", [&] { return screens.macOSXNotiicationsVC(); }},
        {"Siri", [&] { return screens.siriTutorialVCAction(noop); }},
        {"setting up Siri", [&] { return screens.setupSiriTutorialVCAction(noop); }},
        {"Touch ID", [&] { return screens.touchIdTutorialVCAction(noop); }},
        {"yes/no", [&] { return screens.showYesNoTutorialVCAction(noop); }},
        {"knock", [&] { return screens.showKnockKnockTutorialVCAction(noop); }},
        {"lock-screen overlay", [&] { return screens.macSleepScreenOverlayVC(); }},
        {"open space", [&] { return screens.openSpaceInfoVC(); }},
        {"manual photos", [&] { return screens.manualPhotosVCWithCompletion(noop); }},
        {"distance estimation", [&] { return screens.distanceEstimationVC(); }},
        {"paused on Wi-Fi", [&] { return screens.proximityLockDisabledBecauseWifiVC(); }},
        {"paused after a login", [&] { return screens.proximityLockDisabledManualLoginVC(); }},
        {"update the phone", [&] { return screens.updateKestruneOnYourPhoneDone(noop); }},
        {"update the Mac", [&] { return screens.updateMacVersion_check_next("Updates", noop, noop); }},
        {"closing the window", [&] { return screens.closeMainWindowTutorial(noop); }},
        {"rating", [&] { return screens.rateOnAppStore(noop); }},
        {"confirming the unlock", [&] { return screens.confirmProximityUnlockTutorial(noop); }},
    };
    for (const auto& [what, request] : requests) EXPECT_TRUE(request()) << what;
    // With every screen made, the events the coordinator passes on reach each of them.
    auto phone = kestrune::MobileDevice::initWithUnId("wired-phone");
    tutorials.didUpdateBluetoothState();
    tutorials.didSyncWithMobileDevice(phone);
    tutorials.updateMacSleepScreenTutorialIfNeeded();
    tutorials.lostConnectionToMobileDevice(phone);
    tutorials.didUnlockMacWithUserConfirmation();
    tutorials.updatePairingWizzard();
    // The engine's own views reach the interface kit's helpers.
    auto view = platform::ui::View::create({0, 0, 10, 10});
    auto helpers = kestrune::ViewHelpers::current();
    helpers->setBackgouroundColor(*view, platform::ui::Color::whiteColor());
    helpers->setAlpha_withDuration(*view, 0.5, 0);
    helpers->setRoundedCornerSize(*view, 4);
    installed.features->showActivityController();
    advance(1);
    for (const auto& line : lines.lines()) EXPECT_EQ(line.find("not built yet"), std::string::npos) << line;
}

}  // namespace
