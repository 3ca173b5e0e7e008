#include "reporting/UsageKit/USKUsageKitController.h"

#include <atomic>

#include "platform/base/Clock.h"
#include "platform/base/ProcessActivities.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/USKSettings.h"
#include "reporting/UsageKit/events/USKActivity.h"
#include "reporting/UsageKit/events/USKCrashMetadata.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKEventFilter.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "reporting/UsageKit/events/USKNimbusAnalyticsBridge.h"
#include "reporting/UsageKit/events/USKTimer.h"
#include "reporting/UsageKit/events/USKWriteEventOperation.h"
#include "reporting/UsageKit/log/USKCleanupFilesOperation.h"
#include "reporting/UsageKit/log/USKCompressLogOperation.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "reporting/UsageKit/log/USKPackageLogOperation.h"
#include "reporting/UsageKit/log/USKRotateCrashMetadataOperation.h"
#include "reporting/UsageKit/upload/USKNetworkRetryHandler.h"
#include "reporting/UsageKit/upload/USKUploadOperation.h"
#include "reporting/UsageKit/upload/USKUploader.h"
#include "reporting/core/BlockOperation.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTByteUtility.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

namespace {
constexpr uint64_t kRecordOptions =
    USKActivity::kSuddenTerminationDisabled | USKActivity::kAutomaticTerminationDisabled;
constexpr uint64_t kRotateOptions = platform::ProcessActivities::kBackground | kRecordOptions;

std::atomic<bool> gEventsSaidInLog{false};

std::string prefixed(const char* suffix) {
    return std::string(RKTUsageKitReverseDomainPrefix) + suffix;
}
}  // namespace

std::shared_ptr<USKUsageKitController> USKUsageKitController::controllerWithBetaToken(
    const std::optional<std::string>& betaToken) {
    return controllerWithBetaToken_rootDirectory(betaToken, rootDirectory());
}

std::shared_ptr<USKUsageKitController> USKUsageKitController::controllerWithBetaToken_rootDirectory(
    const std::optional<std::string>& betaToken, const std::string& rootDirectory) {
    auto controller = std::make_shared<USKUsageKitController>(rootDirectory);
    controller->start(betaToken);
    return controller;
}

USKUsageKitController::USKUsageKitController(std::string rootDirectory)
    : rootDirectory_(std::move(rootDirectory)), eventQueue_(OperationQueue::create(prefixed(".EventQueue"))) {
    eventQueue_->setMaxConcurrentOperationCount(1);
}

USKUsageKitController::~USKUsageKitController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

std::string USKUsageKitController::rootDirectory() {
    return platform::StandardFolders::caches() + "/" + RKTCrashKitReverseDomainPrefix + ".data/" +
           RKTApplicationGetBundleIdentifier() + "/analytics/v2";
}

void USKUsageKitController::setEventsSaidInLog(bool said) {
    gEventsSaidInLog = said;
}

bool USKUsageKitController::eventsSaidInLog() {
    return gEventsSaidInLog.load();
}

std::string USKUsageKitController::eventDirectoryForRootDirectory(const std::string& root) {
    return root + "/events";
}

std::string USKUsageKitController::crashMetadataPathForRootDirectory(const std::string& root) {
    return root + "/crash_metadata";
}

void USKUsageKitController::start(const std::optional<std::string>& betaToken) {
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    eventQueue_->addOperationWithBlock([weak, betaToken] {
        if (auto self = weak.lock()) self->setUp(betaToken);
    });
    registerForApplicationLifecycleEvents();
    platform::NotificationCenter::defaultCenter().addObserver(
        this, RKTSettingsOnboardingManager::kSettingsAvailableNotification, nullptr,
        [weak](const platform::Notification& n) {
            if (auto self = weak.lock()) self->reportKitSettingsDidBecomeAvailable(n);
        });
    ReportKit& kit = ReportKit::sharedSDK();
    if (kit.isFirstInstall()) enqueueEvent(USKLifecycleEvent::installEvent());
    enqueueEvent(USKLifecycleEvent::appLaunchedEvent());
    initializeSettingsIfNeededWithReportKitSettings(kit.settings());
}

void USKUsageKitController::setUp(const std::optional<std::string>& betaToken) {
    rootEventDirectory_ = eventDirectoryForRootDirectory(rootDirectory_);
    platform::Files::createDirectories(rootEventDirectory_, 0700);
    currentLogURL_ = generateNewLogPath();
    settings_ = std::make_shared<USKSettings>(std::nullopt);
    metadata_ = std::make_shared<USKMetadata>(ReportKit::sharedSDK(), betaToken);
    previousExecutionMetadata_ =
        replacePreviousExecutionMetadataWithCurrentMetadata_inRootDirectory(metadata_, rootDirectory_);
    eventFilter_ = std::make_shared<USKEventFilter>();
    networkRetryHandler_ = std::make_shared<USKNetworkRetryHandler>();
    uploader_ = USKUploader::uploaderWithQueue_delegate(eventQueue_, weak_from_this());
    nimbusAnalyticsBridge_ = std::make_shared<USKNimbusAnalyticsBridge>();
    cleanupAndProcessExistingFiles();
}

std::shared_ptr<USKCrashMetadata>
USKUsageKitController::replacePreviousExecutionMetadataWithCurrentMetadata_inRootDirectory(
    const std::shared_ptr<USKMetadata>& metadata, const std::string& root) {
    auto operation =
        std::make_shared<USKRotateCrashMetadataOperation>(crashMetadataPathForRootDirectory(root), metadata);
    operation->main();  // run directly, not queued: it is part of this step
    return operation->crashMetadata();
}

std::string USKUsageKitController::generateNewLogPath() const {
    return rootEventDirectory_ + "/" + RKTGenerateUUID() + ".log";
}

std::string USKUsageKitController::multipartMimeURLWithBoundary(const std::string& boundary) const {
    return rootEventDirectory_ + "/" + boundary + ".multipartmime";
}

std::optional<std::string> USKUsageKitController::boundaryFromURL(const std::string& fileURL) {
    if (USKFileUtils::pathExtension(fileURL) != "multipartmime") return std::nullopt;
    return USKFileUtils::baseName(fileURL);
}

void USKUsageKitController::registerForApplicationLifecycleEvents() {
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    for (const auto& [name, event] : USKLifecycleEvent::notificationNameMap()) {
        platform::NotificationCenter::defaultCenter().addObserver(this, name, nullptr,
                                                                  [weak](const platform::Notification& n) {
                                                                      if (auto self = weak.lock())
                                                                          self->applicationLifecycleEvent(n);
                                                                  });
    }
}

void USKUsageKitController::applicationLifecycleEvent(const platform::Notification& notification) {
    enqueueEvent(USKLifecycleEvent::eventWithNotification(notification));
}

void USKUsageKitController::reportKitSettingsDidBecomeAvailable(const platform::Notification&) {
    initializeSettingsIfNeededWithReportKitSettings(ReportKit::sharedSDK().settings());
}

void USKUsageKitController::initializeSettingsIfNeededWithReportKitSettings(
    const std::optional<platform::Value::Dictionary>& settings) {
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    eventQueue_->addOperationWithBlock([weak, settings] {
        auto self = weak.lock();
        if (!self || !settings || (self->settings_ && self->settings_->valid())) return;
        self->settings_ = std::make_shared<USKSettings>(settings);
        if (self->settings_->shouldCollectAnalytics()) {
            const platform::Value* section = self->settings_->analyticsSection();
            USKLogger::sharedLogger().log("UsageKit enabled with settings: %s",
                                          section ? section->description().c_str() : "(null)");
            USKLogger::sharedLogger().log("Logging events to %s", self->rootEventDirectory_.c_str());
            self->setupFlushTimer();
            self->uploader_->setDefaultUploadTimeout(self->settings_->defaultUploadTimeout());
            self->uploader_->setLowPowerUploadTimeout(self->settings_->lowPowerUploadTimeout());
            self->uploadAllMultipartFiles();
        } else {
            USKLogger::sharedLogger().log("UsageKit is disabled. Cleaning up.");
            self->removeAllLogs();
        }
    });
}

bool USKUsageKitController::shouldLogEvent() const {
    if (!settings_) return false;
    if (!settings_->valid()) return true;
    return settings_->shouldCollectAnalytics();
}

bool USKUsageKitController::discardedBySampling(const USKEvent& event) const {
    if (!eventFilter_->shouldDiscardEvent_betaToken_installationID_withFactor(
            &event, metadata_->betaToken(), metadata_->installationId(), settings_->samplingRate()))
        return false;
    USKLogger::sharedLogger().log("Application is enabled for sampling, skipping %s",
                                  event.description().c_str());
    return true;
}

void USKUsageKitController::logEvent(const std::shared_ptr<USKEvent>& event) {
    if (!event) return;
    USKLogger::sharedLogger().log("Logging UsageKit event: %s", event->description().c_str());
    enqueueEvent(event);
}

void USKUsageKitController::enqueueEvent(const std::shared_ptr<USKEvent>& event) {
    // The activity begins now and ends once the event's write has run. It joins the queue behind that
    // write (or at once when there is none), not ahead of it: a queue full of operations that wait
    // would be searched through for every step.
    auto activity = USKActivityOperation::operationByStartingActivityName_options(prefixed(".RecordEvent"),
                                                                                  kRecordOptions);
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    eventQueue_->addOperation(BlockOperation::blockOperationWithBlock([weak, event, activity] {
        auto self = weak.lock();
        if (!self) return;  // the activity ends as it is released
        self->recordEvent(event, activity);
        self->eventQueue_->addOperation(activity);
    }));
}

void USKUsageKitController::addWrite(const std::shared_ptr<USKEvent>& event,
                                     const std::shared_ptr<USKMetadataSerializable>& metadata,
                                     const std::shared_ptr<Operation>& activity, bool flushes) {
    auto write = std::make_shared<USKWriteEventOperation>(event, metadata, currentLogURL_);
    // Each event on disk is one line of the application's log when asked: the kit's debug mode, or a
    // scenario, whose timeline is made of the "Outcome: " lines. Said always, they would fill the log of
    // every launch with what the event log already keeps.
    std::weak_ptr<USKWriteEventOperation> written = write;
    write->setCompletionBlock([written, flushes] {
        if (!USKLogger::sharedLogger().debugMode() && !eventsSaidInLog()) return;
        auto operation = written.lock();
        if (!operation || !operation->success() || !operation->event()) return;
        USKSystemLog("Outcome: analytics event \"%s\" recorded%s", operation->event()->name().c_str(),
                     flushes ? "; the log is flushed" : "");
    });
    // An event queued before the settings turned collection off must not reach the disk after the
    // folder was emptied.
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    write->setShouldWrite([weak] {
        auto self = weak.lock();
        return self && self->shouldLogEvent();
    });
    activity->addDependency(write);
    eventQueue_->addOperation(write);
    currentLogHasWrites_ = true;
}

void USKUsageKitController::recordEvent(const std::shared_ptr<USKEvent>& event,
                                        const std::shared_ptr<Operation>& activity) {
    if (!shouldLogEvent()) return;
    if (discardedBySampling(*event)) return;
    logEventToNimbus(event);
    const bool rotate = shouldSubmitLogAtURL(currentLogURL_) || event->triggersFlush();
    addWrite(event, metadata_, activity, rotate);
    if (rotate) rotateAndSubmitCurrentLog();
}

void USKUsageKitController::logCrashEvent(const std::shared_ptr<USKCrashEvent>& event) {
    if (!event) return;
    auto activity = USKActivityOperation::operationByStartingActivityName_options(
        prefixed(".RecordCrashEvent"), kRecordOptions);
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    eventQueue_->addOperation(BlockOperation::blockOperationWithBlock([weak, event, activity] {
        auto self = weak.lock();
        if (!self) return;
        self->recordCrashEvent(event, activity);
        self->eventQueue_->addOperation(activity);
    }));
}

void USKUsageKitController::recordCrashEvent(const std::shared_ptr<USKCrashEvent>& event,
                                             const std::shared_ptr<Operation>& activity) {
    USKLogger::sharedLogger().log("Attempting to log %s", event->name().c_str());
    if (!shouldLogEvent()) return;
    if (discardedBySampling(*event)) return;
    // A write queued for the current log counts as well as one done: at start the launch event's write
    // may still wait behind this step, and the crash event must not share its log.
    if (currentLogHasWrites_ || platform::Files::exists(currentLogURL_)) rotateAndSubmitCurrentLog();
    addWrite(event, previousExecutionMetadata_, activity, true);
    rotateAndSubmitCurrentLog();
}

void USKUsageKitController::logEventToNimbus(const std::shared_ptr<USKEvent>& event) {
    if (!settings_->shouldForwardToNimbusAnalytics()) return;
    if (auto predefined = std::dynamic_pointer_cast<USKPredefinedEvent>(event)) {
        if (predefined->predefinedEventName() == "purchase" &&
            !settings_->shouldIncludePurchaseEventsInForwardedNimbusEvents())
            return;
    }
    nimbusAnalyticsBridge_->logEvent(event);
}

bool USKUsageKitController::shouldSubmitLogAtURL(const std::string& logURL) const {
    return static_cast<int64_t>(USKFileUtils::fileSizeAtURL(logURL)) > settings_->maximumPayloadSize();
}

void USKUsageKitController::rotateAndSubmitCurrentLog() {
    auto activity = USKActivityOperation::operationByStartingActivityName_options(
        prefixed(".RotateAndSubmit"), kRotateOptions);
    const std::string log = currentLogURL_;
    currentLogURL_ = generateNewLogPath();
    currentLogHasWrites_ = false;
    auto operations = operationsForUncompressedLog(log);
    for (const auto& operation : operations) activity->addDependency(operation);
    for (const auto& operation : operations) eventQueue_->addOperation(operation);
    eventQueue_->addOperation(activity);
}

std::vector<std::shared_ptr<Operation>> USKUsageKitController::operationsForUncompressedLog(
    const std::string& logURL) {
    const std::string extension = USKFileUtils::pathExtension(logURL);
    if (extension != "log")
        USKLogger::sharedLogger().log(
            "Error: attempted to submit file with invalid extension %s, should be %s", extension.c_str(),
            "log");
    const std::string compressed = USKCompressLogOperation::compressedURLForUncompressedURL(logURL);
    auto compress = std::make_shared<USKCompressLogOperation>(logURL, compressed);
    // The log is removed once its "gz" is whole on disk; before, it stays for the next run.
    USKCompressLogOperation* raw = compress.get();
    compress->setCompletionBlock([raw] {
        if (raw->compressedLogExists()) USKFileUtils::removeStageFile(raw->uncompressedLogURL());
    });
    auto rest = operationsForCompressedLog(compressed);
    rest.front()->addDependency(compress);
    rest.insert(rest.begin(), compress);
    return rest;
}

std::vector<std::shared_ptr<Operation>> USKUsageKitController::operationsForCompressedLog(
    const std::string& compressedURL) {
    const std::string extension = USKFileUtils::pathExtension(compressedURL);
    if (extension != "gz")
        USKLogger::sharedLogger().log(
            "Error: attempted to submit file with invalid extension %s, should be %s", extension.c_str(),
            "gz");
    // The package is named after its log: packaging the same "gz" again (after an interruption) makes
    // the same package, never a second one with the same events.
    const std::string boundary = USKFileUtils::baseName(compressedURL);
    const std::string multipart = multipartMimeURLWithBoundary(boundary);
    auto package = std::make_shared<USKPackageLogOperation>(compressedURL, multipart, boundary);
    USKPackageLogOperation* raw = package.get();
    package->setCompletionBlock([raw] {
        if (raw->packagedLogExists()) USKFileUtils::removeStageFile(raw->compressedLogURL());
    });
    auto upload = uploadOperationForFileAtURL_withBoundary(multipart, boundary);
    upload->addDependency(package);
    return {package, upload};
}

std::shared_ptr<Operation> USKUsageKitController::uploadOperationForFileAtURL_withBoundary(
    const std::string& fileURL, const std::string& boundary) {
    auto operation = std::make_shared<USKUploadOperation>(
        uploader_, settings_->usageKitURL(), metadata_->APIKey().value_or(""), fileURL, boundary);
    // Without valid settings nothing is sent. That is decided when the upload runs, not when it is made,
    // and the endpoint is read then too: a package made at start-up, before the settings step has run,
    // would otherwise wait for the next launch although the settings arrived meanwhile.
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    operation->setEndpointSource([weak]() -> std::optional<std::string> {
        auto self = weak.lock();
        if (!self || !self->settings_->valid() || !self->settings_->shouldCollectAnalytics())
            return std::nullopt;
        return self->settings_->usageKitURL();
    });
    return operation;
}

void USKUsageKitController::cleanupAndProcessExistingFiles() {
    auto cleanup =
        std::make_shared<USKCleanupFilesOperation>(rootEventDirectory_, settings_->maxPendingSendFiles());
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    cleanup->setSuccessBlock([weak](const std::set<std::string>& logs,
                                    const std::set<std::string>& compressed,
                                    const std::set<std::string>& packaged) {
        auto self = weak.lock();
        if (!self) return;
        for (const auto& log : logs) {
            if (log == self->currentLogURL_) continue;  // this run's own log is not left over
            for (const auto& operation : self->operationsForUncompressedLog(log))
                self->eventQueue_->addOperation(operation);
        }
        for (const auto& gz : compressed)
            for (const auto& operation : self->operationsForCompressedLog(gz))
                self->eventQueue_->addOperation(operation);
        self->uploader_->attemptToReconnectBackgroundSessionWithCompletionBlock([weak, packaged] {
            if (auto self = weak.lock()) self->uploadMultipartFiles(packaged);
        });
    });
    eventQueue_->addOperation(cleanup);
}

void USKUsageKitController::uploadAllMultipartFiles() {
    uploadMultipartFiles(USKFileUtils::filesWithExtension_inDirectory("multipartmime", rootEventDirectory_));
}

void USKUsageKitController::uploadMultipartFiles(const std::set<std::string>& files) {
    for (const auto& file : files)
        eventQueue_->addOperation(
            uploadOperationForFileAtURL_withBoundary(file, boundaryFromURL(file).value_or("")));
}

void USKUsageKitController::checkQueue(const char* operation) const {
    if (OperationQueue::currentQueue() != eventQueue_.get())
        USKLogger::sharedLogger().log(
            "queuing bug in %s: %s != %s", operation, eventQueue_->name().c_str(),
            OperationQueue::currentQueue() ? OperationQueue::currentQueue()->name().c_str() : "(null)");
}

void USKUsageKitController::setupFlushTimer() {
    checkQueue("setupFlushTimer");
    if (settings_->flushInterval() <= 0) {
        flushTimer_.reset();
        return;
    }
    std::weak_ptr<USKUsageKitController> weak = weak_from_this();
    flushTimer_ = USKTimer::timerWithTimeInterval_onQueue_timerIdentifier_block(
        settings_->flushInterval(), eventQueue_, prefixed(".TimedEventsFlush"), [weak] {
            if (auto self = weak.lock()) self->flushTimerFired();
        });
}

void USKUsageKitController::flushTimerFired() {
    checkQueue("flushTimerFired");
    if (settings_->flushInterval() <= 0) {
        flushTimer_.reset();
        return;
    }
    if (shouldSubmitLogAtURL(currentLogURL_)) rotateAndSubmitCurrentLog();
}

void USKUsageKitController::removeAllLogs() {
    for (const auto& file : USKFileUtils::allFilesInDirectory(rootEventDirectory_))
        platform::Files::remove(file);
}

std::string USKUsageKitController::uploader_filePathForUniqueName(USKUploader&,
                                                                  const std::string& uniqueName) {
    return multipartMimeURLWithBoundary(uniqueName);
}

void USKUsageKitController::uploader_didFinishUploadWithUniqueName_error(USKUploader&,
                                                                         const std::string& uniqueName,
                                                                         const KitErrorPtr& error) {
    if (error)
        USKLogger::sharedLogger().log("Failed to upload '%s': %s", uniqueName.c_str(),
                                      error->localizedDescription().c_str());
    USKLogger::sharedLogger().log("Finished transmission of '%s'.", uniqueName.c_str());
    if (!uniqueName.empty()) USKFileUtils::removeStageFile(multipartMimeURLWithBoundary(uniqueName));
}

void USKUsageKitController::uploader_completedRequest_withResponse_uniqueName_error_completionHandler(
    USKUploader&, const platform::URLRequest& request,
    const std::optional<platform::HTTPURLResponse>& response, const std::string& uniqueName,
    const KitErrorPtr& error, RetryHandler completionHandler) {
    networkRetryHandler_->handleCompletedRequest_withResponse_forIdentifier_error_completionHandler(
        request, response, uniqueName, error,
        [uniqueName, error, completionHandler](bool retry, const KitErrorPtr& finalError) {
            if (error)
                USKLogger::sharedLogger().log("Error transmitting '%s': %s", uniqueName.c_str(),
                                              error->localizedDescription().c_str());
            if (retry) USKLogger::sharedLogger().log("Scheduling retry for '%s'.", uniqueName.c_str());
            if (completionHandler) completionHandler(retry, finalError);
        });
}

void USKUsageKitController::uploader_session_didReceiveChallenge_completionHandler(
    USKUploader&, CRKURLSession& session, const platform::ServerTrust& trust,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    networkRetryHandler_->handleChallenge_fromURLSession_completionHandler(trust, &session,
                                                                           completionHandler);
}

}  // namespace reporting
