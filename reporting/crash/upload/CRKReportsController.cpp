#include "reporting/crash/upload/CRKReportsController.h"

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "reporting/core/RKTURLBuilder.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKAPIHeaders.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/symbolication/CRKProcessReportOperation.h"
#include "reporting/crash/upload/CRKNCRAnalytics.h"
#include "reporting/crash/upload/CRKPackageReportOperation.h"
#include "reporting/crash/upload/CRKUploadCheckpoint.h"

namespace reporting {

namespace {

constexpr int kReloadIgnoringLocalCacheData = 1;

}  // namespace

CRKReportsController::CRKReportsController(std::shared_ptr<OperationQueue> queue,
                                           const std::shared_ptr<CRKReportsControllerDelegate>& delegate,
                                           std::shared_ptr<CRKNetworkClient> client,
                                           std::shared_ptr<CRKFileManager> fileManager)
    : operationQueue_(std::move(queue)),
      delegate_(delegate),
      networkClient_(std::move(client)),
      fileManager_(std::move(fileManager)) {}

std::shared_ptr<CRKSettings> CRKReportsController::settings() const {
    auto delegate = delegate_.lock();
    auto settings =
        delegate ? delegate->settingsForReportsController(const_cast<CRKReportsController&>(*this)) : nullptr;
    return settings ? settings : std::make_shared<CRKSettings>(std::nullopt);
}

std::string CRKReportsController::appBundleIdentifier() const {
    auto delegate = delegate_.lock();
    return delegate ? delegate->bundleIdentifierForReportsController(const_cast<CRKReportsController&>(*this))
                    : std::string();
}

std::optional<std::string> CRKReportsController::APIKey() const {
    auto delegate = delegate_.lock();
    return delegate ? delegate->APIKeyForReportsController(const_cast<CRKReportsController&>(*this))
                    : std::nullopt;
}

std::string CRKReportsController::reportEndpoint() const {
    return settings()->reportsEndpoint();
}

std::optional<std::string> CRKReportsController::reportURL() const {
    auto builder = RKTURLBuilder::URLWithBase(reportEndpoint());
    builder->appendComponent("/sdk-api/v1/platforms/");
    builder->appendComponent("mac");
    builder->appendComponent("/apps/");
    builder->appendComponent(appBundleIdentifier());
    builder->appendComponent("/reports");
    return builder->URL();
}

bool CRKReportsController::submissionEnabled() const {
    return settings()->shouldSubmitReports();
}
bool CRKReportsController::packagingEnabled() const {
    return settings()->shouldPackageReports();
}

std::string CRKReportsController::localeIdentifier() {
    return RKTNetworkOperation(std::string()).localeIdentifier();
}

platform::URLRequest CRKReportsController::mutableRequestWithURL_timeout(const std::string& url,
                                                                         double timeout) const {
    platform::URLRequest request(url, timeout);
    request.setCachePolicy(kReloadIgnoringLocalCacheData);
    CRKSetAPIHeaders(request, kUserAgent, APIKey());
    return request;
}

bool CRKReportsController::fillInRequest_forMultipartMimeDataAtPath(platform::URLRequest& request,
                                                                    const std::string& path) const {
    std::string name = platform::Files::lastPathComponent(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    request.setValue_forHTTPHeaderField(
        RKTMultipartMimeStreamEncoder::contentTypeHTTPHeaderValueWithBoundary(name), "Content-Type");
    const auto size = fileManager_->fileSizeAtPath(path);
    if (!size) {
        platform::logf("[CrashKit:Crash:Reports] Could not determine size of multipart mime file");
        return false;
    }
    request.setValue_forHTTPHeaderField(std::to_string(*size), "Content-Length");
    return true;
}

bool CRKReportsController::prepareAndSubmitReport_asUrgent_withProcessing(
    const std::shared_ptr<CRKInternalReport>& report, bool urgent, bool processing) {
    if (!ReportKit::isCrashKitCollectionEnabled()) {
        platform::logf("[CrashKit:Crash:Reports] Data collection disabled and will not submit report");
        return true;
    }
    bool decision = false;
    CRKApplicationActivity(CRKActivitySuddenTerminationDisabled | CRKActivityAutomaticTerminationDisabled,
                           "CrashKit Crash Report Processing",
                           [&] { decision = prepareAndSubmit(report, urgent, processing); });
    return decision;
}

bool CRKReportsController::prepareAndSubmit(std::shared_ptr<CRKInternalReport> report, bool urgent,
                                            bool processing) {
    if (!report) return false;
    if (preparationStopped()) {
        keepForLaterLaunch(report, false);
        return false;
    }
    if (processing) {
        if (!fileManager_->moveItemAtPath_toDirectory(report->path(), fileManager_->processingPath())) {
            platform::logf("[CrashKit:Crash:Reports] Unable to move report for processing");
            return false;
        }
        CRKUploadCheckpoint("move");
        report = CRKInternalReport::initWithPath_executionIdentifier(
            CRKPathByAppendingComponent(fileManager_->processingPath(), report->directoryName()),
            report->identifier());
        if (!report) return false;
        CRKProcessReportOperation process(report, std::make_shared<CRKSymbolResolver>());
        if (!runUnlessStopped(process)) {
            keepForLaterLaunch(report, true);
            return false;
        }
    }
    if (!packagingEnabled()) {
        platform::logf("[CrashKit:Crash:Reports] Report packaging disabled");
        return false;
    }
    CRKPackageReportOperation package(report, fileManager_);
    const bool packagedWhole = runUnlessStopped(package);
    // A package renamed into place is complete, even when the stop came just after.
    const auto finalPath = package.finalPath();
    if (!finalPath) {
        if (!packagedWhole) {
            keepForLaterLaunch(report, processing);
            return false;
        }
        platform::logf("[CrashKit:Crash:Reports] Unable to package report");
        return false;
    }
    const auto crashedOn = report->crashedOnDate();
    const bool isCrash = report->isCrash();
    if (!fileManager_->removeItemAtPath(report->path())) {
        platform::logf("[CrashKit:Crash:Reports] Unable to remove a processing item");
    }
    CRKUploadCheckpoint("remove.report");
    platform::logf("[CrashKit:Crash:Reports] Packaged report with id '%s' for submission",
                   report->identifier().c_str());
    if (preparationStopped()) {
        platform::logf("[CrashKit:Crash:Reports] Stopped: the package waits for a later launch");
        return false;
    }
    const bool decision = uploadPackagedReportAtPath_asUrgent(*finalPath, urgent);
    if (isCrash && decision) {
        CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(
            crashedOn ? crashedOn->timeIntervalSince1970() : 0, settings()->nimbusCrashKitEnabled());
    }
    return decision;
}

void CRKReportsController::stopPreparingReports() {
    stopped_.store(true);
    {
        std::lock_guard lock(runningMutex_);
        for (Operation* step : running_) step->cancel();
    }
    // A send under way would otherwise hold the quit for up to its whole time-out, and one begun after
    // would send a package the next launch sends again.
    if (networkClient_) networkClient_->stopUploads();
}

bool CRKReportsController::runUnlessStopped(Operation& step) {
    {
        std::lock_guard lock(runningMutex_);
        if (stopped_.load()) return false;
        running_.insert(&step);
    }
    step.start();
    std::lock_guard lock(runningMutex_);
    running_.erase(&step);
    return !step.isCancelled();
}

void CRKReportsController::keepForLaterLaunch(const std::shared_ptr<CRKInternalReport>& report,
                                              bool returnToActive) {
    // Moved back, it is found again as it was: a later launch symbolicates and packages it afresh. Left
    // in processing (the move failed, or it was found there), it is packaged as it is, every file whole.
    if (returnToActive &&
        !fileManager_->moveItemAtPath_toDirectory(report->path(), fileManager_->activePath()))
        returnToActive = false;
    platform::logf("[CrashKit:Crash:Reports] Stopped: report with id '%s' kept in %s for a later launch",
                   report->identifier().c_str(), returnToActive ? "active" : "its folder");
}

bool CRKReportsController::uploadPackagedReportAtPath_asUrgent(const std::string& path, bool urgent) {
    if (preparationStopped()) {
        platform::logf("[CrashKit:Crash:Reports] Stopped: %s waits for a later launch", path.c_str());
        return false;
    }
    if (!submissionEnabled()) {
        platform::logf("[CrashKit:Crash:Reports] Submission disabled");
        return false;
    }
    if (ReportKit::sharedSDK().debug())
        platform::logf("[CrashKit:Crash:Reports] Submitting report%s", urgent ? " as urgent" : "");
    return submitPackageMultipartMimeAtPath_synchronously(path, urgent);
}

bool CRKReportsController::submitPackageMultipartMimeAtPath_synchronously(const std::string& path,
                                                                          bool synchronously) {
    if (ReportKit::sharedSDK().debug())
        platform::logf("[CrashKit:Crash:Reports] Submitting %s %s", synchronously ? "sync" : "async",
                       path.c_str());
    if (fileManager_->fileSizeAtPath(path).value_or(0) == 0) {
        if (ReportKit::sharedSDK().debug())
            platform::logf("[CrashKit:Crash:Reports] Already-submitted report being ignored");
        return false;
    }
    // A package is only ever one of the store's own files: anything else is neither sent nor, after
    // a successful send, removed.
    if (!fileManager_->isInsideRoot(path)) {
        platform::logf(
            "[CrashKit:Crash:Reports] The package %s is not in the report store; it is not submitted",
            path.c_str());
        return false;
    }
    const double timeout = !synchronously || networkClient_->supportsBackgroundRequests()
                               ? kSubmissionTimeout
                               : kSynchronousTimeoutWithoutBackground;
    const auto url = reportURL();
    if (!url) {
        platform::logf("[CrashKit:Crash:Reports] The reports address is not a valid URL");
        return false;
    }
    platform::URLRequest request = mutableRequestWithURL_timeout(*url, timeout);
    request.setHTTPMethod("POST");
    if (!fillInRequest_forMultipartMimeDataAtPath(request, path)) return false;
    networkClient_->startUploadRequest_filePath_immediately(request, path, synchronously);
    return true;
}

bool CRKReportsController::cleanUpSubmittedReportAtPath(const std::string& path) {
    if (!fileManager_->removeItemAtPath(path)) {
        platform::logf("[CrashKit:Crash:Reports] Unable to remove packaged submission");
        return false;
    }
    CRKUploadCheckpoint("remove.package");
    return true;
}

void CRKReportsController::reportUploadAtPath_completedWithError(const std::string& path,
                                                                 const KitErrorPtr& error) {
    if (ReportKit::sharedSDK().debug())
        platform::logf("[CrashKit:Crash:Reports] completed submission of %s", path.c_str());
    if (!error) cleanUpSubmittedReportAtPath(path);
    if (auto delegate = delegate_.lock())
        delegate->reportsController_didCompletePackageSubmission_error(*this, path, error);
}

}  // namespace reporting
