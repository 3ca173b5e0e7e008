#include "reporting/crash/controller/CRKCrashReportingController.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/system/DesktopServices.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTFileUtility.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKSignal.h"
#include "reporting/crash/capture/CRKUserLogging.h"

namespace reporting {

namespace {

constexpr const char* kWillBecomeActive = "NSApplicationWillBecomeActiveNotification";
constexpr const char* kDidResignActive = "NSApplicationDidResignActiveNotification";

bool debugMode() {
    return ReportKit::sharedSDK().debug();
}

std::mutex& registrationMutex() {
    static std::mutex mutex;
    return mutex;
}

CRKAnalyticsEventRegistration& registration() {
    static CRKAnalyticsEventRegistration value;
    return value;
}

// The signal's bit in the exception mask the crash context watches: the exception kind a signal of
// that kind stands for (bad access, bad instruction, arithmetic, software, breakpoint, crash).
uint32_t machMaskForSignal(int signal) {
    switch (signal) {
        case SIGBUS:
        case SIGSEGV:
            return 1u << 1;  // bad access
        case SIGILL:
            return 1u << 2;  // bad instruction
        case SIGFPE:
            return 1u << 3;  // arithmetic
        case SIGSYS:
            return 1u << 5;  // software
        case SIGTRAP:
            return 1u << 6;  // breakpoint
        case SIGABRT:
            return 1u << 10;  // crash
        default:
            return 0;
    }
}

void logInternalKeyOnLoggingQueue(const std::string& key, std::string value) {
    auto queue = CRKSharedContext().loggingQueue;
    if (!queue) return;
    queue->async([key, value = std::move(value)] { CRKUserLoggingWriteInternalKeyValue(key, value); });
}

// The launch marker is an empty file whose presence is all it says: made once, with no copy to rename
// and nothing to flush (a marker lost with the machine's power only makes a report wait for a prompt).
void touchLaunchMarker(const std::string& path) {
    if (platform::Files::exists(path)) return;
    const int fd = RKTOpenRegularFileForWriting(path, O_WRONLY);
    if (fd >= 0) ::close(fd);
}

std::string millisecondsSince(double mark) {
    return platform::format("%f", (platform::Clock::now() - mark) * 1000.0);
}

// The desktop's modal alert with the prompt's buttons; its answer is the chosen button's.
class DesktopPrompt : public CRKPermissionPrompt {
public:
    long runModal(const std::string& title, const std::string& message,
                  const std::vector<std::string>& buttons) override {
        platform::logf("[CrashKit:Crash] Send prompt: %s - %s", title.c_str(), message.c_str());
        auto desktop = platform::DesktopServices::current();
        const auto chosen =
            desktop ? desktop->runModalAlertWithButtons(title, message, buttons) : std::nullopt;
        if (!chosen || *chosen >= buttons.size()) return kNoAnswer;
        return kFirstButton + static_cast<long>(*chosen);
    }
};

}  // namespace

std::shared_ptr<CRKPermissionPrompt> CRKDesktopPermissionPrompt() {
    return std::make_shared<DesktopPrompt>();
}

void CRKSetAnalyticsEventRegistration(CRKAnalyticsEventRegistration value) {
    std::lock_guard lock(registrationMutex());
    registration() = std::move(value);
}

std::string CRKCrashReportingController::kitStartTimeKey() {
    return std::string(CRKReverseDomainPrefix) + ".kit-start-time";
}
std::string CRKCrashReportingController::firstRunLoopTimeKey() {
    return std::string(CRKReverseDomainPrefix) + ".first-run-loop-time";
}
std::string CRKCrashReportingController::inBackgroundKey() {
    return std::string(CRKReverseDomainPrefix) + ".in-background";
}

std::shared_ptr<CRKCrashReportingController> CRKCrashReportingController::initWithFileManager_delegate(
    std::shared_ptr<CRKFileManager> fileManager, std::weak_ptr<CRKCrashReportingControllerDelegate> delegate,
    SubmissionFactory submissionFactory, std::shared_ptr<CRKPermissionPrompt> prompt) {
    std::shared_ptr<CRKCrashReportingController> controller(new CRKCrashReportingController());
    controller->fileManager_ = std::move(fileManager);
    controller->delegate_ = std::move(delegate);
    controller->submissionFactory_ = std::move(submissionFactory);
    controller->prompt_ = prompt ? std::move(prompt) : CRKDesktopPermissionPrompt();
    controller->operationQueue_ =
        OperationQueue::create(std::string(RKTMakerReverseDomainPrefix) + ".crashkit.mac.work-queue");
    controller->operationQueue_->setMaxConcurrentOperationCount(1);
    return controller;
}

CRKCrashReportingController::~CRKCrashReportingController() {
    platform::Application::removeTerminationRequestHandler(terminationRequestHandler_);
}

void CRKCrashReportingController::stopPreparingReports() {
    stopping_.store(true);
    std::shared_ptr<CRKReportSubmission> submission;
    {
        std::lock_guard lock(reportsControllerMutex_);
        submission = reportsController_;
    }
    if (submission) submission->stopPreparingReports();
}

const CRKCrashSettings& CRKCrashReportingController::settings() {
    std::call_once(settingsOnce_, [this] {
        if (auto d = delegate()) settings_ = d->settingsForCrashReportingController(*this);
    });
    return settings_;
}

std::shared_ptr<CRKReportSubmission> CRKCrashReportingController::reportsController() {
    std::lock_guard lock(reportsControllerMutex_);
    if (!reportsController_ && submissionFactory_) {
        reportsController_ = submissionFactory_(*this);
        // Made after the stop (the last one had finished its work): it prepares nothing either.
        if (reportsController_ && stopping_.load()) reportsController_->stopPreparingReports();
    }
    // A factory that answers none has said why itself (no report server configured).
    if (!reportsController_ && !submissionFactory_) {
        static std::once_flag told;
        std::call_once(told, [] {
            platform::logf(
                "[CrashKit:Crash] No report submission in this build; reports are kept for a later one");
        });
    }
    return reportsController_;
}

bool CRKCrashReportingController::delegateNeedsToBeInformedOfReports() {
    auto d = delegate();
    return d && d->reportingControllerMustInformDelegateOfReports(*this);
}

bool CRKCrashReportingController::needsToPrompt() {
    const unsigned choice = promptChoice_.load();
    if (choice == Send || choice == AlwaysSend) return false;
    return settings().userPromptEnabled;
}

bool CRKCrashReportingController::canProcessUrgentReports() {
    return settings().canProcessUrgentReports && !needsToPrompt() && !delegateNeedsToBeInformedOfReports();
}

uint32_t CRKCrashReportingController::machExceptionMask() {
    auto d = delegate();
    if (!d) return 0;
    uint32_t mask = 0;
    CRKSignalEnumerateHandledSignals([&](int, int signal) {
        if (d->reportingController_ensureDeliveryOfUnixSignal(*this, signal))
            mask |= machMaskForSignal(signal);
    });
    return mask;
}

std::string CRKCrashReportingController::launchMarkerPath() const {
    return CRKPathByAppendingComponent(fileManager_->structurePath(), "launchmarker");
}

bool CRKCrashReportingController::startWithProfilingMark_betaToken(
    double profilingMark, const std::optional<std::string>& betaToken) {
    if (RKTApplicationGetBundleIdentifier().empty()) {
        platform::logf("[CrashKit] An application must have a valid bundle idenifier in its Info.plist");
        return false;
    }
    if (!settings().crashReportingEnabled) {
        platform::logf("[CrashKit:Crash] Reporting is disabled");
        fileManager_->removeContentsOfAllPaths();
        return false;
    }
    // The legacy folders go before this launch's folders are made: queued behind them, a removal could
    // take a folder this run has just prepared.
    fileManager_->removeLegacyDirectories();
    if (!fileManager_->prepareForNewLaunch()) return false;

    const std::string marker = launchMarkerPath();
    const bool lastLaunchFailed = platform::Files::exists(marker);
    if (lastLaunchFailed) {
        if (debugMode())
            platform::logf(
                "[CrashKit:Crash] Last launch failed: this may indicate a crash shortly after app launch.");
    } else {
        touchLaunchMarker(marker);
    }
    const auto earlierReports = fileManager_->activePathContents();
    // Held weakly: the signal's thread may run the handler while the kit is let go.
    if (terminationRequestHandler_ == 0) {
        std::weak_ptr<CRKCrashReportingController> weak = weak_from_this();
        terminationRequestHandler_ = platform::Application::addTerminationRequestHandler([weak] {
            if (auto self = weak.lock()) self->stopPreparingReports();
        });
    }

    if (!setupCurrentReport()) platform::logf("[CrashKit:Crash] Unable to setup a new report");
    auto d = delegate();
    if (currentReport_ && !startCrashReporter(d ? d->APIKeyForCrashReportingController(*this) : std::nullopt,
                                              betaToken, profilingMark)) {
        platform::logf("[CrashKit:Crash] Unable to start crash reporter");
        currentReport_.reset();
    }
    for (const auto& path : earlierReports) {
        if (stopping_.load()) break;  // the rest stay in the active folder for a later launch
        processExistingActiveReportPath(path, lastLaunchFailed);
    }
    handleExistingFilesInProcessing();
    handleExistingFilesInPrepared();
    if (currentReport_) logInternalKeyOnLoggingQueue(kitStartTimeKey(), millisecondsSince(profilingMark));
    return currentReport_ != nullptr;
}

bool CRKCrashReportingController::setupCurrentReport() {
    touchLaunchMarker(launchMarkerPath());
    const std::string identifier = ReportKit::sharedSDK().executionIdentifier();
    const auto path = fileManager_->setupNewPathForExecutionIdentifier(identifier);
    if (!path) return false;
    currentReport_ = CRKInternalReport::initWithPath_executionIdentifier(*path, identifier);
    return currentReport_ != nullptr;
}

bool CRKCrashReportingController::startCrashReporter(const std::optional<std::string>& APIKey,
                                                     const std::optional<std::string>& betaToken,
                                                     double profilingMark) {
    if (!currentReport_) return false;
    auto d = delegate();
    const auto& current = settings();
    // The context copies the texts it is given.
    std::vector<std::string> texts;
    texts.reserve(5);
    auto keep = [&](std::string text) {
        texts.push_back(std::move(text));
        return texts.back().c_str();
    };
    CRKContextInitData data;
    data.apiKey = keep(APIKey.value_or(""));
    data.deliveryDelegate = nullptr;
    data.firstInstall = d && d->isFirstInstallForCrashReportingController(*this);
    // The crash handler calls back only when the application's delegate wants to hear of the crash.
    data.crashCallbackTarget = d && d->shouldInstallCrashCallback() ? this : nullptr;
    data.customBundleId = nullptr;
    data.rootPath = keep(currentReport_->path());
    data.sessionId = keep(currentReport_->identifier());
    data.installId = keep(d ? d->installIDForCrashReportingController(*this) : "");
    data.betaToken = keep(betaToken.value_or(""));
    data.machExceptionMask = machExceptionMask();
    data.errorReportingEnabled = current.errorReportingEnabled;
    data.customExceptionsEnabled = current.customExceptionsEnabled;
    data.maxCustomExceptions = current.maxCustomExceptions;
    data.errorLogBufferSize = current.errorLogBufferSize;
    data.logBufferSize = current.logBufferSize;
    data.maxCustomKeys = current.maxCustomKeys;
    if (!CRKContextInitialize(&data)) return false;
    setupStateNotifications();
    if (current.nimbusCrashKitEnabled) registerAnalyticsEventListener();
    std::weak_ptr<CRKCrashReportingController> weak = weak_from_this();
    settingsObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        RKTSettingsOnboardingManager::kSettingsAvailableNotification, nullptr,
        [weak](const platform::Notification&) {
            if (auto self = weak.lock()) self->reportKitSettingsDownloaded();
        });
    crashReportingSetupCompleted(profilingMark);
    return true;
}

void CRKCrashReportingController::crashReportingSetupCompleted(double profilingMark) {
    std::weak_ptr<CRKCrashReportingController> weak = weak_from_this();
    // The crash context installs the signal and exception handlers as it starts; two seconds on, once
    // the application's own start-up is done, the handlers are checked (another library may have put
    // its own in their place) and the prompt setting is looked at.
    platform::RunLoop::main().performAfterDelay(kHandlerInstallDelay, [weak] {
        auto self = weak.lock();
        if (!self) return;
        CRKExceptionCheckHandlers();
        CRKSignalCheckHandlers();
        if (self->settings().userPromptEnabled && !self->delegateNeedsToBeInformedOfReports())
            platform::logf(
                "[CrashKit:Crash] WARNING: the user prompt feature is enabled. As of CrashKit 3.0.0, "
                "implementing a user prompt is the application's responsibility. See CrashKit's notes "
                "about -crashkitDidDetectReportForLastExecution:completionHandler:");
    });
    const std::string marker = launchMarkerPath();
    platform::RunLoop::main().post([marker, profilingMark] {
        platform::Files::remove(marker);
        logInternalKeyOnLoggingQueue(firstRunLoopTimeKey(), millisecondsSince(profilingMark));
    });
}

void CRKCrashReportingController::setupStateNotifications() {
    logInternalKeyOnLoggingQueue(inBackgroundKey(), "0");
    auto& center = platform::NotificationCenter::defaultCenter();
    activeObservation_ = center.addObserver(kWillBecomeActive, nullptr, [](const platform::Notification&) {
        CRKUserLoggingRecordInternalKeyValue(inBackgroundKey(), "0");
    });
    inactiveObservation_ = center.addObserver(kDidResignActive, nullptr, [](const platform::Notification&) {
        CRKUserLoggingRecordInternalKeyValue(inBackgroundKey(), "1");
    });
}

void CRKCrashReportingController::reportKitSettingsDownloaded() {
    auto d = delegate();
    // Fresh settings are read only for the analytics switch; this run keeps the ones it started with.
    if (d && d->settingsForCrashReportingController(*this).nimbusCrashKitEnabled)
        registerAnalyticsEventListener();
    platform::RunLoop::main().post([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->settingsObservation_.remove();
    });
}

void CRKCrashReportingController::registerAnalyticsEventListener() {
    if (registeredAnalyticsEventListener_.exchange(true)) return;
    CRKAnalyticsEventRegistration registrar;
    {
        std::lock_guard lock(registrationMutex());
        registrar = registration();
    }
    if (!registrar) return;
    registrar([](const std::string& name, const platform::Value& parameters) {
        nlohmann::json event;
        event["name"] = name;
        nlohmann::json params = nlohmann::json::object();
        if (const auto* dictionary = parameters.dictionary())
            for (const auto& [key, value] : *dictionary) {
                if (const auto* text = value.string())
                    params[key] = *text;
                else if (const auto* number = value.number())
                    params[key] = number->doubleValue();
                else
                    params[key] = value.description();
            }
        event["parameters"] = params;
        const std::string text = event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        CRKLog("$A$:%s", text.c_str());
    });
}

void CRKCrashReportingController::processExistingActiveReportPath(const std::string& path, bool urgent) {
    auto report = CRKInternalReport::reportWithPath(path);
    if (!report || !report->needsToBeSubmitted()) {
        auto files = fileManager_;
        operationQueue_->addOperationWithBlock([files, path] { files->removeItemAtPath(path); });
        return;
    }
    auto d = delegate();
    if (d) d->reportingController_internalDidDetectReportForLastExecution(*this, report);
    if (urgent && canProcessUrgentReports()) {
        if (auto submission = reportsController()) submission->prepareAndSubmitReport(report, true, true);
        return;
    }
    if (!d) return;
    // A delegate may call its completion more than once; the first call decides.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    std::weak_ptr<CRKCrashReportingController> weak = weak_from_this();
    d->reportingController_didDetectReportForLastExecution_completionHandler(
        *this, report, [weak, report, answered](bool submit) {
            if (answered->exchange(true)) return;
            if (auto self = weak.lock()) self->handleDelegateCompletionForReport(report, submit);
        });
}

void CRKCrashReportingController::handleDelegateCompletionForReport(
    const std::shared_ptr<CRKInternalReport>& report, bool submit) {
    auto self = shared_from_this();
    operationQueue_->addOperationWithBlock([self, report, submit] {
        if (submit) {
            if (self->needsToPrompt()) {
                self->displayPermissionAlertForReport(report);
            } else if (auto submission = self->reportsController()) {
                submission->prepareAndSubmitReport(report, false, true);
            }
            return;
        }
        if (debugMode()) platform::logf("[CrashKit:Crash] Removing report at request of delegate");
        self->removeReport(report);
    });
}

void CRKCrashReportingController::displayPermissionAlertForReport(
    const std::shared_ptr<CRKInternalReport>& report) {
    auto self = shared_from_this();
    if (CRKApplicationIsExtension()) {
        operationQueue_->addOperationWithBlock([self, report] {
            if (auto submission = self->reportsController())
                submission->prepareAndSubmitReport(report, false, true);
        });
        return;
    }
    const auto& current = settings();
    if (debugMode()) platform::logf("[CrashKit:Crash] Displaying permission alert");
    platform::RunLoop::main().post([self, report, current] {
        const unsigned choice = self->promptChoice_.load();
        if (choice == Send || choice == AlwaysSend)
            return self->handlePromptCompleteForReport(report, true, false);
        if (choice == DoNotSend) return self->handlePromptCompleteForReport(report, false, false);
        std::vector<std::string> buttons{current.promptSend};
        if (current.promptAlwaysSend) buttons.push_back(*current.promptAlwaysSend);
        buttons.push_back(current.promptCancel);
        const long response = self->prompt_->runModal(current.promptTitle, current.promptMessage, buttons);
        if (response == CRKPermissionPrompt::kNoAnswer) {
            // Without the user's answer the report is neither sent nor deleted: it stays where it is,
            // and the next launch asks again.
            platform::logf("[CrashKit:Crash] The send prompt got no answer; the report is kept for later");
            return;
        }
        const bool submit = response == 1000 || (current.promptAlwaysSend && response == 1001);
        const bool always = current.promptAlwaysSend && response == 1001;
        // The answer counts at once: prompts for later reports of this run, queued behind this one on the
        // main queue, must see it rather than ask again.
        self->promptChoice_ = always ? AlwaysSend : (submit ? Send : DoNotSend);
        self->handlePromptCompleteForReport(report, submit, always);
    });
}

void CRKCrashReportingController::handlePromptCompleteForReport(
    const std::shared_ptr<CRKInternalReport>& report, bool submit, bool markAlways) {
    auto self = shared_from_this();
    operationQueue_->addOperationWithBlock([self, report, submit, markAlways] {
        if (!submit) {
            self->promptChoice_ = DoNotSend;
            if (debugMode()) platform::logf("[CrashKit:Crash] Removing report at request of user");
            self->removeReport(report);
            return;
        }
        if (auto submission = self->reportsController())
            submission->prepareAndSubmitReport(report, false, true);
        if (markAlways) {
            self->promptChoice_ = AlwaysSend;
            platform::logf("should set always submit here");
        } else {
            // A report sent because the user chose "always" keeps that choice.
            unsigned expected = NotAsked;
            self->promptChoice_.compare_exchange_strong(expected, Send);
        }
    });
}

void CRKCrashReportingController::removeReport(const std::shared_ptr<CRKInternalReport>& report) {
    fileManager_->removeItemAtPath(report->path());
}

bool CRKCrashReportingController::stoppedLeaving(const char* what, size_t left) const {
    if (!stopping_.load()) return false;
    platform::logf("[CrashKit:Crash] Stopped: the %s (%zu) wait for a later launch", what, left);
    return true;
}

void CRKCrashReportingController::handleExistingFilesInProcessing() {
    const auto paths = fileManager_->processingPathContents();
    if (paths.empty()) return;
    auto self = shared_from_this();
    operationQueue_->addOperationWithBlock([self, paths] {
        for (size_t i = 0; i < paths.size(); ++i) {
            const std::string& path = paths[i];
            if (self->stoppedLeaving("reports in processing", paths.size() - i)) return;
            // A folder whose report cannot be read (no session identifier) is left for the store to clear.
            auto report = CRKInternalReport::initWithPath(path);
            if (!report) {
                platform::logf("[CrashKit:Crash] Skipping unreadable report at %s", path.c_str());
                continue;
            }
            if (auto submission = self->reportsController())
                submission->prepareAndSubmitReport(report, false, false);
        }
    });
}

void CRKCrashReportingController::handleExistingFilesInPrepared() {
    const auto paths = fileManager_->preparedPathContents();
    auto submission = reportsController();
    if (!submission) return;
    auto self = shared_from_this();
    submission->attemptToReconnectBackgroundSession([self, paths] {
        self->operationQueue_->addOperationWithBlock([self, paths] {
            for (size_t i = 0; i < paths.size(); ++i) {
                const std::string& path = paths[i];
                if (self->stoppedLeaving("prepared reports", paths.size() - i)) return;
                if (!platform::Files::exists(path)) continue;
                if (auto current = self->reportsController())
                    current->uploadPackagedReportAtPath(path, false);
            }
        });
    });
}

void CRKCrashReportingController::reportsController_didCompletePackageSubmission_error(
    const std::string& packagePath, const KitErrorPtr& error) {
    if (!error) {
        if (debugMode()) platform::logf("[CrashKit:Crash] report submission successful");
        return;
    }
    const std::string description = error->localizedDescription();
    if (debugMode())
        platform::logf("[CrashKit:Crash] report submission failed with error %s", description.c_str());
    CRKSDKLOG_WARN("Error: failed to submit report '%s'\n", description.c_str());
    retryUploadForReportAtPath(packagePath);
}

void CRKCrashReportingController::retryUploadForReportAtPath(const std::string& path) {
    // Retried every ten minutes for as long as the process lives.
    std::weak_ptr<CRKCrashReportingController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kRetryInterval, [weak, path] {
        auto self = weak.lock();
        if (!self) return;
        self->operationQueue_->addOperationWithBlock([self, path] {
            if (self->stopping_.load()) return;  // the package waits for a later launch
            if (debugMode()) platform::logf("[CrashKit:Crash] re-attempting report submission");
            if (auto submission = self->reportsController())
                submission->uploadPackagedReportAtPath(path, false);
        });
    });
}

void CRKCrashReportingController::reportsControllerDidCompleteAllSubmissions() {
    auto self = shared_from_this();
    operationQueue_->addOperationWithBlock([self] {
        {
            std::lock_guard lock(self->reportsControllerMutex_);
            self->reportsController_.reset();
        }
        if (debugMode()) platform::logf("[CrashKit:Crash] report submission complete");
    });
}

void CRKCrashReportingController::deliverCrashDelegateCallback() {
    if (auto d = delegate()) d->detectedCrash();
}

}  // namespace reporting
