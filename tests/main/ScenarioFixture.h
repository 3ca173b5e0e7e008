#pragma once

// The whole road in virtual time: the application's coordinator with its real phone link on the
// simulated radio, the real engine on the simulated Mac session, and the scripted phone of a scenario.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "app/store/DataManager.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/session/SecurityAgentListener.h"
#include "features/hotkeys/DDHotKeyCenter.h"
#include "features/hotkeys/ShortCutManager.h"
#include "features/music/MusicController.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "link/requests/MotionDetection.h"
#include "link/requests/RSSIIntake.h"
#include "link/transport/AccountServices.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanningIndicator.h"
#include "link/transport/ShellAnswers.h"
#include "link/transport/SilentPushNotificationManager.h"
#include "main/FeatureWiring.h"
#include "main/ScenarioRunner.h"
#include "main/ScenarioWorld.h"
#include "main/Scenarios.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/sim/PhoneApplication.h"
#include "platform/storage/FileEvents.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Window.h"
#include "tests/engine/SessionFixture.h"
#include "tests/link/BluetoothFixture.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"

namespace scenariotests {

inline void forgetTheRoad() {
    kestrune::AccountServices::install(nullptr);
    kestrune::MotionDetection::install(nullptr);
    kestrune::RSSIIntake::install(nullptr);
    kestrune::ShellAnswers::install(nullptr);
    kestrune::SecurityAgentListener::resetSharedForTesting();
    kestrune::RecoveryManager::resetSharedForTesting();
    kestrune::ScanningIndicator::resetSharedForTesting();
    kestrune::DeviceSpecificConfig::removeOverridesForTesting();
    kestrune::DataManager::resetSharedForTesting();
    kestrune::ShortCutManager::resetForTesting();
    kestrune::DDHotKeyCenter::resetForTesting();
    // The settings window's pages ask the features' shared managers, made on the devices of their test.
    kestrune::SafeWifiManager::resetSharedForTesting();
    kestrune::MusicController::resetSharedForTesting();
    kestrune::UpdateController::resetSharedForTesting();
    kestrune::KestruneUpdater::resetSharedForTesting();
}
inline const bool kRoadResetRegistered = (testsupport::addResetHook(&forgetTheRoad), true);

// The acts of the machine that would reach beyond this process are dropped; its facts are real.
struct QuietSystem : kestrune::CoordinatorSystem {
    void setupLoginItems() override {}
    void checkIfDeviceUnlinkedRemotely() override {}
    void startSilentPushNotificationManager() override {}
    void trackEventType_eventName(const std::string&, const std::string&) override {}
    void relaunchAfterDelay(double) override {}
    void terminate() override {}
};

class RoadTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        // Far from the clock's origin, so that no unset time stamp looks recent.
        advance(100);
        world = kestrune::ScenarioWorld::create(platform::Radio::shared(), session);
    }
    void TearDown() override {
        platform::FileEventSource::cancelAllForTesting();
        // The application keeps the windows on screen, and through them what they show: the window goes,
        // so that no coordinator of this test lives on into the next.
        if (settingsWindow) settingsWindow->close();
        settingsWindow.reset();
        machine.reset();
        world.reset();
        runUntilIdle();
        if (featuresInstalled_) kestrune::uninstallFeaturesForTesting();
        kestrune::DataManager::resetSharedForTesting();
        SessionTest::TearDown();
    }
    // The coordinator as the application makes it, in this world, with its settings window; started by the
    // user, as `kestrune --scenario` is, so that the window opens.
    void launch() {
        kestrune::CoordinatorServices services;
        services.tutorials = world->tutorialScreens();
        services.system = std::make_shared<QuietSystem>();
        services.splitWindow = kestrune::WAYSourceListWindow::create({200, 200, 1095, 575});
        services.navigation = std::make_shared<kestrune::SettingsWindowNavigation>();
        if (prepareServices) prepareServices(services);
        machine = kestrune::StateMachine::create(services);
        settingsWindow = services.splitWindow;
        world->useSettingsWindow(services.splitWindow);
        machine->applicationDidFinishLoading(true);
        advance(1);
    }
    // Steps time in small strides until the condition holds, at most the seconds given.
    bool advanceUntil(const std::function<bool()>& condition, double seconds) {
        for (double waited = 0; waited < seconds; waited += 0.1) {
            if (condition()) return true;
            advance(0.1);
        }
        return condition();
    }
    platform::PhoneApplication& phone() { return world->phone(); }
    // Plays the named scenario to its end in virtual time, in short strides each after the file events so
    // far (a wrong password is noticed while it is typed); answers its timeline and whether it succeeded.
    std::pair<std::string, bool> playToItsEnd(const std::string& scenario) {
        std::ostringstream out;
        kestrune::ScenarioRunner runner(*kestrune::findScenario(scenario), world, out);
        bool over = false;
        runner.onFinished = [&] { over = true; };
        runner.start();
        for (double waited = 0; waited < 400 && !over; waited += 0.05) {
            platform::FileEventSource::deliverPendingEventsForTesting();
            advance(0.05);
        }
        return {out.str(), runner.succeeded()};
    }
    // The application's features, installed at launch as its entry installs them; the world then plays
    // on their Wi-Fi and players. Undone at the end of the test.
    void useFeatures() {
        prepareServices = [this](kestrune::CoordinatorServices& services) {
            world = kestrune::ScenarioWorld::create(platform::Radio::shared(), session,
                                                    kestrune::installFeatures(services, nullptr, session));
            services.tutorials = world->tutorialScreens();
            featuresInstalled_ = true;
        };
    }

    std::shared_ptr<kestrune::ScenarioWorld> world;
    std::shared_ptr<kestrune::StateMachine> machine;
    std::shared_ptr<platform::ui::Window> settingsWindow;
    // Changes the coordinator's services before it is made (the features a test installs).
    std::function<void(kestrune::CoordinatorServices&)> prepareServices;

private:
    bool featuresInstalled_ = false;
};

}  // namespace scenariotests
