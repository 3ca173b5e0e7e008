#include "app/shell/AppDelegate.h"

#include <signal.h>

#include <fstream>

#include "app/shell/ApplicationRelaunch.h"
#include "app/shell/CustomRunArgs.h"
#include "app/shell/DockIconManager.h"
#include "app/shell/SoundManager.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/Shell.h"
#include "platform/system/Workspace.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

namespace {

class RecordingStateMachine : public StateMachineInterface {
public:
    std::vector<std::string> calls;
    void applicationDidFinishLoading(bool open) override {
        calls.push_back(std::string("didFinishLoading:") + (open ? "YES" : "NO"));
    }
    void dockItemToggled() override { calls.push_back("dockItemToggled"); }
    void applicationWillTerminate() override { calls.push_back("applicationWillTerminate"); }
    void macWillShutDown() override { calls.push_back("macWillShutDown"); }
    void showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object> entry) override {
        calls.push_back(entry ? "showFailedLogin:entry" : "showFailedLogin:none");
    }
    void showLockUnlockHistory() override { calls.push_back("showLockUnlockHistory"); }
    void showMainMenu() override { calls.push_back("showMainMenu"); }
};

class RecordingServices : public LanguageSetupService,
                          public MugShotPathService,
                          public HostedBackendService {
public:
    std::vector<std::string> calls;
    HostedBackendConfiguration configuration;
    void setupInitialLanguageIfNeeded() override { calls.push_back("language"); }
    std::string mugShotFilePathInDocuments() override { return "/home/user/Documents/Kestrune/photo.png"; }
    void trackAppOpenedWithLaunchOptions() override { calls.push_back("trackAppOpened"); }
    void initializeWithConfiguration(const HostedBackendConfiguration& c) override {
        configuration = c;
        calls.push_back("backendInit");
    }
};

}  // namespace

class AppDelegateTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        platform::Application::shared().resetForTesting();
        platform::UserNotificationCenter::defaultCenter().resetForTesting();
        platform::UserNotificationBackend::install(notifications);
        platform::Workspace::shared().resetForTesting();
        platform::WorkspaceBackend::install(workspace);
        platform::LaunchEvent::setCurrentForTesting(std::nullopt);
        delegate.stateMachine = stateMachine;
        delegate.languageService = &services;
        delegate.mugShotService = &services;
        delegate.hostedBackend = &services;
        platform::Application::shared().setDelegate(&delegate);
    }
    void TearDown() override {
        platform::Application::shared().resetForTesting();
        platform::UserNotificationCenter::defaultCenter().resetForTesting();
        platform::UserNotificationBackend::install(nullptr);
        platform::WorkspaceBackend::install(nullptr);
        KestruneTest::TearDown();
    }

    std::shared_ptr<platform::UserNotificationRecorder> notifications =
        std::make_shared<platform::UserNotificationRecorder>();
    std::shared_ptr<platform::WorkspaceRecorder> workspace = std::make_shared<platform::WorkspaceRecorder>();

    std::shared_ptr<RecordingStateMachine> stateMachine = std::make_shared<RecordingStateMachine>();
    RecordingServices services;
    AppDelegate delegate;
};

TEST_F(AppDelegateTest, LaunchStepsRunInOrder) {
    platform::Application::shared().finishLaunching();
    EXPECT_EQ(platform::MoveToApplications::offerCount() > 0, true);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"language", "trackAppOpened", "backendInit"}));
    EXPECT_EQ(services.configuration.applicationId.size(), 40u);
    EXPECT_EQ(services.configuration.clientKey.size(), 40u);
    EXPECT_TRUE(services.configuration.localDatastoreEnabled);
    EXPECT_EQ(stateMachine->calls, (std::vector<std::string>{"didFinishLoading:YES"}));
    EXPECT_EQ(platform::UserNotificationCenter::defaultCenter().delegate(), &delegate);
    EXPECT_TRUE(platform::UserDefaults::standard()->boolForKey("NSApplicationCrashOnExceptions"));
}

TEST_F(AppDelegateTest, TheReportingKitIsStartedThroughItsServiceWhenWired) {
    struct RecordingKit : ReportingKitService {
        int starts = 0;
        void startReportingKit() override { ++starts; }
    } kit;
    delegate.setupThirdPartFrameworks();  // not wired: nothing to start, and no crash
    delegate.reportingKit = &kit;
    delegate.setupThirdPartFrameworks();
    EXPECT_EQ(kit.starts, 1);
}

// The reporting kit's start may hold the launch (a report of a crash during the last start-up sent before
// anything else); a quit signal taken meanwhile ends the launch there: neither the hosted backend nor the
// coordinator starts, and so no window shows.
TEST_F(AppDelegateTest, AQuitSignalDuringTheReportingKitsStartEndsTheLaunchThere) {
    struct QuitDuringStart : ReportingKitService {
        void startReportingKit() override { platform::Application::shared().terminateForSignal(SIGTERM); }
    } kit;
    delegate.reportingKit = &kit;
    testsupport::LogCapture log;
    platform::Application::shared().finishLaunching();
    EXPECT_EQ(services.calls, (std::vector<std::string>{"language"}));
    EXPECT_TRUE(stateMachine->calls.empty());
    EXPECT_TRUE(log.contains("the quit began during the launch; the rest of the start-up does not run"));
    runUntilIdle();  // the signal's quit request, while this test's delegate is still the application's
}

TEST_F(AppDelegateTest, StoredCrashOnExceptionsWinsOverTheRegisteredDefault) {
    platform::UserDefaults::standard()->setBool_forKey(false, "NSApplicationCrashOnExceptions");
    platform::Application::shared().finishLaunching();
    EXPECT_FALSE(platform::UserDefaults::standard()->boolForKey("NSApplicationCrashOnExceptions"));
}

TEST_F(AppDelegateTest, LoginItemLaunchStartsTheCoordinatorWithNo) {
    platform::LaunchEvent::setCurrentForTesting(platform::LaunchEvent{"oapp", "lgit"});
    EXPECT_TRUE(delegate.appWasLaunchedFromLoginItems());
    platform::Application::shared().finishLaunching();
    EXPECT_EQ(stateMachine->calls, (std::vector<std::string>{"didFinishLoading:NO"}));

    platform::LaunchEvent::setCurrentForTesting(platform::LaunchEvent{"oapp", ""});
    EXPECT_FALSE(delegate.appWasLaunchedFromLoginItems());
    platform::LaunchEvent::setCurrentForTesting(platform::LaunchEvent{"odoc", "lgit"});
    EXPECT_FALSE(delegate.appWasLaunchedFromLoginItems());
}

TEST_F(AppDelegateTest, NotificationClicksByIdentifier) {
    auto& center = platform::UserNotificationCenter::defaultCenter();
    delegate.registerForNativeNotificationCallbacks();
    notifications->activate("kKestruneDetectedFaileLoginAttempt");
    notifications->activate("kKestruneLockUnlockNotification");
    notifications->activate("kKestruneLockPasswordInsertedNotification");
    notifications->activate("something else");
    EXPECT_EQ(stateMachine->calls, (std::vector<std::string>{"showFailedLogin:none", "showLockUnlockHistory",
                                                             "showMainMenu", "showMainMenu"}));
    notifications->activate("kKestruneRegularMugshotSavedNotification");
    EXPECT_EQ(workspace->revealedFiles(),
              (std::vector<std::string>{"/home/user/Documents/Kestrune/photo.png"}));
    EXPECT_TRUE(delegate.userNotificationCenter_shouldPresentNotification(center, {}));
}

TEST_F(AppDelegateTest, ReopenQuitAndPowerOffReachTheCoordinator) {
    auto& app = platform::Application::shared();
    app.finishLaunching();
    stateMachine->calls.clear();
    app.reopen(true);
    app.reopen(false);
    app.lastWindowDidClose();
    EXPECT_FALSE(app.isTerminated());  // closing the last window never quits
    platform::Workspace::shared().notificationCenter().post(platform::Workspace::kWillPowerOffNotification);
    app.terminate();
    EXPECT_TRUE(app.isTerminated());
    EXPECT_EQ(stateMachine->calls, (std::vector<std::string>{"dockItemToggled", "dockItemToggled",
                                                             "macWillShutDown", "applicationWillTerminate"}));
}

TEST_F(AppDelegateTest, CleanRunArgumentMatchesExactly) {
    auto& info = platform::ProcessInfo::shared();
    info.setArguments({"/usr/bin/kestrune", "-clean-run"});
    EXPECT_TRUE(CustomRunArgs::isCleanRun());
    info.setArguments({"/usr/bin/kestrune", "--clean-run"});
    EXPECT_FALSE(CustomRunArgs::isCleanRun());
    info.setArguments({"/usr/bin/kestrune", "-Clean-Run"});
    EXPECT_FALSE(CustomRunArgs::isCleanRun());
    EXPECT_TRUE(CustomRunArgs::containsRunArgument("/usr/bin/kestrune"));  // the program path counts
    info.setArguments({});
}

TEST_F(AppDelegateTest, DockIconPolicyAndBouncing) {
    auto& app = platform::Application::shared();
    testsupport::LogCapture log;
    DockIconManager::showDockIcon(true);  // already regular: nothing changes
    EXPECT_FALSE(log.contains("activation policy"));
    DockIconManager::showDockIcon(false);
    EXPECT_EQ(app.activationPolicy(), platform::Application::ActivationPolicy::Accessory);
    DockIconManager::setDockIconBouncing(true);
    EXPECT_TRUE(app.isRequestingAttention());
    DockIconManager::setDockIconBouncing(false);
    EXPECT_FALSE(app.isRequestingAttention());
}

TEST_F(AppDelegateTest, RelaunchPassesThePathAsAnArgumentNotAsShellText) {
    auto args = relaunchCommandArguments(0.25f, "/opt/my \"odd\" $dir/kestrune", {"-clean-run"});
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[0], "-c");
    EXPECT_EQ(args[1], "sleep 0.250000; exec \"$0\" \"$@\"");
    EXPECT_EQ(args[2], "/opt/my \"odd\" $dir/kestrune");
    EXPECT_EQ(args[3], "-clean-run");

    // The shell really keeps such a path whole: run the script with `printf` standing in for the program.
    auto result = platform::Shell::run(
        "/bin/sh", {"-c", "sleep 0.000000; exec \"$0\" \"$@\"", "/usr/bin/printf", "[%s]", "a \"b\" $c"});
    ASSERT_TRUE(result.launched);
    EXPECT_EQ(result.output, "[a \"b\" $c]");

    std::vector<std::string> launched;
    platform::Shell::setLaunchInterceptor([&](const std::string& path, const std::vector<std::string>& a) {
        launched = a;
        launched.insert(launched.begin(), path);
        return true;
    });
    // The relaunched process is told that it is one, once, so that a clean run is not emptied again.
    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run"});
    relaunchAfterDelay(0.25f);
    ASSERT_GE(launched.size(), 5u);
    EXPECT_EQ(launched[0], "/bin/sh");
    EXPECT_EQ(std::vector<std::string>(launched.end() - 2, launched.end()),
              (std::vector<std::string>{"-clean-run", "-relaunched"}));
    EXPECT_TRUE(platform::Application::shared().isTerminated());
    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run", "-relaunched"});
    relaunchAfterDelay(0.25f);
    EXPECT_EQ(std::vector<std::string>(launched.begin() + 4, launched.end()),
              (std::vector<std::string>{"-clean-run", "-relaunched"}));
    platform::Shell::setLaunchInterceptor(nullptr);
    platform::ProcessInfo::shared().setArguments({});
}

TEST_F(AppDelegateTest, SoundsComeFromTheBundle) {
    testsupport::LogCapture log;
    SoundManager::playErrorSound();
    SoundManager::playFoundNewDeviceSound();
    auto played = workspace->playedSounds();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_TRUE(played[0].ends_with("/error.wav"));
    EXPECT_TRUE(played[1].ends_with("/new_device_found.mp3"));
    SoundManager::playSoundWithFileName_type("no_such_sound", "wav");
    EXPECT_TRUE(log.contains("no sound resource no_such_sound.wav"));
}
