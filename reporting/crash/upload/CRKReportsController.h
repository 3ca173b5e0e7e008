#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/net/URLRequest.h"
#include "reporting/core/KitError.h"
#include "reporting/core/Operation.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/crash/settings/CRKSettings.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKInternalReport.h"
#include "reporting/crash/upload/CRKNetworkClient.h"

namespace reporting {

class CRKReportsController;

// Implemented by the crash reporting controller.
class CRKReportsControllerDelegate {
public:
    virtual ~CRKReportsControllerDelegate() = default;
    virtual void reportsController_didCompletePackageSubmission_error(CRKReportsController& controller,
                                                                      const std::string& path,
                                                                      const KitErrorPtr& error) = 0;
    virtual void reportsControllerDidCompleteAllSubmissions(CRKReportsController& controller) = 0;
    virtual std::shared_ptr<CRKSettings> settingsForReportsController(CRKReportsController& controller) = 0;
    virtual std::optional<std::string> APIKeyForReportsController(CRKReportsController& controller) = 0;
    virtual std::string bundleIdentifierForReportsController(CRKReportsController& controller) = 0;
};

// Carries a report from its folder to the server: moves it into processing, symbolicates and packages
// it, removes the folder once the package is complete, and submits the package with the crash kit's
// request headers; a package the server accepted is removed.
//
// The preparation can be stopped from any thread (the application asked to quit while a launch prepares
// the report of a start-up crash before its first window): the symbolication or packaging under way ends
// at its next frame or megabyte, and whatever is on disk stays whole for a later launch. A report stopped
// before its package was complete goes back to the active folder, as it was found (its package, if
// begun, thrown away), so that a later launch prepares it afresh; once the package is complete the
// report folder is removed as ever and the package waits in the prepared folder unsent; every send under
// way, urgent or not, ends at once, its package kept for a later launch as after a failed send. Nothing
// is prepared or sent after the stop.
class CRKReportsController {
public:
    static constexpr const char* kUserAgent = "CrashKit Mac SDK/3.12.0";
    static constexpr double kSubmissionTimeout = 10.0;
    static constexpr double kSynchronousTimeoutWithoutBackground = 2.0;

    CRKReportsController(
        std::shared_ptr<OperationQueue> queue, const std::shared_ptr<CRKReportsControllerDelegate>& delegate,
        std::shared_ptr<CRKNetworkClient> client,
        std::shared_ptr<CRKFileManager> fileManager);  // initWithQueue:delegate:client:fileManager:

    std::shared_ptr<CRKSettings> settings() const;
    std::string appBundleIdentifier() const;
    std::optional<std::string> APIKey() const;
    std::string reportEndpoint() const;
    std::optional<std::string> reportURL() const;
    bool submissionEnabled() const;
    bool packagingEnabled() const;
    static std::string localeIdentifier();

    platform::URLRequest mutableRequestWithURL_timeout(const std::string& url, double timeout) const;
    bool fillInRequest_forMultipartMimeDataAtPath(platform::URLRequest& request,
                                                  const std::string& path) const;
    bool prepareAndSubmitReport_asUrgent_withProcessing(const std::shared_ptr<CRKInternalReport>& report,
                                                        bool urgent, bool processing);
    bool uploadPackagedReportAtPath_asUrgent(const std::string& path, bool urgent);
    bool submitPackageMultipartMimeAtPath_synchronously(const std::string& path, bool synchronously);
    bool cleanUpSubmittedReportAtPath(const std::string& path);
    void reportUploadAtPath_completedWithError(const std::string& path, const KitErrorPtr& error);
    // See above: any thread, at any time, once for good.
    void stopPreparingReports();
    bool preparationStopped() const { return stopped_.load(); }

    const std::shared_ptr<OperationQueue>& operationQueue() const { return operationQueue_; }
    const std::shared_ptr<CRKNetworkClient>& networkClient() const { return networkClient_; }
    const std::shared_ptr<CRKFileManager>& fileManager() const { return fileManager_; }

private:
    bool prepareAndSubmit(std::shared_ptr<CRKInternalReport> report, bool urgent, bool processing);
    // Runs the step on this thread where the stop can reach it; false when stopped before or during it.
    bool runUnlessStopped(Operation& step);
    // A report the stop caught before its package was complete goes back to where it was found.
    void keepForLaterLaunch(const std::shared_ptr<CRKInternalReport>& report, bool returnToActive);

    std::shared_ptr<OperationQueue> operationQueue_;
    std::weak_ptr<CRKReportsControllerDelegate> delegate_;
    std::shared_ptr<CRKNetworkClient> networkClient_;
    std::shared_ptr<CRKFileManager> fileManager_;

    std::atomic<bool> stopped_{false};
    std::mutex runningMutex_;
    std::set<Operation*> running_;  // the steps under way, guarded by runningMutex_
};

}  // namespace reporting
