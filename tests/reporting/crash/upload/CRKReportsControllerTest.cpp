#include "reporting/crash/upload/CRKReportsController.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/base/RunLoop.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/upload/CRKPackageReportOperation.h"
#include "reporting/crash/upload/CRKUploadCheckpoint.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using testsupport::LoopbackServer;

const char* kBundleIdentifier = "com.example.kestrune";
const char* kAppAPIKey = "0123456789abcdef0123456789abcdef01234567";

// Plays the crash reporting controller's part: the delegate of both, forwarding finished uploads.
class Driver : public CRKReportsControllerDelegate, public CRKNetworkClientDelegate {
public:
    struct Completion {
        std::string path;
        KitErrorPtr error;
        bool onWorkQueue = false;
    };

    void reportsController_didCompletePackageSubmission_error(CRKReportsController&, const std::string& path,
                                                              const KitErrorPtr& error) override {
        std::lock_guard lock(mutex);
        completions.push_back({path, error, OperationQueue::currentQueue() == workQueue.get()});
    }
    void reportsControllerDidCompleteAllSubmissions(CRKReportsController&) override {}
    std::shared_ptr<CRKSettings> settingsForReportsController(CRKReportsController&) override {
        return std::make_shared<CRKSettings>(std::nullopt);
    }
    std::optional<std::string> APIKeyForReportsController(CRKReportsController&) override {
        return kAppAPIKey;
    }
    std::string bundleIdentifierForReportsController(CRKReportsController&) override {
        return kBundleIdentifier;
    }
    bool networkClientCanUseBackgroundSessions(CRKNetworkClient&) override { return true; }
    void networkClient_didFinishUploadWithPath_error(CRKNetworkClient&, const std::string& path,
                                                     const KitErrorPtr& error) override {
        if (auto reports = controller.lock()) reports->reportUploadAtPath_completedWithError(path, error);
    }

    std::vector<Completion> heard() {
        std::lock_guard lock(mutex);
        return completions;
    }

    std::shared_ptr<OperationQueue> workQueue;
    std::weak_ptr<CRKReportsController> controller;
    std::mutex mutex;
    std::vector<Completion> completions;
};

LoopbackServer::Answer json(int status = 200, LoopbackServer::HeaderFields headers = {}) {
    headers.emplace_back("Content-Type", "application/json");
    return {status, std::move(headers), "{}", 0};
}

class CRKReportsControllerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ReportKit::resetSharedForTesting();
        auto root = LoopbackServer::makeRootAuthority("Reports Test Root");
        ASSERT_TRUE(root);
        auto identity = LoopbackServer::makeIdentitySignedBy(*root, home() + "/tls");
        ASSERT_TRUE(identity);
        ASSERT_TRUE(server.startTLS(*identity));
        server.setDefaultAnswer(json());
        setenv("CrashKitReportsEndpoint", server.baseURL().c_str(), 1);

        store = std::make_shared<CRKFileManager>(home() + "/store");
        ASSERT_TRUE(store->prepareForNewLaunch());
        driver = std::make_shared<Driver>();
        driver->workQueue = OperationQueue::create("crash work");
        driver->workQueue->setMaxConcurrentOperationCount(1);
        client = CRKNetworkClient::initWithQueue_fileManager_delegate(
            driver->workQueue, store, driver,
            std::make_shared<RKTCertificatePinner>(std::vector<platform::Data>{root->certificateDER}));
        ASSERT_TRUE(client);
        controller = std::make_shared<CRKReportsController>(driver->workQueue, driver, client, store);
        driver->controller = controller;
    }
    void TearDown() override {
        settle();
        client->invalidate();
        server.stop();
        unsetenv("CrashKitReportsEndpoint");
        unsetenv("CrashKitPackageReports");
        ReportKit::setCrashKitCollectionEnabled(true);
        ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }
    void settle() {
        runUntilIdle();
        driver->workQueue->waitUntilAllOperationsAreFinished();
        runUntilIdle();
    }
    std::shared_ptr<CRKInternalReport> seed(const std::string& id,
                                            std::map<std::string, std::string> files = {}) {
        if (files.empty()) files = {{"signal.crkrecord", "{\"signal\":{\"number\":11}}\n"}};
        return CRKInternalReport::reportWithPath(uploadtest::seedReport(store->activePath(), id, files));
    }
    // A finished package in the prepared folder.
    std::string package(const std::string& id) {
        auto report = seed(id);
        EXPECT_TRUE(report);
        CRKPackageReportOperation operation(report, store);
        operation.start();
        EXPECT_TRUE(operation.finalPath());
        platform::Files::remove(report->path());
        return operation.finalPath().value_or("");
    }
    // Prepares and submits on the work queue, as the crash reporting controller does.
    bool prepare(const std::shared_ptr<CRKInternalReport>& report, bool urgent = false) {
        bool answer = false;
        driver->workQueue->addOperationWithBlock([&] {
            answer = controller->prepareAndSubmitReport_asUrgent_withProcessing(report, urgent, true);
        });
        driver->workQueue->waitUntilAllOperationsAreFinished();
        return answer;
    }
    size_t settledRequestCount() {
        settle();
        return server.requestCount();
    }

    LoopbackServer server;
    std::shared_ptr<CRKFileManager> store;
    std::shared_ptr<Driver> driver;
    std::shared_ptr<CRKNetworkClient> client;
    std::shared_ptr<CRKReportsController> controller;
};

}  // namespace

TEST_F(CRKReportsControllerTest, ARequestCarriesTheKitsHeadersAndTheWholePackage) {
    auto report =
        seed("report-1", {{"signal.crkrecord", "{\"signal\":{\"number\":11}}\n"}, {"sdk.log", "log"}});
    ASSERT_TRUE(report);
    const std::string metadata = uploadtest::readFile(report->metadataPath());
    ASSERT_TRUE(prepare(report));
    ASSERT_EQ(settledRequestCount(), 1u);

    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target,
              std::string("/sdk-api/v1/platforms/mac/apps/") + kBundleIdentifier + "/reports");
    const std::string locale = RKTNetworkOperation(std::string()).localeIdentifier();
    const std::vector<std::pair<std::string, std::string>> headers = {
        {"User-Agent", "CrashKit Mac SDK/3.12.0"},
        {"Accept", "application/json"},
        {"Accept-Charset", "utf-8"},
        {"Accept-Language", locale},
        {"Content-Language", locale},
        {"X-CrashKit-Developer-Token", RKTNetworkOperation::kDeveloperToken},
        {"X-CrashKit-API-Client-Id", "io.reportkit.crashkit.mac"},
        {"X-CrashKit-API-Client-Display-Version", "3.12.0"},
        {"X-CrashKit-API-Client-Build-Version", "136"},
        {"X-CrashKit-API-Key", kAppAPIKey},
        {"Content-Length", std::to_string(request.body.size())},
    };
    for (const auto& [name, value] : headers) EXPECT_EQ(request.header(name), value) << name;
    const std::string contentType = request.header("Content-Type").value_or("");
    ASSERT_EQ(contentType.rfind("multipart/form-data; boundary=", 0), 0u) << contentType;

    const auto received = uploadtest::receive(request.body, contentType);
    ASSERT_TRUE(received.wellFormed);
    EXPECT_EQ(received.fields,
              (std::map<std::string, std::string>{{"api_key", "key-1"}, {"report_id", "report-1"}}));
    EXPECT_EQ(received.files,
              (std::map<std::string, std::string>{{"metadata.crkrecord", metadata},
                                                  {"sdk.log", "log"},
                                                  {"signal.crkrecord", "{\"signal\":{\"number\":11}}\n"}}));
    // Accepted: nothing of the report is left, and the delegate heard on the work queue.
    EXPECT_TRUE(store->activePathContents().empty());
    EXPECT_TRUE(store->processingPathContents().empty());
    EXPECT_TRUE(store->preparedPathContents().empty());
    const auto heard = driver->heard();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_FALSE(heard[0].error);
    EXPECT_TRUE(heard[0].onWorkQueue);
    EXPECT_EQ(platform::Files::parentPath(heard[0].path), store->preparedPath());
}

TEST_F(CRKReportsControllerTest, OnlyAnAcceptedAnswerInJSONRemovesThePackage) {
    const struct {
        const char* what;
        LoopbackServer::Answer answer;
        bool removed;
    } table[] = {
        {"200 in JSON", json(), true},
        {"200 in text", {200, {{"Content-Type", "text/html"}}, "<html/>", 0}, false},
        {"413", json(413), false},
    };
    for (const auto& row : table) {
        const std::string path = package(std::string("r-") + std::to_string(&row - table));
        server.enqueue(row.answer);
        const size_t before = driver->heard().size();
        ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
        settle();
        EXPECT_EQ(!platform::Files::exists(path), row.removed) << row.what;
        const auto heard = driver->heard();
        ASSERT_EQ(heard.size(), before + 1) << row.what;
        EXPECT_EQ(heard.back().path, path) << row.what;
        EXPECT_EQ(heard.back().error == nullptr, row.removed) << row.what;
    }
}

TEST_F(CRKReportsControllerTest, TooManyRequestsRestartsExactlyAfterRetryAfter) {
    const std::string path = package("throttled");
    server.enqueue(json(429, {{"Retry-After", "30"}}));
    ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
    ASSERT_EQ(settledRequestCount(), 1u);
    const auto fire = platform::RunLoop::main().nextTimerFireDate();
    ASSERT_TRUE(fire);
    EXPECT_DOUBLE_EQ(*fire - now(), 30.0);
    advance(29.99);
    EXPECT_EQ(settledRequestCount(), 1u);
    EXPECT_TRUE(driver->heard().empty());  // a restart is no end of the upload
    advance(0.01);
    EXPECT_EQ(settledRequestCount(), 2u);
    EXPECT_FALSE(platform::Files::exists(path));
    ASSERT_EQ(driver->heard().size(), 1u);
    EXPECT_EQ(server.requests()[1].body, server.requests()[0].body);
}

TEST_F(CRKReportsControllerTest,
       ARetryAfterIsKeptBetweenTheFloorAndTheCeilingAndUnusableValuesCountAsAbsent) {
    const struct {
        const char* value;
        double wait;
    } table[] = {{"0", 2.0},   {"0.5", 2.0}, {"nan", 2.0},     {"-5", 2.0},       {"1e999", 2.0},
                 {"inf", 2.0}, {"30", 30.0}, {"1e300", 86400}, {"86401", 86400.0}};
    for (const auto& row : table) {
        const platform::HTTPURLResponse answer("https://h.test", 503, {{"Retry-After", row.value}});
        EXPECT_EQ(CRKNetworkClient::retryDelayForResponse(answer), row.wait) << row.value;
    }
    EXPECT_EQ(CRKNetworkClient::retryDelayForResponse(std::nullopt), 2.0);
    EXPECT_EQ(CRKNetworkClient::kMaximumRetryDelay, RKTNetworkClient::kMaximumRetryDelay);
}

// A server that asks for the same report again and again ("Retry-After: 0", "nan"), or cuts every
// answer short, gets one first try and ten restarts two seconds apart; then the upload ends, the
// delegate hears why, and the package waits for the owner's later retry.
TEST_F(CRKReportsControllerTest, RestartsEndAtTheLimitAndTheDelegateHearsOfIt) {
    LoopbackServer::Answer dropped = json(200);
    dropped.dropConnection = true;
    const LoopbackServer::Answer answers[] = {json(503, {{"Retry-After", "0"}}),
                                              json(503, {{"Retry-After", "nan"}}), dropped};
    for (const auto& answer : answers) {
        SCOPED_TRACE(&answer - answers);
        server.setDefaultAnswer(answer);
        const std::string path = package("busy-" + std::to_string(&answer - answers));
        const size_t before = server.requestCount();
        ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
        for (unsigned restart = 0; restart < CRKNetworkClient::kRetryLimit; ++restart) {
            ASSERT_EQ(settledRequestCount(), before + restart + 1);
            const auto fire = platform::RunLoop::main().nextTimerFireDate();
            ASSERT_TRUE(fire);
            EXPECT_DOUBLE_EQ(*fire - now(), 2.0);
            ASSERT_TRUE(driver->heard().empty());
            advance(1.99);
            EXPECT_EQ(settledRequestCount(), before + restart + 1);
            advance(0.01);
        }
        EXPECT_EQ(settledRequestCount(), before + CRKNetworkClient::kRetryLimit + 1);
        const auto heard = driver->heard();
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0].path, path);
        EXPECT_TRUE(heard[0].onWorkQueue);
        ASSERT_TRUE(heard[0].error);
        EXPECT_EQ(heard[0].error->domain(), "RKTNetworkError");
        EXPECT_EQ(heard[0].error->code(), RKTNetworkClient::kRetryLimitErrorCode);
        EXPECT_EQ(heard[0].error->userInfo().at("retryLimit"), platform::Value(platform::Number(10u)));
        EXPECT_TRUE(platform::Files::exists(path));
        EXPECT_EQ(client->uploadsInFlight(), 0u);
        // Nothing more is sent until someone starts the upload again.
        advance(3600);
        EXPECT_EQ(settledRequestCount(), before + CRKNetworkClient::kRetryLimit + 1);
        driver->completions.clear();
        // A new start counts from zero again.
        server.enqueue(json(200));
        ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
        EXPECT_EQ(settledRequestCount(), before + CRKNetworkClient::kRetryLimit + 2);
        EXPECT_FALSE(platform::Files::exists(path));
        driver->completions.clear();
    }
}

TEST_F(CRKReportsControllerTest, AnUrgentSendReportsOnlySuccess) {
    const struct {
        int status;
        bool removed;
    } table[] = {{500, false}, {200, true}};
    for (const auto& row : table) {
        const std::string path = package("urgent-" + std::to_string(row.status));
        server.enqueue(json(row.status));
        const size_t before = driver->heard().size();
        // Sent on the calling thread: it has ended when the call returns.
        EXPECT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, true));
        settle();
        EXPECT_EQ(!platform::Files::exists(path), row.removed) << row.status;
        EXPECT_EQ(driver->heard().size(), before + (row.removed ? 1 : 0)) << row.status;
    }
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(CRKReportsControllerTest, AnEmptyPackageIsIgnoredOnEveryRoad) {
    const std::string empty = store->preparedPath() + "/empty.multipartmime";
    uploadtest::writeFile(empty, "");
    server.setDefaultAnswer(json(200));
    for (const bool urgent : {false, true}) {
        EXPECT_FALSE(controller->uploadPackagedReportAtPath_asUrgent(empty, urgent)) << urgent;
        EXPECT_FALSE(controller->submitPackageMultipartMimeAtPath_synchronously(empty, urgent)) << urgent;
    }
    EXPECT_EQ(settledRequestCount(), 0u);
    EXPECT_TRUE(driver->heard().empty());
    EXPECT_EQ(client->uploadsInFlight(), 0u);
}

TEST_F(CRKReportsControllerTest, ASecondStartForTheSamePackageMakesNoSecondTask) {
    const std::string path = package("twice");
    server.setDefaultAnswer({200, {{"Content-Type", "application/json"}}, "{}", 0.2});
    ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
    ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(path, false));
    EXPECT_EQ(settledRequestCount(), 1u);
    EXPECT_EQ(driver->heard().size(), 1u);
    EXPECT_EQ(client->uploadsInFlight(), 0u);
}

TEST_F(CRKReportsControllerTest, AnUnreadablePackageFailsWithItsPath) {
    const std::string missing = store->preparedPath() + "/gone.multipartmime";
    client->startNewUploadRequest_filePath(platform::URLRequest(server.url("/")), missing);
    settle();
    const auto heard = driver->heard();
    ASSERT_EQ(heard.size(), 1u);
    ASSERT_TRUE(heard[0].error);
    EXPECT_EQ(heard[0].error->domain(), "CRKNetworkError");
    EXPECT_EQ(heard[0].error->code(), -2);
    EXPECT_EQ(heard[0].error->userInfo(), (platform::Value::Dictionary{{"path", missing}}));
    EXPECT_EQ(heard[0].path, missing);
    EXPECT_TRUE(heard[0].onWorkQueue);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CRKReportsControllerTest, SwitchesAndPathsThatStopASubmission) {
    // Collection off: YES, and nothing is touched.
    auto report = seed("off");
    ASSERT_TRUE(report);
    ReportKit::setCrashKitCollectionEnabled(false);
    EXPECT_TRUE(prepare(report));
    EXPECT_TRUE(platform::Files::exists(report->metadataPath()));
    ReportKit::setCrashKitCollectionEnabled(true);

    // Packaging off: NO, and the report waits in processing, symbolicated.
    setenv("CrashKitPackageReports", "NO", 1);
    auto kept = seed("kept", {{"signal.crkrecord", "{\"threads\":[{\"stacktrace\":[4096]}]}\n"},
                              {"binary_images.crkrecord", "{\"unload\":{\"base\":1,\"size\":2}}\n"}});
    ASSERT_TRUE(kept);
    EXPECT_FALSE(prepare(kept));
    const std::string processed = store->processingPath() + "/kept";
    EXPECT_TRUE(platform::Files::exists(processed + "/signal.crkrecord.symbolicated"));
    EXPECT_TRUE(store->preparedPathContents().empty());
    unsetenv("CrashKitPackageReports");

    // A missing or empty package counts as sent; one outside the store is never sent (nor removed).
    const std::string outside = home() + "/elsewhere.multipartmime";
    uploadtest::writeFile(outside, "not a package of the store");
    const std::string empty = store->preparedPath() + "/empty.multipartmime";
    uploadtest::writeFile(empty, "");
    for (const std::string& path : {outside, empty, store->preparedPath() + "/missing.multipartmime"})
        EXPECT_FALSE(controller->uploadPackagedReportAtPath_asUrgent(path, false)) << path;
    EXPECT_EQ(settledRequestCount(), 0u);
    EXPECT_TRUE(platform::Files::exists(outside));
    EXPECT_FALSE(client->relativeTaskPathForAbsolutePath(outside));
}

namespace {

// The controller the checkpoint observer stops, and at which checkpoint.
std::atomic<CRKReportsController*> gStopping{nullptr};
std::atomic<const char*> gStopAt{nullptr};

void stopAtCheckpoint(const char* name) {
    const char* at = gStopAt.load();
    if (at && std::string(name) == at)
        if (auto* controller = gStopping.load()) controller->stopPreparingReports();
}

// Installs the observer for one test, and takes it away whatever way the test ends.
struct StopAtCheckpoints {
    StopAtCheckpoints() { CRKUploadSetCheckpointObserver(stopAtCheckpoint); }
    ~StopAtCheckpoints() {
        CRKUploadSetCheckpointObserver(nullptr);
        gStopping = nullptr;
        gStopAt = nullptr;
    }
};

}  // namespace

// A quit stops the preparation wherever it is, and every report stays whole on disk for a later launch:
// back in the active folder as it was found while its package is not complete, else as that package,
// unsent, in the prepared folder. Never both, never neither, never half a file.
TEST_F(CRKReportsControllerTest, AStopKeepsTheReportWholeForALaterLaunchWhereverItLands) {
    const StopAtCheckpoints observing;
    const auto fresh = [&] {
        auto made = std::make_shared<CRKReportsController>(driver->workQueue, driver, client, store);
        driver->controller = made;
        controller = made;
        gStopping = made.get();
        return made;
    };
    const auto files = [&](const std::string& folder) {
        std::map<std::string, std::string> read;
        for (const std::string& name : platform::Files::listDirectory(folder))
            read[name] = uploadtest::readFile(folder + "/" + name);
        return read;
    };

    // Caught once the report is in processing, before it is symbolicated: it goes back as it was.
    fresh();
    gStopAt = "move";
    auto caught = seed("caught");
    ASSERT_TRUE(caught);
    const auto before = files(caught->path());
    EXPECT_FALSE(prepare(caught, true));
    EXPECT_EQ(files(store->activePath() + "/caught"), before);
    EXPECT_TRUE(store->processingPathContents().empty());
    EXPECT_TRUE(store->preparedPathContents().empty());
    // Nothing is prepared once stopped: a report stays where it is.
    EXPECT_FALSE(prepare(CRKInternalReport::reportWithPath(store->activePath() + "/caught"), true));
    EXPECT_EQ(files(store->activePath() + "/caught"), before);
    platform::Files::remove(store->activePath() + "/caught");

    // Caught once the package is complete: the package stays, unsent, and the report folder goes.
    fresh();
    gStopAt = "rename";
    auto packaged = seed("packaged");
    ASSERT_TRUE(packaged);
    EXPECT_FALSE(prepare(packaged, true));
    EXPECT_TRUE(store->activePathContents().empty());
    EXPECT_TRUE(store->processingPathContents().empty());
    const auto prepared = store->preparedPathContents();
    ASSERT_EQ(prepared.size(), 1u);
    const std::string boundary = platform::Files::lastPathComponent(prepared[0]).substr(0, 36);
    const auto received =
        uploadtest::receive(uploadtest::readFile(prepared[0]), "multipart/form-data; boundary=" + boundary);
    ASSERT_TRUE(received.wellFormed);
    EXPECT_EQ(received.fields.at("report_id"), "packaged");
    EXPECT_EQ(settledRequestCount(), 0u);
    platform::Files::remove(prepared[0]);

    // Caught from another thread while a record of 600,000 frames is worked on.
    fresh();
    gStopAt = nullptr;
    std::string stack;
    for (int i = 0; i < 600000; i++) stack += (i ? "," : "") + std::to_string(0x1010 + 16 * (i % 7));
    auto deep =
        seed("deep", {{"signal.crkrecord",
                       "{\"signal\":{\"number\":11}}\n{\"threads\":[{\"stacktrace\":[" + stack + "]}]}\n"},
                      {"binary_images.crkrecord", "{\"load\":{\"base\":4096,\"size\":65536}}\n"}});
    ASSERT_TRUE(deep);
    const auto deepFiles = files(deep->path());
    std::atomic<bool> done{false};
    driver->workQueue->addOperationWithBlock([&] {
        controller->prepareAndSubmitReport_asUrgent_withProcessing(deep, true, true);
        done = true;
    });
    while (!done && store->processingPathContents().empty()) std::this_thread::yield();
    controller->stopPreparingReports();
    driver->workQueue->waitUntilAllOperationsAreFinished();
    const bool inActive = !store->activePathContents().empty();
    const bool asPackage = !store->preparedPathContents().empty();
    EXPECT_NE(inActive, asPackage);
    EXPECT_TRUE(store->processingPathContents().empty());
    if (inActive) {
        // As it was found, but perhaps for a symbolicated record written whole before the stop.
        auto now = files(store->activePath() + "/deep");
        now.erase("signal.crkrecord.symbolicated");
        for (auto it = now.begin(); it != now.end();)
            it = it->first.ends_with(".gz") ? now.erase(it) : std::next(it);
        EXPECT_EQ(now, deepFiles);
    }
    EXPECT_EQ(settledRequestCount(), 0u);
}

// A quit stops the sends too: the urgent one that holds a launch and an ordinary one, each waiting for a
// server that holds its answer, end at once; the answers released a moment later reach neither, so both
// packages stay unsent. Nothing is sent after, on either road.
TEST_F(CRKReportsControllerTest, AStopEndsEverySendUnderWayAndNoneBeginsAfter) {
    server.setDefaultAnswer(
        {.status = 200, .headers = {{"Content-Type", "application/json"}}, .body = "{}", .held = true});
    const std::string ordinary = package("ordinary");
    const std::string urgent = package("urgent");
    ASSERT_TRUE(controller->uploadPackagedReportAtPath_asUrgent(ordinary, false));
    std::thread launch([&] { controller->uploadPackagedReportAtPath_asUrgent(urgent, true); });
    const bool bothHeld = server.waitForHeldAnswers(2);
    controller->stopPreparingReports();
    server.releaseHeldAnswers();
    launch.join();
    settle();
    ASSERT_TRUE(bothHeld);
    EXPECT_TRUE(platform::Files::exists(ordinary));
    EXPECT_TRUE(platform::Files::exists(urgent));
    for (const auto& heard : driver->heard()) EXPECT_TRUE(heard.error) << heard.path << " counted sent";

    const std::string later = package("later");
    for (const bool asUrgent : {false, true})
        EXPECT_FALSE(controller->uploadPackagedReportAtPath_asUrgent(later, asUrgent)) << asUrgent;
    EXPECT_FALSE(prepare(seed("after"), false));
    EXPECT_EQ(settledRequestCount(), 2u);
    EXPECT_TRUE(platform::Files::exists(later));
}
