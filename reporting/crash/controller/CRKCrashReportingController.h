#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"
#include "reporting/core/KitError.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKInternalReport.h"

namespace reporting {

// The downloaded settings the controller decides by.
struct CRKCrashSettings {
    bool crashReportingEnabled = true;
    bool errorReportingEnabled = true;
    bool customExceptionsEnabled = true;
    uint32_t maxCustomExceptions = 8;
    uint32_t errorLogBufferSize = 64 * 1000;
    uint32_t logBufferSize = 64 * 1000;
    uint32_t maxCustomKeys = 64;
    bool shouldPackageReports = false;
    bool userPromptEnabled = false;
    bool canProcessUrgentReports = false;
    bool nimbusCrashKitEnabled = false;
    std::string promptTitle = "Unable to contact developer";
    std::string promptMessage = "There was a problem sending the crash report.";
    std::string promptCancel = "Don't Send";
    std::string promptSend = "Send";
    std::optional<std::string> promptAlwaysSend = std::string("Always Send");
};

// Processing, packaging and upload of reports: the controller hands reports over and hears back through
// its reportsController_* operations.
class CRKReportSubmission {
public:
    virtual ~CRKReportSubmission() = default;
    virtual bool prepareAndSubmitReport(const std::shared_ptr<CRKInternalReport>& report, bool urgent,
                                        bool processing) = 0;
    virtual void uploadPackagedReportAtPath(const std::string& path, bool urgent) = 0;
    // Calls the block once the background transfers of an earlier run are known again.
    virtual void attemptToReconnectBackgroundSession(std::function<void()> completion) = 0;
    // The application is quitting: the preparation under way stops where what is on disk stays whole,
    // and none starts after (any thread).
    virtual void stopPreparingReports() {}
};

// The modal send prompt. Buttons are given in order; the answer is 1000 for the first, 1001 for the
// second, 1002 for the third, or kNoAnswer when nobody could answer.
class CRKPermissionPrompt {
public:
    static constexpr long kFirstButton = 1000;
    static constexpr long kNoAnswer = -1;
    virtual ~CRKPermissionPrompt() = default;
    virtual long runModal(const std::string& title, const std::string& message,
                          const std::vector<std::string>& buttons) = 0;
};
// The application's prompt: the desktop's modal alert with the prompt's buttons, answered with the one
// the user chose (platform::DesktopServices). The prompt is logged.
std::shared_ptr<CRKPermissionPrompt> CRKDesktopPermissionPrompt();

// The analytics kit's event stream: the controller registers one listener per process and writes each
// event to the report's log as a "$A$:" line.
using CRKAnalyticsEventListener =
    std::function<void(const std::string& name, const platform::Value& parameters)>;
using CRKAnalyticsEventRegistration = std::function<void(CRKAnalyticsEventListener listener)>;
void CRKSetAnalyticsEventRegistration(CRKAnalyticsEventRegistration registration);  // empty: none

class CRKCrashReportingController;

class CRKCrashReportingControllerDelegate {
public:
    virtual ~CRKCrashReportingControllerDelegate() = default;
    virtual std::optional<std::string> APIKeyForCrashReportingController(CRKCrashReportingController&) = 0;
    virtual std::string installIDForCrashReportingController(CRKCrashReportingController&) = 0;
    virtual bool isFirstInstallForCrashReportingController(CRKCrashReportingController&) = 0;
    virtual CRKCrashSettings settingsForCrashReportingController(CRKCrashReportingController&) = 0;
    virtual bool reportingControllerMustInformDelegateOfReports(CRKCrashReportingController&) = 0;
    virtual bool reportingController_ensureDeliveryOfUnixSignal(CRKCrashReportingController&, int signal) = 0;
    virtual bool shouldInstallCrashCallback() { return false; }
    virtual void detectedCrash() {}
    virtual void reportingController_internalDidDetectReportForLastExecution(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>& report) = 0;
    // The completion may be called from any thread; only its first call counts.
    virtual void reportingController_didDetectReportForLastExecution_completionHandler(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>& report,
        std::function<void(bool submit)> completion) = 0;
};

// Runs the crash kit once started: marks the launch, opens this run's report folder, hands the crash
// context its start-up data, and deals with what earlier runs left: the delegate and, when the settings
// ask, the user decide; interrupted work resumes; failed uploads are retried. Start-up runs on the
// caller's (main) thread; slow work runs on the serial work queue.
//
// A report of a crash during the last start-up is prepared and sent on the main thread before the
// launch goes on, where a quit request waits unseen on the run loop: from its start the controller takes
// a signal's terminate request as it comes (platform::Application's termination request handlers) and
// stops the preparation, urgent or not, keeping each report for a later launch.
class CRKCrashReportingController : public CRKCrashCallbackTarget,
                                    public std::enable_shared_from_this<CRKCrashReportingController> {
public:
    static constexpr double kRetryInterval = 600;
    static constexpr double kHandlerInstallDelay = 2.0;
    enum PromptChoice : unsigned { NotAsked = 0, DoNotSend = 1, Send = 2, AlwaysSend = 3 };

    using SubmissionFactory =
        std::function<std::shared_ptr<CRKReportSubmission>(CRKCrashReportingController&)>;

    static std::shared_ptr<CRKCrashReportingController> initWithFileManager_delegate(
        std::shared_ptr<CRKFileManager> fileManager,
        std::weak_ptr<CRKCrashReportingControllerDelegate> delegate, SubmissionFactory submissionFactory,
        std::shared_ptr<CRKPermissionPrompt> prompt);
    ~CRKCrashReportingController() override;

    // The profiling mark is a Clock time in seconds; the answer says whether crash reporting runs.
    bool startWithProfilingMark_betaToken(double profilingMark, const std::optional<std::string>& betaToken);

    // Called by the crash handler on the crashing thread.
    void deliverCrashDelegateCallback() override;

    // The application is quitting (a signal asked, on its own thread): what is being prepared or sent
    // stops, nothing is prepared or sent after (no report resumed from processing, no prepared package,
    // no retry), and the earlier runs' reports not yet begun stay for a later launch.
    void stopPreparingReports();
    bool preparationStopped() const { return stopping_.load(); }

    // Results of the submission side.
    void reportsController_didCompletePackageSubmission_error(const std::string& packagePath,
                                                              const KitErrorPtr& error);
    void reportsControllerDidCompleteAllSubmissions();

    // Decisions.
    bool needsToPrompt();
    bool canProcessUrgentReports();
    bool delegateNeedsToBeInformedOfReports();
    uint32_t machExceptionMask();
    const CRKCrashSettings& settings();

    unsigned promptChoice() const { return promptChoice_.load(); }
    std::string launchMarkerPath() const;
    const std::shared_ptr<CRKInternalReport>& currentReport() const { return currentReport_; }
    const std::shared_ptr<OperationQueue>& operationQueue() const { return operationQueue_; }
    const std::shared_ptr<CRKFileManager>& fileManager() const { return fileManager_; }

    // Internal key names.
    static std::string kitStartTimeKey();
    static std::string firstRunLoopTimeKey();
    static std::string inBackgroundKey();

private:
    CRKCrashReportingController() = default;
    std::shared_ptr<CRKReportSubmission> reportsController();
    std::shared_ptr<CRKCrashReportingControllerDelegate> delegate() const { return delegate_.lock(); }
    bool setupCurrentReport();
    bool startCrashReporter(const std::optional<std::string>& APIKey,
                            const std::optional<std::string>& betaToken, double profilingMark);
    void crashReportingSetupCompleted(double profilingMark);
    void setupStateNotifications();
    void reportKitSettingsDownloaded();
    void registerAnalyticsEventListener();
    void processExistingActiveReportPath(const std::string& path, bool urgent);
    void handleDelegateCompletionForReport(const std::shared_ptr<CRKInternalReport>& report, bool submit);
    void displayPermissionAlertForReport(const std::shared_ptr<CRKInternalReport>& report);
    void handlePromptCompleteForReport(const std::shared_ptr<CRKInternalReport>& report, bool submit,
                                       bool markAlways);
    void removeReport(const std::shared_ptr<CRKInternalReport>& report);
    // After the stop: says that the rest of what it was going through waits for a later launch.
    bool stoppedLeaving(const char* what, size_t left) const;
    void handleExistingFilesInProcessing();
    void handleExistingFilesInPrepared();
    void retryUploadForReportAtPath(const std::string& path);

    std::shared_ptr<CRKFileManager> fileManager_;
    std::weak_ptr<CRKCrashReportingControllerDelegate> delegate_;
    SubmissionFactory submissionFactory_;
    std::shared_ptr<CRKPermissionPrompt> prompt_;
    std::shared_ptr<OperationQueue> operationQueue_;
    std::mutex reportsControllerMutex_;
    std::shared_ptr<CRKReportSubmission> reportsController_;
    std::once_flag settingsOnce_;
    CRKCrashSettings settings_;
    std::atomic<unsigned> promptChoice_{NotAsked};
    std::atomic<bool> registeredAnalyticsEventListener_{false};
    std::atomic<bool> stopping_{false};
    uint64_t terminationRequestHandler_ = 0;
    std::shared_ptr<CRKInternalReport> currentReport_;
    platform::NotificationCenter::Observation settingsObservation_;
    platform::NotificationCenter::Observation activeObservation_;
    platform::NotificationCenter::Observation inactiveObservation_;
};

}  // namespace reporting
