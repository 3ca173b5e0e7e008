#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Date.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/web/UserContentController.h"
#include "reporting/crash/beta/CRKBetaController.h"
#include "reporting/crash/controller/CRKCrashReportingController.h"
#include "reporting/crash/store/CRKReport.h"
#include "reporting/crash/symbolication/CRKStackFrame.h"

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

// What the application may put in place of the kit's own parts (tests above all); an empty entry is the
// kit's own: the upload side with the kit's settings, the downloaded settings, the desktop's alert.
struct CrashKitCompanions {
    CRKCrashReportingController::SubmissionFactory submissionFactory;
    std::function<CRKCrashSettings()> settings;
    std::shared_ptr<CRKPermissionPrompt> prompt;
};

// The crash kit as the application sees it: a kit of the registry ("CrashKit"), which starts the crash
// reporting controller, the beta controller and the analytics kit, answers the controllers' questions
// from the application's delegate, keeps the user's identity and custom keys, records errors and
// exceptions, watches web pages for script errors and crashes on request.
//
// The registry's and the analytics kit's optional operations are looked up by name in the class list
// (RKTKitClass): a process without them takes the road the kit has for their absence.
class CrashKit : public CRKCrashReportingControllerDelegate,
                 public CRKBetaControllerDelegate,
                 public platform::ScriptMessageHandler,
                 public std::enable_shared_from_this<CrashKit> {
public:
    static constexpr const char* kClassName = "CrashKit";
    static constexpr const char* kDisplayVersion = "3.12.0";
    static constexpr const char* kBuildVersion = "136";
    static constexpr const char* kScriptMessageHandlerName = "crashkit";
    // Also the instance's `bundleIdentifier`.
    static std::string bundleIdentifier();
    static std::string kitDisplayVersion() { return kDisplayVersion; }
    static std::string kitBuildVersion() { return kBuildVersion; }

    static std::shared_ptr<CrashKit> sharedInstance();
    // Puts the kit's class in the class registry, so the registry's start finds and starts it.
    static void registerKitClass();
    static void setCompanions(CrashKitCompanions companions);
    static CrashKitCompanions companions();

    static std::shared_ptr<CrashKit> startWithAPIKey(const std::string& APIKey,
                                                     std::shared_ptr<CrashKitDelegate> delegate = nullptr);
    // Deprecated forms: they say so and start at once; the delay is not waited for.
    static std::shared_ptr<CrashKit> startWithAPIKey_afterDelay(const std::string& APIKey, double delay);
    static std::shared_ptr<CrashKit> startWithAPIKey_delegate_afterDelay(
        const std::string& APIKey, std::shared_ptr<CrashKitDelegate> delegate, double delay);
    // Called by the registry.
    static void initializeIfNeeded();
    static void disableUninitializedKitMessaging();
    void start();

    std::string version() const { return kDisplayVersion; }
    std::optional<platform::Value::Dictionary> kitInfo() const { return std::nullopt; }
    void setKitInfo(const platform::Value::Dictionary&) {}
    std::optional<platform::Value::Dictionary> settingsDictionary() const { return std::nullopt; }

    std::optional<std::string> APIKey();
    std::string installID();
    bool isFirstInstall();
    bool debugMode();
    // Debug mode can only be switched on: the argument is not looked at.
    void setDebugMode(bool enabled);
    std::shared_ptr<CrashKitDelegate> delegate() const;
    void setDelegate(std::shared_ptr<CrashKitDelegate> delegate);
    bool isCrashKitStarted() const;
    std::shared_ptr<CRKBetaController> betaController() const;
    std::shared_ptr<CRKCrashReportingController> crashReportingController() const;

    void setUserIdentifier(const platform::Value& value);
    void setUserName(const platform::Value& value);
    void setUserEmail(const platform::Value& value);
    void setDevelopmentPlatformName(const platform::Value& value);
    void setDevelopmentPlatformVersion(const platform::Value& value);
    // Write-only: always none, with a log line.
    std::optional<std::string> developmentPlatformName();
    std::optional<std::string> developmentPlatformVersion();
    void setObjectValue_forKey(const platform::Value& value, const std::string& key);
    void setIntValue_forKey(int value, const std::string& key);
    void setBoolValue_forKey(bool value, const std::string& key);
    void setFloatValue_forKey(float value, const std::string& key);

    void recordError(const platform::Error& error);
    void recordError_withAdditionalUserInfo(const platform::Error& error,
                                            const std::optional<platform::Value::Dictionary>& userInfo);
    // A non-fatal exception of the application's own, with the frames it gives.
    void recordCustomExceptionName_reason_frameArray(const std::string& name, const std::string& reason,
                                                     const std::vector<CRKStackFrame>& frameArray);
    void logEvent(const std::string& name);
    void logEvent_attributes(const std::string& name,
                             const std::optional<platform::Value::Dictionary>& attributes);

    // Ends the process at once through a trap instruction, so the crash handlers write a report.
    [[noreturn]] static void crash();
    // Raises the application's test exception ("CrashKitTestException").
    [[noreturn]] static void throwException();

    // Script errors of the pages shown with the configuration come back as "crashkit" messages.
    void monitorErrorsForWKWebViewConfiguration(const platform::WebViewConfiguration& configuration);
    // A message a page's error script posted: a dictionary's "msg" becomes a non-fatal script exception.
    void userContentController_didReceiveScriptMessage(const platform::Value& body);
    void didReceiveScriptMessage(const std::string& name, const platform::Value& body) override;
    // The script that reports a page's errors: the installer, then the handler.
    static std::string errorCaptureUserScriptSource();

    // Class operations of the paragraphs above, each forwarding to the shared instance.
    struct Class {
        static void setUserIdentifier(const platform::Value& value);
        static void setUserName(const platform::Value& value);
        static void setUserEmail(const platform::Value& value);
        static void setDevelopmentPlatformName(const platform::Value& value);
        static void setDevelopmentPlatformVersion(const platform::Value& value);
        static std::optional<std::string> developmentPlatformName();
        static std::optional<std::string> developmentPlatformVersion();
        static void setObjectValue_forKey(const platform::Value& value, const std::string& key);
        static void setIntValue_forKey(int value, const std::string& key);
        static void setBoolValue_forKey(bool value, const std::string& key);
        static void setFloatValue_forKey(float value, const std::string& key);
        static void logEvent(const std::string& name);
        static void logEvent_attributes(const std::string& name,
                                        const std::optional<platform::Value::Dictionary>& attributes);
    };

    // The controllers' questions.
    bool shouldInstallCrashCallback() override;
    void detectedCrash() override;
    bool reportingControllerCanUseBackgroundSessions(CRKCrashReportingController&);
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
    // The crashes of earlier launches found while the kit starts, told to the analytics kit once that
    // kit has started (it starts after this kit's controller, which finds them); after that, at once.
    bool usageKitStarted_ = false;
    std::vector<std::optional<platform::Date>> crashesForUsageKit_;
};

}  // namespace reporting
