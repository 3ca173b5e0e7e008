#include "reporting/crash/controller/CRKUploadSubmission.h"

#include "platform/system/Bundle.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/upload/CRKNetworkClient.h"
#include "reporting/crash/upload/CRKReportsController.h"

namespace reporting {

namespace {

// Sits between the crash reporting controller and the upload side: it is the reports controller's and
// the network client's delegate, so finished uploads reach the reports controller and its results reach
// the crash reporting controller.
class UploadSubmission : public CRKReportSubmission,
                         public CRKReportsControllerDelegate,
                         public CRKNetworkClientDelegate,
                         public std::enable_shared_from_this<UploadSubmission> {
public:
    UploadSubmission(std::weak_ptr<CRKCrashReportingController> owner, CRKUploadSubmissionOptions options)
        : owner_(std::move(owner)), options_(std::move(options)) {}
    ~UploadSubmission() override {
        if (client_) client_->invalidate();
    }

    bool connect(const std::shared_ptr<OperationQueue>& queue, const std::shared_ptr<CRKFileManager>& files) {
        auto self = shared_from_this();
        client_ = CRKNetworkClient::initWithQueue_fileManager_delegate(queue, files, self, options_.pinner);
        if (!client_) return false;
        reports_ = std::make_shared<CRKReportsController>(queue, self, client_, files);
        return true;
    }

    bool prepareAndSubmitReport(const std::shared_ptr<CRKInternalReport>& report, bool urgent,
                                bool processing) override {
        return reports_->prepareAndSubmitReport_asUrgent_withProcessing(report, urgent, processing);
    }
    void uploadPackagedReportAtPath(const std::string& path, bool urgent) override {
        reports_->uploadPackagedReportAtPath_asUrgent(path, urgent);
    }
    void attemptToReconnectBackgroundSession(std::function<void()> completion) override {
        client_->attemptToReconnectBackgroundSessionWithCompletionBlock(completion);
    }
    void stopPreparingReports() override { reports_->stopPreparingReports(); }

    void reportsController_didCompletePackageSubmission_error(CRKReportsController&, const std::string& path,
                                                              const KitErrorPtr& error) override {
        if (auto owner = owner_.lock())
            owner->reportsController_didCompletePackageSubmission_error(path, error);
    }
    void reportsControllerDidCompleteAllSubmissions(CRKReportsController&) override {
        if (auto owner = owner_.lock()) owner->reportsControllerDidCompleteAllSubmissions();
    }
    std::shared_ptr<CRKSettings> settingsForReportsController(CRKReportsController&) override {
        // Local configuration and what the kit's service sent last.
        return std::make_shared<CRKSettings>(ReportKit::sharedSDK().settings());
    }
    std::optional<std::string> APIKeyForReportsController(CRKReportsController&) override {
        return options_.APIKey ? options_.APIKey() : std::nullopt;
    }
    std::string bundleIdentifierForReportsController(CRKReportsController&) override {
        if (options_.bundleIdentifier) return options_.bundleIdentifier();
        return platform::Bundle::main().bundleIdentifier();
    }

    bool networkClientCanUseBackgroundSessions(CRKNetworkClient&) override {
        return options_.canUseBackgroundSessions && options_.canUseBackgroundSessions();
    }
    void networkClient_didFinishUploadWithPath_error(CRKNetworkClient&, const std::string& path,
                                                     const KitErrorPtr& error) override {
        if (reports_) reports_->reportUploadAtPath_completedWithError(path, error);
    }

private:
    std::weak_ptr<CRKCrashReportingController> owner_;
    CRKUploadSubmissionOptions options_;
    std::shared_ptr<CRKNetworkClient> client_;
    std::shared_ptr<CRKReportsController> reports_;
};

}  // namespace

CRKCrashReportingController::SubmissionFactory CRKUploadSubmissionFactory(
    CRKUploadSubmissionOptions options) {
    return [options](CRKCrashReportingController& controller) -> std::shared_ptr<CRKReportSubmission> {
        auto submission = std::make_shared<UploadSubmission>(controller.weak_from_this(), options);
        if (!submission->connect(controller.operationQueue(), controller.fileManager())) return nullptr;
        return submission;
    };
}

CRKCrashSettings CRKCrashSettingsFromSettings(const CRKSettings& settings) {
    CRKCrashSettings out;
    out.crashReportingEnabled = settings.crashReportingEnabled();
    out.errorReportingEnabled = settings.errorReportingEnabled();
    out.customExceptionsEnabled = settings.customExceptionsEnabled();
    out.maxCustomExceptions = settings.maxCustomExceptions();
    out.errorLogBufferSize = settings.errorLogBufferSize();
    out.logBufferSize = settings.logBufferSize();
    out.maxCustomKeys = settings.maxCustomKeys();
    out.shouldPackageReports = settings.shouldPackageReports();
    out.userPromptEnabled = settings.userPromptEnabled();
    out.canProcessUrgentReports = settings.canProcessUrgentReports();
    out.nimbusCrashKitEnabled = settings.nimbusCrashKitEnabled();
    out.promptTitle = settings.interactivePromptTitle();
    out.promptMessage = settings.interactivePromptMessage();
    out.promptCancel = settings.interactivePromptCancelTitle();
    out.promptSend = settings.interactivePromptSendTitle();
    out.promptAlwaysSend = settings.interactivePromptAlwaysSendTitle();
    return out;
}

}  // namespace reporting
