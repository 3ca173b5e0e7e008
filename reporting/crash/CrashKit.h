#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "reporting/crash/beta/CRKBetaController.h"
#include "reporting/crash/controller/CRKCrashReportingController.h"
#include "reporting/crash/store/CRKReport.h"

namespace reporting {

class CrashKit;

// The application's delegate. Every operation is optional: an empty one is an operation the delegate
// does not answer.
struct CrashKitDelegate {
    std::function<void(const std::shared_ptr<CRKReport>&)> didDetectReportForLastExecution;
    std::function<void(const std::shared_ptr<CRKReport>&, std::function<void(bool submit)>)>
        didDetectReportForLastExecution_completionHandler;
    std::function<void(CrashKit&, const std::shared_ptr<CRKReport>&)>
        didDetectCrashDuringPreviousExecution_report;
    std::function<void(CrashKit&)> didDetectCrashDuringPreviousExecution;
    std::function<bool(CrashKit&)> canUseBackgroundSessions;
    std::function<void(CrashKit&)> didDetectCrash;
    std::function<bool(CrashKit&, int signal)> ensureDeliveryOfUnixSignal;
};

// What the crash kit asks of the analytics kit and of the report submission, which live beside it and
// install themselves here; an empty entry is a part this build does not have.
struct CrashKitCompanions {
    std::function<void(const std::optional<std::string>& betaToken)> usageStartWithBetaToken;
    std::function<void(const std::optional<platform::Date>& date)> usageLogPreviousSessionCrashedOnDate;
    std::function<void(const std::string& name, const platform::Value& attributes)> usageLogCustomEvent;
    CRKCrashReportingController::SubmissionFactory submissionFactory;
    std::function<CRKCrashSettings()> settings;   // from the downloaded settings; empty: the defaults
    std::shared_ptr<CRKPermissionPrompt> prompt;  // empty: the desktop's alert
};

// The crash kit as the application sees it: a kit of the registry ("CrashKit"), which starts the crash
// reporting controller and the beta controller, answers their questions from the application's delegate,
// keeps the user's identity and custom keys, records errors and exceptions, and crashes on request.
class CrashKit : public CRKCrashReportingControllerDelegate,
                 public CRKBetaControllerDelegate,
                 public std::enable_shared_from_this<CrashKit> {
public:
    static constexpr const char* kClassName = "CrashKit";
    static constexpr const char* kDisplayVersion = "3.12.0";
    static constexpr const char* kBuildVersion = "136";
    static std::string bundleIdentifier();

    static std::shared_ptr<CrashKit> sharedInstance();
    // Puts the kit's class in the class registry, so the registry's start finds and starts it.
    static void registerKitClass();
    static void setCompanions(CrashKitCompanions companions);
    static CrashKitCompanions companions();

    static std::shared_ptr<CrashKit> startWithAPIKey(const std::string& APIKey,
                                                     std::shared_ptr<CrashKitDelegate> delegate = nullptr);
    // Called by the registry.
    void start();

    std::optional<std::string> APIKey();
    std::string installID();
    bool isFirstInstall();
    bool debugMode();
    void setDebugMode(bool enabled);
    std::shared_ptr<CrashKitDelegate> delegate() const;
    void setDelegate(std::shared_ptr<CrashKitDelegate> delegate);
    bool isCrashKitStarted() const;
    std::shared_ptr<CRKBetaController> betaController() const;
    std::shared_ptr<CRKCrashReportingController> crashReportingController() const;

    void setUserIdentifier(const platform::Value& value);
    void setUserName(const platform::Value& value);
    void setUserEmail(const platform::Value& value);
    void setObjectValue_forKey(const platform::Value& value, const std::string& key);
    void recordError_withAdditionalUserInfo(const platform::Error& error,
                                            const platform::Value::Dictionary& userInfo = {});
    void logEvent_attributes(const std::string& name, const platform::Value& attributes = {});

    // Ends the process at once through a trap instruction, so the crash handlers write a report.
    [[noreturn]] static void crash();
    // A message a page's error script posted: a dictionary's "msg" becomes a non-fatal script exception.
    void userContentController_didReceiveScriptMessage(const platform::Value& body);

    // The controllers' questions.
    bool shouldInstallCrashCallback() override;
    void detectedCrash() override;
    std::optional<std::string> APIKeyForCrashReportingController(CRKCrashReportingController&) override;
    std::string installIDForCrashReportingController(CRKCrashReportingController&) override;
    bool isFirstInstallForCrashReportingController(CRKCrashReportingController&) override;
    CRKCrashSettings settingsForCrashReportingController(CRKCrashReportingController&) override;
    bool reportingControllerMustInformDelegateOfReports(CRKCrashReportingController&) override;
    bool reportingController_ensureDeliveryOfUnixSignal(CRKCrashReportingController&, int signal) override;
    void reportingController_internalDidDetectReportForLastExecution(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>& report) override;
    void reportingController_didDetectReportForLastExecution_completionHandler(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>& report,
        std::function<void(bool)> completion) override;
    std::optional<std::string> APIKeyForBetaController(CRKBetaController&) override;
    std::optional<CRKBetaSettings> settingsForBetaController(CRKBetaController&) override;

    // Tests: a fresh instance, as in a new process.
    static void resetSharedForTesting();

private:
    mutable std::mutex mutex_;
    std::shared_ptr<CrashKitDelegate> delegate_;
    std::shared_ptr<CRKCrashReportingController> crashReportingController_;
    std::shared_ptr<CRKBetaController> betaController_;
    bool started_ = false;
};

}  // namespace reporting
