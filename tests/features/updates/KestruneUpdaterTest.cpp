#include "features/updates/KestruneUpdater.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "platform/system/Shell.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::SoftwareUpdater;
using platform::UpdateItem;

namespace {

// An engine whose checks the test answers itself.
class ScriptedEngine : public SoftwareUpdater {
public:
    explicit ScriptedEngine(std::string bundlePath) : SoftwareUpdater(std::move(bundlePath)) {}

    void setFeedURL(const std::string& url) override {
        feed = url;
        SoftwareUpdater::setFeedURL(url);
    }
    void setUserAgentString(const std::string& agent) override { userAgents.push_back(agent); }
    void setDelegate(std::weak_ptr<platform::SoftwareUpdaterDelegate> delegate) override { host = delegate; }
    void setAutomaticallyChecksForUpdates(bool on) override { automaticChecks = on; }
    void setAutomaticallyDownloadsUpdates(bool on) override { automaticDownloads = on; }
    void checkForUpdates(const void* sender) override { checks.push_back(sender ? "user" : "user:none"); }
    void checkForUpdatesInBackground() override { checks.push_back("background"); }
    bool updateInProgress() const override { return inProgress; }

    std::string feed;
    std::vector<std::string> userAgents;
    std::weak_ptr<platform::SoftwareUpdaterDelegate> host;
    bool automaticChecks = false;
    bool automaticDownloads = false;
    std::vector<std::string> checks;
    bool inProgress = false;
};

class KestruneUpdaterTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        platform::UserDefaults::resetAllForTesting();
        platform::Application::shared().resetForTesting();
        engine = std::make_shared<ScriptedEngine>(SoftwareUpdater::defaultEngineBundlePath());
        updater = KestruneUpdater::create(engine, "http://127.0.0.1:9/feed.plist");
        runUntilIdle();
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            KestruneUpdater::kKestruneStateUpdateNotification, nullptr,
            [this](const platform::Notification&) { states.push_back(updater->updaterState()); });
        platform::Shell::setLaunchInterceptor(
            [this](const std::string& path, const std::vector<std::string>& args) {
                launches.push_back({path, args});
                return launchSucceeds;
            });
    }
    void TearDown() override {
        platform::Shell::setLaunchInterceptor(nullptr);
        observation.remove();
        updater.reset();
        runUntilIdle();
        platform::Application::shared().resetForTesting();
        platform::UserDefaults::resetAllForTesting();
        KestruneTest::TearDown();
    }

    struct Launch {
        std::string path;
        std::vector<std::string> arguments;
    };
    std::shared_ptr<ScriptedEngine> engine;
    std::shared_ptr<KestruneUpdater> updater;
    platform::NotificationCenter::Observation observation;
    std::vector<int32_t> states;
    std::vector<Launch> launches;
    bool launchSucceeds = true;
    const UpdateItem item{"9.0", "http://127.0.0.1:9/Kestrune-9.0.zip"};
};

}  // namespace

TEST_F(KestruneUpdaterTest, TheFeedIsStoredForTheEngineWhichGetsNoUserAgent) {
    EXPECT_EQ(platform::UserDefaults::standard()->stringForKey("SUFeedURL"),
              std::optional<std::string>("http://127.0.0.1:9/feed.plist"));
    EXPECT_EQ(engine->feed, "http://127.0.0.1:9/feed.plist");
    EXPECT_EQ(engine->userAgents, std::vector<std::string>{""});
    EXPECT_EQ(engine->host.lock(), updater);
    updater->setShouldAutomaticallyCheckForUpdates(true);
    EXPECT_TRUE(engine->automaticChecks && engine->automaticDownloads);
    updater->setShouldAutomaticallyCheckForUpdates(false);
    EXPECT_FALSE(engine->automaticChecks || engine->automaticDownloads);
    EXPECT_TRUE(updater->updaterMayCheckForUpdates(*engine));
    EXPECT_TRUE(updater->updaterShouldRelaunchApplication(*engine));
    EXPECT_FALSE(updater->updater_shouldPostponeRelaunchForUpdate_untilInvoking(*engine, item, [] {}));
}

TEST_F(KestruneUpdaterTest, EachEngineAnswerSetsItsStateAndEverySetIsAnnounced) {
    int sender = 0;
    updater->checkForUpdates(&sender);
    EXPECT_TRUE(engine->checks.empty());  // on the main queue, after this turn
    runUntilIdle();
    EXPECT_EQ(engine->checks, std::vector<std::string>{"user"});
    EXPECT_TRUE(updater->checkingInForeground());
    updater->updater_didFindValidUpdate(*engine, item);
    EXPECT_EQ(updater->updaterState(), KestruneUpdater::kStateFoundByUser);

    updater->checkForUpdatesInBackground();
    EXPECT_FALSE(updater->checkingInForeground());
    updater->updater_didFindValidUpdate(*engine, item);
    updater->updaterDidNotFindUpdate(*engine);
    updater->updaterDidNotFindUpdate(*engine);
    updater->updater_didAbortWithError(*engine, platform::Error{"x", 1, "offline"});  // changes nothing
    EXPECT_EQ(states, (std::vector<int32_t>{1, 2, 1, 3, 5, 5}));

    bool invoked = false;
    updater->updater_willInstallUpdateOnQuit_immediateInstallationInvocation(*engine, item,
                                                                             [&] { invoked = true; });
    runUntilIdle();
    EXPECT_EQ(updater->updaterState(), KestruneUpdater::kStateReadyToInstallOnQuit);
    EXPECT_TRUE(updater->hasRelaunchInvocation());
    updater->updater_didCancelInstallUpdateOnQuit(*engine, item);
    EXPECT_EQ(updater->updaterState(), KestruneUpdater::kStateInstallOnQuitCancelled);
    EXPECT_FALSE(updater->hasRelaunchInvocation());
    updater->relaunchIfPossible();
    EXPECT_FALSE(invoked);
}

TEST_F(KestruneUpdaterTest, ABackgroundCheckWhileTheEngineWorksIsSkipped) {
    engine->inProgress = true;
    updater->checkForUpdatesInBackground();
    EXPECT_TRUE(engine->checks.empty());
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(updater->updaterState(), KestruneUpdater::kStateIdle);
}

TEST_F(KestruneUpdaterTest, ADownloadedUpdateInstallsAtOnceOnlyWhenAllowed) {
    int installs = 0;
    updater->updater_willInstallUpdateOnQuit_immediateInstallationInvocation(*engine, item,
                                                                             [&] { ++installs; });
    runUntilIdle();
    EXPECT_EQ(installs, 0);  // waits for the quit or the user
    updater->relaunchIfPossible();
    EXPECT_EQ(installs, 1);

    updater->setShouldAutomaticallyCheckForUpdates(true);
    updater->updater_willInstallUpdateOnQuit_immediateInstallationInvocation(*engine, item,
                                                                             [&] { ++installs; });
    runUntilIdle();
    EXPECT_EQ(installs, 2);

    updater->setShouldAutomaticallyCheckForUpdates(false);
    updater->setInstallAfterDownload(true);
    updater->updater_willInstallUpdateOnQuit_immediateInstallationInvocation(*engine, item,
                                                                             [&] { ++installs; });
    runUntilIdle();
    EXPECT_EQ(installs, 3);
}

TEST_F(KestruneUpdaterTest, ARelaunchThatCannotStartItsToolLeavesTheApplicationRunning) {
    auto empty = std::make_shared<ScriptedEngine>(home() + "/no-engine");
    auto stranded = KestruneUpdater::create(empty, "http://127.0.0.1:9/feed.plist");
    runUntilIdle();
    EXPECT_FALSE(stranded->relaunch(nullptr));
    EXPECT_FALSE(platform::Application::shared().isTerminated());
    EXPECT_TRUE(launches.empty());

    launchSucceeds = false;
    EXPECT_FALSE(updater->relaunch(nullptr));
    EXPECT_FALSE(platform::Application::shared().isTerminated());

    launchSucceeds = true;
    EXPECT_TRUE(updater->relaunch(nullptr));
    EXPECT_TRUE(platform::Application::shared().isTerminated());
    ASSERT_EQ(launches.size(), 2u);
    const std::string copy = platform::StandardFolders::temporary() + "/relaunch";
    EXPECT_EQ(launches[1].path, copy);
    EXPECT_EQ(launches[1].arguments, (std::vector<std::string>{platform::Bundle::main().executablePath(),
                                                               std::to_string(getpid())}));
    EXPECT_EQ(platform::Files::read(copy), platform::Files::read(*engine->pathForHelper("relaunch")));
}

TEST_F(KestruneUpdaterTest, TheRelaunchToolStartsTheApplicationOnceItsProcessHasEnded) {
    // A process that has ended, and an "application" that leaves a mark.
    auto ended = platform::Shell::run("/bin/sh", {"-c", "echo $$"});
    ASSERT_EQ(ended.exitStatus, 0);
    const std::string mark = home() + "/started";
    const std::string application = home() + "/application";
    ASSERT_TRUE(platform::Files::writeAtomically(
        application, platform::Data::fromString("#!/bin/sh\ntouch '" + mark + "'\n"), 0700));
    auto tool = engine->pathForHelper("relaunch");
    ASSERT_TRUE(tool);
    auto run = platform::Shell::run(*tool, {application, ended.output.substr(0, ended.output.find('\n'))});
    EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
    EXPECT_TRUE(platform::Files::exists(mark));
    EXPECT_EQ(platform::Shell::run(*tool, {application}).exitStatus, 2);
    EXPECT_EQ(platform::Shell::run(*tool, {application, "1; rm -rf x"}).exitStatus, 2);
}

// The engine itself, reading a feed from a loopback server.
class UpdateEngineTest : public KestruneUpdaterTest {
protected:
    void SetUp() override {
        KestruneUpdaterTest::SetUp();
        ASSERT_TRUE(server.start());
        realEngine = SoftwareUpdater::create(SoftwareUpdater::defaultEngineBundlePath());
        realUpdater = KestruneUpdater::create(realEngine, server.url("/feed.plist"));
        runUntilIdle();
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            KestruneUpdater::kKestruneStateUpdateNotification, realUpdater.get(),
            [this](const platform::Notification&) { states.push_back(realUpdater->updaterState()); });
    }
    void TearDown() override {
        realUpdater.reset();
        realEngine.reset();
        runUntilIdle();
        server.stop();
        KestruneUpdaterTest::TearDown();
    }
    void serveVersion(const std::string& version) {
        testsupport::LoopbackServer::Answer answer;
        auto data = platform::PropertyList::dataFromValue(
            platform::Value(
                platform::Value::Dictionary{{"version", version}, {"url", "http://127.0.0.1:9/k.zip"}}),
            platform::PropertyList::Format::XML);
        answer.body.assign(reinterpret_cast<const char*>(data->bytes()), data->size());
        server.setDefaultAnswer(answer);
    }

    testsupport::LoopbackServer server;
    std::shared_ptr<SoftwareUpdater> realEngine;
    std::shared_ptr<KestruneUpdater> realUpdater;
};

TEST_F(UpdateEngineTest, TheInstalledVersionIsUpToDateAndAFailedCheckChangesNothing) {
    serveVersion("1.0.0");
    realUpdater->checkForUpdates(nullptr);
    runUntilIdle();
    EXPECT_EQ(states, (std::vector<int32_t>{1, 5}));
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_FALSE(server.requests()[0].header("User-Agent").has_value() &&
                 !server.requests()[0].header("User-Agent")->empty());

    server.setDefaultAnswer({404, {}, "missing", 0, false});
    realUpdater->checkForUpdatesInBackground();
    runUntilIdle();
    EXPECT_EQ(realUpdater->updaterState(), KestruneUpdater::kStateChecking);
    EXPECT_FALSE(realEngine->updateInProgress());
}

TEST_F(UpdateEngineTest, AutomaticUpdatesDownloadInstallAndRelaunchWithoutTheUser) {
    serveVersion("1.0.10");
    realUpdater->setShouldAutomaticallyCheckForUpdates(true);  // the engine checks at once by itself
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(states, (std::vector<int32_t>{KestruneUpdater::kStateFoundInBackground,
                                            KestruneUpdater::kStateReadyToInstallOnQuit}));
    EXPECT_TRUE(platform::Application::shared().isTerminated());
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].arguments[0], platform::Bundle::main().executablePath());
}

TEST_F(UpdateEngineTest, WithoutAutomaticUpdatesADownloadedUpdateWaitsForTheUser) {
    serveVersion("2.0");
    realUpdater->checkForUpdates(nullptr);
    runUntilIdle();
    EXPECT_EQ(states, (std::vector<int32_t>{1, 2, 4}));
    EXPECT_TRUE(realEngine->updateInProgress());
    realUpdater->checkForUpdatesInBackground();  // skipped: an update waits
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_FALSE(platform::Application::shared().isTerminated());
    realUpdater->relaunchIfPossible();
    EXPECT_TRUE(platform::Application::shared().isTerminated());
    EXPECT_EQ(launches.size(), 1u);
}

TEST_F(UpdateEngineTest, AFeedVersionThatIsNotDottedNumbersOffersNothing) {
    // "1.0.1-beta" read number by number passes for 1.0.1, newer than the installed 1.0.0.
    serveVersion("1.0.1-beta");
    testsupport::LogCapture capture;
    realUpdater->checkForUpdates(nullptr);
    runUntilIdle();
    EXPECT_EQ(states, (std::vector<int32_t>{KestruneUpdater::kStateChecking}))
        << "refused, as a feed without one";
    EXPECT_FALSE(realEngine->updateInProgress());
    EXPECT_TRUE(
        capture.contains("SoftwareUpdater: the update feed's version \"1.0.1-beta\" is not dotted numbers; "
                         "it counts as missing"));

    for (const char* text : {"latest", "1..1", "2.", " 2"})
        EXPECT_FALSE(SoftwareUpdater::parseFeed(*platform::PropertyList::dataFromValue(
            platform::Value(platform::Value::Dictionary{{"version", text}}),
            platform::PropertyList::Format::XML)))
            << text;
    serveVersion("1.0.1");
    realUpdater->checkForUpdates(nullptr);
    runUntilIdle();
    EXPECT_EQ(states, (std::vector<int32_t>{1, 1, KestruneUpdater::kStateFoundByUser,
                                            KestruneUpdater::kStateReadyToInstallOnQuit}));
}
