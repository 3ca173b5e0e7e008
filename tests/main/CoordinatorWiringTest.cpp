// The program's installation functions put a real class behind every interface of the coordinator: none
// is the logging default, none a recording one; and the requests that only a missing neighbour would
// answer with "not built yet" are answered by the installed classes.

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include "features/KestruneFeatureServices.h"
#include "main/FeatureWiring.h"
#include "main/InterfaceWiring.h"
#include "main/MenuBarWiring.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/services/SoftwareUpdater.h"
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
        kestrune::installFeatures(installed, nullptr, session);
        kestrune::installInterface(installed);
        kestrune::installSettingsWindow(installed);
        kestrune::installMenuBar(installed);
        installed.fillDefaults();
    }
    void TearDown() override {
        kestrune::uninstallSettingsWindowForTesting();
        kestrune::uninstallFeaturesForTesting();
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

    EXPECT_TRUE(installed.tutorials->helpTutorial({}));
    EXPECT_TRUE(installed.tutorials->wifiWizzard({}));
    EXPECT_TRUE(installed.screens->distanceEstimationVC());
    installed.features->showActivityController();
    advance(1);
    for (const auto& line : lines.lines()) EXPECT_EQ(line.find("not built yet"), std::string::npos) << line;
}

}  // namespace
