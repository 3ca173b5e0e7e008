#include "reporting/crash/controller/CRKCrashReportingController.h"

#include <csignal>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/base/RunLoop.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "tests/reporting/crash/CrashKitFixture.h"

using namespace reporting;

namespace {

struct FakeSubmission : CRKReportSubmission {
    std::mutex mutex;
    std::vector<std::tuple<std::string, bool, bool>> prepared;  // folder name, urgent, processing
    std::vector<std::string> uploads;
    bool prepareAndSubmitReport(const std::shared_ptr<CRKInternalReport>& report, bool urgent,
                                bool processing) override {
        {
            std::lock_guard lock(mutex);
            prepared.emplace_back(report->directoryName(), urgent, processing);
        }
        if (auto once = std::exchange(whilePreparing, nullptr)) once();
        return true;
    }
    void uploadPackagedReportAtPath(const std::string& path, bool) override {
        std::lock_guard lock(mutex);
        uploads.push_back(platform::Files::lastPathComponent(path));
    }
    void attemptToReconnectBackgroundSession(std::function<void()> completion) override { completion(); }
    void stopPreparingReports() override { stops++; }
    // Run while the first report is prepared, as a signal that comes then.
    std::function<void()> whilePreparing;
    std::atomic<int> stops{0};
};

struct ScriptedPrompt : CRKPermissionPrompt {
    std::vector<long> answers;
    int asked = 0;
    long runModal(const std::string&, const std::string&, const std::vector<std::string>& buttons) override {
        EXPECT_EQ(buttons, (std::vector<std::string>{"Send", "Always Send", "Don't Send"}));
        return answers.at(asked++);
    }
};

struct FakeDelegate : CRKCrashReportingControllerDelegate {
    CRKCrashSettings settings;
    bool mustInform = true;
    bool submit = true;
    int completionCalls = 1;
    std::atomic<int> detected{0}, internalDetected{0};
    std::optional<std::string> APIKeyForCrashReportingController(CRKCrashReportingController&) override {
        return "api-key";
    }
    std::string installIDForCrashReportingController(CRKCrashReportingController&) override {
        return "install";
    }
    bool isFirstInstallForCrashReportingController(CRKCrashReportingController&) override { return false; }
    CRKCrashSettings settingsForCrashReportingController(CRKCrashReportingController&) override {
        return settings;
    }
    bool reportingControllerMustInformDelegateOfReports(CRKCrashReportingController&) override {
        return mustInform;
    }
    bool reportingController_ensureDeliveryOfUnixSignal(CRKCrashReportingController&, int) override {
        return false;
    }
    void reportingController_internalDidDetectReportForLastExecution(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>&) override {
        ++internalDetected;
    }
    void reportingController_didDetectReportForLastExecution_completionHandler(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>&,
        std::function<void(bool)> completion) override {
        ++detected;
        for (int i = 0; i < completionCalls; ++i) completion(submit);
    }
};

class CRKCrashReportingControllerTest : public crashtests::CrashKitFixture {
protected:
    void SetUp() override {
        CrashKitFixture::SetUp();
        files = std::make_shared<CRKFileManager>(home() + "/reports");
        files->prepareForNewLaunch();
        delegate = std::make_shared<FakeDelegate>();
        submission = std::make_shared<FakeSubmission>();
        prompt = std::make_shared<ScriptedPrompt>();
    }
    void TearDown() override {
        runUntilIdle();
        if (controller) controller->operationQueue()->waitUntilAllOperationsAreFinished();
        controller.reset();
        CRKSetAnalyticsEventRegistration(nullptr);
        CrashKitFixture::TearDown();
    }
    // A folder an earlier run left in the active folder, with or without a crash record.
    std::string earlierReport(const std::string& name, bool crashed = true, const std::string& folder = "") {
        const std::string path = (folder.empty() ? files->activePath() : folder) + "/" + name;
        platform::Files::createDirectories(path);
        std::ofstream(path + "/metadata.crkrecord") << "{\"identity\":{\"session_id\":\"" << name << "\"}}\n";
        if (crashed) std::ofstream(path + "/signal.crkrecord") << "{\"signal\":{\"number\":11}}\n";
        return path;
    }
    bool start() {
        auto sub = submission;
        controller = CRKCrashReportingController::initWithFileManager_delegate(
            files, delegate, [sub](CRKCrashReportingController&) { return sub; }, prompt);
        return controller->startWithProfilingMark_betaToken(now(), std::nullopt);
    }
    void settle() {
        for (int i = 0; i < 4; ++i) {
            runUntilIdle();
            controller->operationQueue()->waitUntilAllOperationsAreFinished();
        }
    }
    std::vector<std::tuple<std::string, bool, bool>> prepared() {
        std::lock_guard lock(submission->mutex);
        return submission->prepared;
    }
    static std::string folderText(const std::string& folder) {
        std::string all;
        for (const auto& name : platform::Files::listDirectory(folder)) {
            std::ifstream in(folder + "/" + name);
            std::stringstream text;
            text << in.rdbuf();
            all += text.str();
        }
        return all;
    }

    std::shared_ptr<CRKFileManager> files;
    std::shared_ptr<FakeDelegate> delegate;
    std::shared_ptr<FakeSubmission> submission;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::shared_ptr<CRKCrashReportingController> controller;
};

TEST_F(CRKCrashReportingControllerTest, ThePromptAnswerHoldsForEveryReportOfTheRun) {
    struct Case {
        long answer;
        unsigned choice;
        size_t submitted;
    };
    const Case cases[] = {{1002, CRKCrashReportingController::DoNotSend, 0},
                          {1000, CRKCrashReportingController::Send, 3},
                          {1001, CRKCrashReportingController::AlwaysSend, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        files->removeContentsOfAllPaths();
        files->prepareForNewLaunch();
        for (const char* name : {"r1", "r2", "r3"}) earlierReport(name);
        delegate->settings.userPromptEnabled = true;
        prompt->answers = {c.answer};
        prompt->asked = 0;
        submission->prepared.clear();
        CRKContextResetForTesting();
        ASSERT_TRUE(start());
        settle();
        EXPECT_EQ(prompt->asked, 1);  // a new run asks once again
        EXPECT_EQ(controller->promptChoice(), c.choice);
        EXPECT_EQ(prepared().size(), c.submitted);
        for (const char* name : {"r1", "r2", "r3"})
            EXPECT_EQ(platform::Files::exists(files->activePath() + "/" + name), c.submitted > 0) << name;
        controller->operationQueue()->waitUntilAllOperationsAreFinished();
        controller.reset();
    }
}

// The application's own prompt is the desktop's alert: the user sees the prompt's three buttons and the
// one chosen decides, for this report and the run's later ones; an alert nobody answers sends and
// deletes nothing.
TEST_F(CRKCrashReportingControllerTest, TheDesktopsAlertAsksWithThreeButtonsAndTheChosenOneDecides) {
    auto desktop = std::make_shared<platform::SimulatedDesktop>(std::weak_ptr<platform::SimulatedSession>{});
    struct Installed {
        explicit Installed(std::shared_ptr<platform::DesktopServices> d) {
            platform::DesktopServices::install(d);
        }
        ~Installed() { platform::DesktopServices::install(nullptr); }
    } installed(desktop);
    prompt.reset();  // the kit's own prompt
    struct Case {
        std::optional<size_t> button;
        unsigned choice;
        size_t submitted;
        size_t asked;
    };
    const Case cases[] = {{2, CRKCrashReportingController::DoNotSend, 0, 1},
                          {0, CRKCrashReportingController::Send, 3, 1},
                          {1, CRKCrashReportingController::AlwaysSend, 3, 1},
                          {std::nullopt, CRKCrashReportingController::NotAsked, 0, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button ? static_cast<long>(*c.button) : -1L);
        files->removeContentsOfAllPaths();
        files->prepareForNewLaunch();
        for (const char* name : {"r1", "r2", "r3"}) earlierReport(name);
        delegate->settings.userPromptEnabled = true;
        submission->prepared.clear();
        size_t asked = 0;
        desktop->setAlertAnswerer([&](const std::string&, const std::vector<std::string>&) {
            ++asked;
            return c.button;
        });
        const size_t alertsBefore = desktop->askingAlerts().size();
        CRKContextResetForTesting();
        ASSERT_TRUE(start());
        settle();
        EXPECT_EQ(asked, c.asked);
        const auto alerts = desktop->askingAlerts();
        ASSERT_EQ(alerts.size(), alertsBefore + c.asked);
        EXPECT_EQ(alerts.back().message, delegate->settings.promptTitle);
        EXPECT_EQ(alerts.back().informativeText, delegate->settings.promptMessage);
        EXPECT_EQ(alerts.back().buttons, (std::vector<std::string>{"Send", "Always Send", "Don't Send"}));
        EXPECT_EQ(controller->promptChoice(), c.choice);
        EXPECT_EQ(prepared().size(), c.submitted);
        // Declined reports are deleted; unanswered ones wait in place for the next launch to ask again.
        for (const char* name : {"r1", "r2", "r3"})
            EXPECT_EQ(platform::Files::exists(files->activePath() + "/" + name),
                      c.choice != CRKCrashReportingController::DoNotSend)
                << name;
        controller->operationQueue()->waitUntilAllOperationsAreFinished();
        controller.reset();
    }
    desktop->setAlertAnswerer(nullptr);
}

TEST_F(CRKCrashReportingControllerTest, AFolderWithNothingToSendIsRemovedWithoutAskingTheDelegate) {
    const auto path = earlierReport("quiet", false);
    ASSERT_TRUE(start());
    settle();
    EXPECT_FALSE(platform::Files::exists(path));
    EXPECT_EQ(delegate->detected.load(), 0);
    EXPECT_EQ(delegate->internalDetected.load(), 0);
}

TEST_F(CRKCrashReportingControllerTest, ADelegateAnsweringTwiceIsHeardOnce) {
    earlierReport("twice");
    delegate->completionCalls = 2;
    ASSERT_TRUE(start());
    settle();
    EXPECT_EQ(prepared(), (std::vector<std::tuple<std::string, bool, bool>>{{"twice", false, true}}));
}

TEST_F(CRKCrashReportingControllerTest, ALaunchThatDiedEarlySubmitsAtOnceWithoutTheDelegate) {
    earlierReport("early");
    platform::Files::writeAtomically(files->structurePath() + "/launchmarker", platform::Data());
    delegate->mustInform = false;
    delegate->settings.canProcessUrgentReports = true;
    ASSERT_TRUE(start());
    // Handed over during start-up itself, on this thread.
    EXPECT_EQ(prepared(), (std::vector<std::tuple<std::string, bool, bool>>{{"early", true, true}}));
    EXPECT_EQ(delegate->detected.load(), 0);
    EXPECT_EQ(delegate->internalDetected.load(), 1);
    EXPECT_TRUE(platform::Files::exists(controller->launchMarkerPath()));
    runUntilIdle();  // the first turn of the main run loop ends the launch's window
    EXPECT_FALSE(platform::Files::exists(controller->launchMarkerPath()));
}

// The urgent road holds the main thread, where a quit waits unseen: a signal that comes meanwhile stops
// the preparation from the signal's own thread, and the reports not yet begun stay for a later launch:
// the other active ones, the one an earlier run left in processing, the prepared package, and a package
// whose upload failed is not retried.
TEST_F(CRKCrashReportingControllerTest, ASignalDuringTheUrgentRoadStopsItAndLeavesTheRestForALaterLaunch) {
    earlierReport("first");
    earlierReport("second");
    earlierReport("half", true, files->processingPath());
    platform::Files::writeAtomically(files->preparedPath() + "/pkg.multipartmime",
                                     platform::Data::fromString("x"));
    platform::Files::writeAtomically(files->structurePath() + "/launchmarker", platform::Data());
    delegate->mustInform = false;
    delegate->settings.canProcessUrgentReports = true;
    submission->whilePreparing = [] {
        std::thread([] { platform::Application::shared().terminateForSignal(SIGTERM); }).join();
    };
    ASSERT_TRUE(start());
    EXPECT_EQ(submission->stops.load(), 1);
    EXPECT_TRUE(controller->preparationStopped());
    EXPECT_EQ(prepared(), (std::vector<std::tuple<std::string, bool, bool>>{{"first", true, true}}));
    EXPECT_TRUE(platform::Files::exists(files->activePath() + "/second/signal.crkrecord"));
    settle();
    EXPECT_EQ(prepared().size(), 1u);
    controller->reportsController_didCompletePackageSubmission_error(
        files->preparedPath() + "/pkg.multipartmime", KitError::errorWithDomain_code_userInfo("Upload", -1));
    advance(CRKCrashReportingController::kRetryInterval);
    settle();
    EXPECT_EQ(prepared().size(), 1u);
    EXPECT_TRUE(submission->uploads.empty());
    EXPECT_TRUE(platform::Files::exists(files->processingPath() + "/half/signal.crkrecord"));
    EXPECT_TRUE(platform::Files::exists(files->preparedPath() + "/pkg.multipartmime"));

    // A kit started once the request has come stops at once: a submission made later is stopped as made.
    controller->operationQueue()->waitUntilAllOperationsAreFinished();
    auto later = std::make_shared<FakeSubmission>();
    auto again = CRKCrashReportingController::initWithFileManager_delegate(
        files, delegate, [later](CRKCrashReportingController&) { return later; }, prompt);
    EXPECT_FALSE(again->preparationStopped());
    again->startWithProfilingMark_betaToken(now(), std::nullopt);
    EXPECT_TRUE(again->preparationStopped());
    EXPECT_EQ(later->stops.load(), 1);
    EXPECT_TRUE(later->prepared.empty());
    runUntilIdle();
    again->operationQueue()->waitUntilAllOperationsAreFinished();
    platform::Application::shared().resetForTesting();
}

TEST_F(CRKCrashReportingControllerTest, AReportOfALaunchThatLivedIsNeverSentWithoutTheDelegate) {
    // Everything allows the urgent road, except that the last launch lived past its first turn.
    earlierReport("lived");
    delegate->mustInform = false;
    delegate->settings.canProcessUrgentReports = true;
    ASSERT_TRUE(start());
    settle();
    EXPECT_EQ(delegate->detected.load(), 1);
    EXPECT_EQ(prepared(), (std::vector<std::tuple<std::string, bool, bool>>{{"lived", false, true}}));
}

TEST_F(CRKCrashReportingControllerTest, InterruptedWorkResumesAndUnreadableProcessingFoldersAreSkipped) {
    earlierReport("half", true, files->processingPath());
    // A folder whose metadata names no session cannot be read as a report (an empty one is swept).
    platform::Files::createDirectories(files->processingPath() + "/nameless");
    std::ofstream(files->processingPath() + "/nameless/metadata.crkrecord") << "{\"identity\":{}}\n";
    platform::Files::writeAtomically(files->preparedPath() + "/pkg.multipartmime",
                                     platform::Data::fromString("x"));
    ASSERT_TRUE(start());
    settle();
    EXPECT_EQ(prepared(), (std::vector<std::tuple<std::string, bool, bool>>{{"half", false, false}}));
    EXPECT_EQ(submission->uploads, std::vector<std::string>{"pkg.multipartmime"});
}

TEST_F(CRKCrashReportingControllerTest, AFailedUploadIsRetriedEveryTenMinutes) {
    ASSERT_TRUE(start());
    settle();
    for (int round = 1; round <= 3; ++round) {
        controller->reportsController_didCompletePackageSubmission_error(
            "/p/pkg", KitError::errorWithDomain_code_userInfo("Upload", -1));
        advance(599);
        settle();
        EXPECT_EQ(submission->uploads.size(), size_t(round - 1));
        advance(1);
        settle();
        EXPECT_EQ(submission->uploads.size(), size_t(round));
    }
}

TEST_F(CRKCrashReportingControllerTest, ALegacyStoreIsRemovedBeforeThisRunsFoldersAreMade) {
    platform::Files::createDirectories(files->rootPath() + "/sendable");
    ASSERT_TRUE(start());
    settle();
    EXPECT_FALSE(platform::Files::exists(files->rootPath() + "/sendable"));
    ASSERT_TRUE(controller->currentReport());
    EXPECT_TRUE(platform::Files::isDirectory(controller->currentReport()->path()));
    EXPECT_TRUE(platform::Files::isDirectory(files->processingPath()));
}

TEST_F(CRKCrashReportingControllerTest, StateKeysAndAnalyticsLinesReachTheReport) {
    CRKAnalyticsEventListener listener;
    CRKSetAnalyticsEventRegistration([&](CRKAnalyticsEventListener l) { listener = std::move(l); });
    delegate->settings.nimbusCrashKitEnabled = true;
    ASSERT_TRUE(start());
    settle();
    ASSERT_TRUE(listener);
    listener("screen_view", platform::Value::Dictionary{{"screen", "prefs"}});
    platform::NotificationCenter::defaultCenter().post("NSApplicationDidResignActiveNotification");
    settle();
    CRKSharedContext().loggingQueue->sync([] {});
    // Keys, values and log messages are stored hex-encoded.
    const auto text = folderText(controller->currentReport()->path());
    for (const auto& key :
         {CRKCrashReportingController::kitStartTimeKey(), CRKCrashReportingController::firstRunLoopTimeKey()})
        EXPECT_NE(text.find("\"" + hex(key) + "\""), std::string::npos) << key;
    const std::string background =
        "\"" + hex(CRKCrashReportingController::inBackgroundKey()) + "\",\"value\":\"";
    EXPECT_NE(text.find(background + hex("0")), std::string::npos);
    EXPECT_NE(text.find(background + hex("1")), std::string::npos);
    EXPECT_NE(text.find(hex("$A$:{\"name\":\"screen_view\",\"parameters\":{\"screen\":\"prefs\"}}")),
              std::string::npos);
}

TEST_F(CRKCrashReportingControllerTest, PreconditionsStopStartUp) {
    earlierReport("kept");
    delegate->settings.crashReportingEnabled = false;
    EXPECT_FALSE(start());
    EXPECT_FALSE(platform::Files::exists(files->activePath() + "/kept"));

    earlierReport("kept");
    delegate->settings.crashReportingEnabled = true;
    platform::Bundle::main().setInfoDictionaryForTesting({});
    testsupport::LogCapture log;
    EXPECT_FALSE(start());
    EXPECT_TRUE(log.contains("An application must have a valid bundle idenifier"));
    EXPECT_TRUE(platform::Files::exists(files->activePath() + "/kept"));
}

}  // namespace
