#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "reporting/UsageKit/upload/USKUploaderDelegate.h"
#include "reporting/core/Operation.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

class USKCrashEvent;
class USKCrashMetadata;
class USKEvent;
class USKEventFilter;
class USKMetadata;
class USKNetworkRetryHandler;
class USKNimbusAnalyticsBridge;
class USKSettings;
class USKTimer;
class USKUploader;

// The analytics kit's engine: records each event as one line of the current event log, rotates the log
// by size, flush events and timer, and moves closed logs through compression, packaging and upload,
// every step an operation on one serial queue. At start it finishes what an earlier run left.
class USKUsageKitController : public USKUploaderDelegate,
                              public std::enable_shared_from_this<USKUsageKitController> {
public:
    // initWithBetaToken: and initWithBetaToken:rootDirectory:
    static std::shared_ptr<USKUsageKitController> controllerWithBetaToken(
        const std::optional<std::string>& betaToken);
    static std::shared_ptr<USKUsageKitController> controllerWithBetaToken_rootDirectory(
        const std::optional<std::string>& betaToken, const std::string& rootDirectory);
    ~USKUsageKitController() override;
    USKUsageKitController(const USKUsageKitController&) = delete;
    USKUsageKitController& operator=(const USKUsageKitController&) = delete;

    static std::string rootDirectory();
    // Each event written to the event log is one line of the application's log ("Outcome: analytics
    // event ... recorded") in the kit's debug mode, or while a reader of that log asks for them (a
    // scenario's timeline shows them); otherwise the events are not said, as the kit's other messages.
    static void setEventsSaidInLog(bool said);
    static bool eventsSaidInLog();
    static std::string eventDirectoryForRootDirectory(const std::string& root);
    static std::string crashMetadataPathForRootDirectory(const std::string& root);

    void logEvent(const std::shared_ptr<USKEvent>& event);
    void logCrashEvent(const std::shared_ptr<USKCrashEvent>& event);
    void enqueueEvent(const std::shared_ptr<USKEvent>& event);
    bool shouldLogEvent() const;
    void logEventToNimbus(const std::shared_ptr<USKEvent>& event);
    bool shouldSubmitLogAtURL(const std::string& logURL) const;
    void rotateAndSubmitCurrentLog();
    std::vector<std::shared_ptr<Operation>> operationsForUncompressedLog(const std::string& logURL);
    std::vector<std::shared_ptr<Operation>> operationsForCompressedLog(const std::string& compressedURL);
    std::shared_ptr<Operation> uploadOperationForFileAtURL_withBoundary(const std::string& fileURL,
                                                                        const std::string& boundary);
    void cleanupAndProcessExistingFiles();
    void uploadAllMultipartFiles();
    void uploadMultipartFiles(const std::set<std::string>& files);
    static std::optional<std::string> boundaryFromURL(const std::string& fileURL);
    std::string multipartMimeURLWithBoundary(const std::string& boundary) const;
    std::string generateNewLogPath() const;
    std::shared_ptr<USKCrashMetadata> replacePreviousExecutionMetadataWithCurrentMetadata_inRootDirectory(
        const std::shared_ptr<USKMetadata>& metadata, const std::string& root);
    void registerForApplicationLifecycleEvents();
    void applicationLifecycleEvent(const platform::Notification& notification);
    void reportKitSettingsDidBecomeAvailable(const platform::Notification& notification);
    void initializeSettingsIfNeededWithReportKitSettings(
        const std::optional<platform::Value::Dictionary>& settings);
    void setupFlushTimer();
    void flushTimerFired();
    void removeAllLogs();

    // USKUploaderDelegate
    std::string uploader_filePathForUniqueName(USKUploader& uploader, const std::string& uniqueName) override;
    void uploader_didFinishUploadWithUniqueName_error(USKUploader& uploader, const std::string& uniqueName,
                                                      const KitErrorPtr& error) override;
    void uploader_completedRequest_withResponse_uniqueName_error_completionHandler(
        USKUploader& uploader, const platform::URLRequest& request,
        const std::optional<platform::HTTPURLResponse>& response, const std::string& uniqueName,
        const KitErrorPtr& error, RetryHandler completionHandler) override;
    void uploader_session_didReceiveChallenge_completionHandler(
        USKUploader& uploader, CRKURLSession& session, const platform::ServerTrust& trust,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) override;

    // Read on the event queue (or after it has drained).
    const std::shared_ptr<OperationQueue>& eventQueue() const { return eventQueue_; }
    const std::string& rootEventDirectory() const { return rootEventDirectory_; }
    std::shared_ptr<USKMetadata> metadata() const { return metadata_; }
    std::shared_ptr<USKCrashMetadata> previousExecutionMetadata() const { return previousExecutionMetadata_; }
    std::shared_ptr<USKUploader> uploader() const { return uploader_; }
    std::shared_ptr<USKNetworkRetryHandler> networkRetryHandler() const { return networkRetryHandler_; }
    std::string currentLogURL() const { return currentLogURL_; }
    std::shared_ptr<USKSettings> settings() const { return settings_; }
    std::shared_ptr<USKTimer> flushTimer() const { return flushTimer_; }
    std::shared_ptr<USKNimbusAnalyticsBridge> nimbusAnalyticsBridge() const { return nimbusAnalyticsBridge_; }

    explicit USKUsageKitController(std::string rootDirectory);

private:
    void start(const std::optional<std::string>& betaToken);
    void setUp(const std::optional<std::string>& betaToken);
    void recordEvent(const std::shared_ptr<USKEvent>& event, const std::shared_ptr<Operation>& activity);
    void recordCrashEvent(const std::shared_ptr<USKCrashEvent>& event,
                          const std::shared_ptr<Operation>& activity);
    bool discardedBySampling(const USKEvent& event) const;
    // Queues the event's write to the current log; `flushes`: the log is rotated right after it.
    void addWrite(const std::shared_ptr<USKEvent>& event,
                  const std::shared_ptr<class USKMetadataSerializable>& metadata,
                  const std::shared_ptr<Operation>& activity, bool flushes);
    void checkQueue(const char* operation) const;

    const std::string rootDirectory_;
    const std::shared_ptr<OperationQueue> eventQueue_;
    // Everything below is read and written on the event queue.
    std::string rootEventDirectory_;
    std::shared_ptr<USKMetadata> metadata_;
    std::shared_ptr<USKCrashMetadata> previousExecutionMetadata_;
    std::shared_ptr<USKUploader> uploader_;
    std::shared_ptr<USKNetworkRetryHandler> networkRetryHandler_;
    std::string currentLogURL_;
    // Whether a write to the current log has been queued (or done): the crash event must not share it.
    bool currentLogHasWrites_ = false;
    std::shared_ptr<USKEventFilter> eventFilter_;
    std::shared_ptr<USKSettings> settings_;
    std::shared_ptr<USKTimer> flushTimer_;
    std::shared_ptr<USKNimbusAnalyticsBridge> nimbusAnalyticsBridge_;
};

}  // namespace reporting
