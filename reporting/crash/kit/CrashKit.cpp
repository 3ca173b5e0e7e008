#include "reporting/crash/kit/CrashKit.h"

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/core/RKTHost.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "reporting/crash/controller/CRKUploadSubmission.h"
#include "reporting/crash/settings/CRKSettings.h"
#include "reporting/crash/store/CRKFileManager.h"

namespace reporting {

namespace {

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<CrashKit>& sharedSlot() {
    static std::shared_ptr<CrashKit> instance;
    return instance;
}

CrashKitCompanions& companionSlot() {
    static CrashKitCompanions value;
    return value;
}

std::string prefixed(const char* suffix) {
    return std::string(CRKReverseDomainPrefix) + suffix;
}

class CrashKitClass : public RKTKit {
public:
    std::string bundleIdentifier() const override { return CrashKit::bundleIdentifier(); }
    std::string kitDisplayVersion() const override { return CrashKit::kDisplayVersion; }
    std::optional<std::string> kitBuildVersion() const override { return CrashKit::kBuildVersion; }
    void initializeIfNeeded() override { CrashKit::initializeIfNeeded(); }
    void disableUninitializedKitMessaging() override { CrashKit::disableUninitializedKitMessaging(); }
};

// The installation identifier an older version of the kit kept in its own defaults file.
std::optional<std::string> historicInstallID() {
    const std::string path = platform::StandardFolders::applicationSupport() + "/" + CRKReverseDomainPrefix +
                             "/CRKUserDefaults.plist";
    if (!platform::Files::exists(path) || platform::Files::isDirectory(path)) return std::nullopt;
    const auto data = platform::Files::read(path);
    if (!data) return std::nullopt;
    const auto plist = platform::PropertyList::valueFromData(*data);
    if (!plist) return std::nullopt;
    if (const auto* id = (*plist)[prefixed(".iuuid")].string()) return *id;
    return std::nullopt;
}

// The settings the kit's service sent last (none before the first download), read afresh each time.
CRKSettings downloadedSettings() {
    return CRKSettings(ReportKit::sharedSDK().settings());
}

// An operation of the analytics kit, when that kit is in the process and answers it.
void sendToUsageKit(const std::string& selector, const std::vector<platform::Value>& arguments) {
    auto usageKit = RKTKitClass::classNamed("UsageKit");
    if (usageKit && usageKit->respondsToSelector(selector)) usageKit->performSelector(selector, arguments);
}

void tellUsageKitOfCrash(const std::optional<platform::Date>& date) {
    sendToUsageKit("logPreviousSessionCrashedOnDate:", {date ? platform::Value(*date) : platform::Value()});
}

}  // namespace

std::string CrashKit::bundleIdentifier() {
    return std::string(RKTMakerReverseDomainPrefix) + ".crashkit.mac";
}

std::shared_ptr<CrashKit> CrashKit::sharedInstance() {
    std::lock_guard lock(sharedMutex());
    if (!sharedSlot()) sharedSlot() = std::make_shared<CrashKit>();
    return sharedSlot();
}

void CrashKit::resetSharedForTesting() {
    std::lock_guard lock(sharedMutex());
    sharedSlot().reset();
    companionSlot() = {};
}

void CrashKit::registerKitClass() {
    RKTKitClass::registerClass(RKTKitClass::kitClass(kClassName, std::make_shared<CrashKitClass>()));
}

void CrashKit::setCompanions(CrashKitCompanions companions) {
    std::lock_guard lock(sharedMutex());
    companionSlot() = std::move(companions);
}

CrashKitCompanions CrashKit::companions() {
    std::lock_guard lock(sharedMutex());
    return companionSlot();
}

std::shared_ptr<CrashKit> CrashKit::startWithAPIKey(const std::string& APIKey,
                                                    std::shared_ptr<CrashKitDelegate> delegate) {
    auto kit = sharedInstance();
    if (delegate) kit->setDelegate(std::move(delegate));
    auto registry = RKTKitClass::classNamed("ReportKit");
    if (registry && registry->respondsToSelector("initializeKitsWithReportKitAPIKey")) {
        registry->performSelector("initializeKitsWithReportKitAPIKey", {platform::Value(APIKey)});
        return kit;
    }
    if (registry && registry->instancesRespondToSelector("installationMode") &&
        registry->instancesRespondToSelector("setInstallationMode:")) {
        const platform::Value mode = registry->performInstanceSelector("installationMode");
        registry->performInstanceSelector(
            "setInstallationMode:",
            {platform::Value(static_cast<long long>(ReportKit::ConfiguredFromInfoPlist))});
        if (mode.number() && mode.number()->longLongValue() == ReportKit::ConfiguredThroughNimbus) {
            platform::logf(
                "[CrashKit] Warning, calling startWithAPIKey:... after [NMBApp configure] or "
                "NimbusApp.configure() is not supported");
            return kit;
        }
    }
    ReportKit::sharedSDK().setAPIKey(APIKey);
    auto kitClass = RKTKitClass::classNamed(kClassName);
    if (!kitClass) {
        registerKitClass();
        kitClass = RKTKitClass::classNamed(kClassName);
    }
    ReportKit::with({kitClass});
    return kit;
}

std::shared_ptr<CrashKit> CrashKit::startWithAPIKey_afterDelay(const std::string& APIKey, double) {
    platform::logf("[CrashKit] Warning, startWithAPIKey:afterDelay: is deprecated.");
    return startWithAPIKey(APIKey);
}

std::shared_ptr<CrashKit> CrashKit::startWithAPIKey_delegate_afterDelay(
    const std::string& APIKey, std::shared_ptr<CrashKitDelegate> delegate, double) {
    platform::logf("[CrashKit] Warning, startWithAPIKey:delegate:afterDelay: is deprecated.");
    return startWithAPIKey(APIKey, std::move(delegate));
}

void CrashKit::initializeIfNeeded() {
    sharedInstance()->start();
}

void CrashKit::disableUninitializedKitMessaging() {
    CRKUserLoggingDisableUninitializedMessaging();
}

void CrashKit::start() {
    if (!ReportKit::isCrashKitCollectionEnabled()) {
        platform::logf("[CrashKit] Not starting up because data collection is disabled");
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
    }
    const double mark = platform::Clock::now();
    platform::logf("[CrashKit] Version %s (%s)", kDisplayVersion, kBuildVersion);
    const bool uploads =
        RKTSettingsOnboardingManager::isConfiguredEndpoint(downloadedSettings().reportsEndpoint());
    if (!uploads) platform::logf("[CrashKit] no report server configured: reports stay on disk");
    if (debugMode())
        platform::logf("[CrashKit] Running on %s, %s (%s)", RKTHostModelName().value_or("(null)").c_str(),
                       RKTHostOperatingSystemDisplayVersion().c_str(),
                       RKTHostOperatingSystemBuildVersion().value_or("(null)").c_str());
    std::weak_ptr<CrashKit> weak = weak_from_this();
    platform::RunLoop::main().post([weak] {
        auto self = weak.lock();
        auto d = self ? self->delegate() : nullptr;
        if (!d) return;
        if (d->didDetectCrashDuringPreviousExecution_report || d->didDetectCrashDuringPreviousExecution)
            platform::logf(
                "[CrashKit] The CrashKit delegate '%p' implements deprecated methods.  Please see "
                "CrashKit for details.",
                static_cast<void*>(d.get()));
        if (d->canUseBackgroundSessions && d->canUseBackgroundSessions(*self) && CRKApplicationIsExtension())
            platform::logf(
                "[CrashKit] Background sessions are not supported in extensions. Please see CrashKit "
                "for details.");
    });
    auto files = std::make_shared<CRKFileManager>();
    const auto helpers = companions();
    std::shared_ptr<CRKBetaController> beta;
    if (CRKBetaController::isBetaSupported()) {
        beta = CRKBetaController::initWithDelegate(weak_from_this());
        if (!beta->start()) platform::logf("[CrashKit] Beta could not be initialized");
    }
    auto submission = helpers.submissionFactory;
    if (!submission && uploads) {
        std::weak_ptr<CrashKit> kit = weak_from_this();
        CRKUploadSubmissionOptions options;
        options.APIKey = [kit]() -> std::optional<std::string> {
            auto self = kit.lock();
            return self ? self->APIKey() : std::nullopt;
        };
        options.canUseBackgroundSessions = [kit] {
            auto self = kit.lock();
            auto controller = self ? self->crashReportingController() : nullptr;
            return controller && self->reportingControllerCanUseBackgroundSessions(*controller);
        };
        submission = CRKUploadSubmissionFactory(options);
    } else if (!submission) {
        // Nothing to send to: the reports wait on disk for a build that names a server.
        submission = [](CRKCrashReportingController&) { return std::shared_ptr<CRKReportSubmission>(); };
    }
    auto controller = CRKCrashReportingController::initWithFileManager_delegate(files, weak_from_this(),
                                                                                submission, helpers.prompt);
    {
        std::lock_guard lock(mutex_);
        betaController_ = beta;
        crashReportingController_ = controller;
    }
    const auto betaToken = beta ? beta->betaToken() : std::nullopt;
    if (!controller->startWithProfilingMark_betaToken(mark, betaToken))
        platform::logf("[CrashKit] Crash reporting could not be initialized");
    // Started even when a quit came while the start held the launch (for an urgent report): the launch's
    // install, launch and crash events are written by nothing else, and no later launch writes them. Its
    // uploader sends nothing once the quit has begun, so they wait on disk for a later launch.
    if (platform::Quit::hasBegun())
        platform::logf(
            "[CrashKit] The quit has begun: the analytics kit records this launch's events for a "
            "later launch to send");
    sendToUsageKit("startWithBetaToken:", {betaToken ? platform::Value(*betaToken) : platform::Value()});
    std::vector<std::optional<platform::Date>> crashes;
    {
        std::lock_guard lock(mutex_);
        usageKitStarted_ = true;
        crashes.swap(crashesForUsageKit_);
    }
    // Told here, on the thread that started the kits, rather than on a later turn of the main loop: a
    // quit that came meanwhile may stop that loop before it turns, and the report, found and moved on
    // by now, is never found again by a later launch.
    for (const auto& date : crashes) tellUsageKitOfCrash(date);
}

std::optional<std::string> CrashKit::APIKey() {
    return ReportKit::sharedSDK().APIKey();
}

std::string CrashKit::installID() {
    if (auto historic = historicInstallID()) return *historic;
    return ReportKit::sharedSDK().installID();
}

bool CrashKit::isFirstInstall() {
    return ReportKit::sharedSDK().isFirstInstall();
}

bool CrashKit::debugMode() {
    return ReportKit::sharedSDK().debug();
}

void CrashKit::setDebugMode(bool) {
    // The registry's flag is only ever switched on from here, whatever the argument.
    ReportKit::sharedSDK().setDebug(true);
    if (isCrashKitStarted())
        platform::logf("[CrashKit] Warning, consider enabling debug mode before starting CrashKit");
}

std::shared_ptr<CrashKitDelegate> CrashKit::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_;
}

void CrashKit::setDelegate(std::shared_ptr<CrashKitDelegate> delegate) {
    bool started;
    {
        std::lock_guard lock(mutex_);
        delegate_ = std::move(delegate);
        started = crashReportingController_ != nullptr;
    }
    if (started)
        platform::logf(
            "[CrashKit] Warning, setting delegate after start. Make sure to set the CrashKit delegate "
            "before calling startWithAPIKey:.., or +[ReportKit with...] to avoid missing some delegate "
            "callbacks.");
}

bool CrashKit::isCrashKitStarted() const {
    std::lock_guard lock(mutex_);
    return crashReportingController_ != nullptr;
}

std::shared_ptr<CRKBetaController> CrashKit::betaController() const {
    std::lock_guard lock(mutex_);
    return betaController_;
}

std::shared_ptr<CRKCrashReportingController> CrashKit::crashReportingController() const {
    std::lock_guard lock(mutex_);
    return crashReportingController_;
}

void CrashKit::setUserIdentifier(const platform::Value& value) {
    CRKUserLoggingRecordInternalKeyValue(prefixed(".user-id"), value);
}
void CrashKit::setUserName(const platform::Value& value) {
    CRKUserLoggingRecordInternalKeyValue(prefixed(".user-name"), value);
}
void CrashKit::setUserEmail(const platform::Value& value) {
    CRKUserLoggingRecordInternalKeyValue(prefixed(".user-email"), value);
}
void CrashKit::setDevelopmentPlatformName(const platform::Value& value) {
    CRKUserLoggingRecordInternalKeyValue(prefixed(".development-platform-name"), value);
}
void CrashKit::setDevelopmentPlatformVersion(const platform::Value& value) {
    CRKUserLoggingRecordInternalKeyValue(prefixed(".development-platform-version"), value);
}
std::optional<std::string> CrashKit::developmentPlatformName() {
    platform::logf("[CrashKit] developmentPlatformName is write-only");
    return std::nullopt;
}
std::optional<std::string> CrashKit::developmentPlatformVersion() {
    platform::logf("[CrashKit] developmentPlatformVersion is write-only");
    return std::nullopt;
}
void CrashKit::setObjectValue_forKey(const platform::Value& value, const std::string& key) {
    CRKUserLoggingRecordUserKeyValue(key, value);
}
void CrashKit::setIntValue_forKey(int value, const std::string& key) {
    setObjectValue_forKey(platform::Value(static_cast<long long>(value)), key);
}
void CrashKit::setBoolValue_forKey(bool value, const std::string& key) {
    setObjectValue_forKey(platform::Value(value), key);
}
void CrashKit::setFloatValue_forKey(float value, const std::string& key) {
    setObjectValue_forKey(platform::Value(static_cast<double>(value)), key);
}

void CrashKit::recordError(const platform::Error& error) {
    recordError_withAdditionalUserInfo(error, std::nullopt);
}

void CrashKit::recordError_withAdditionalUserInfo(
    const platform::Error& error, const std::optional<platform::Value::Dictionary>& userInfo) {
    const platform::Value::Dictionary copy = userInfo.value_or(platform::Value::Dictionary{});
    CRKUserLoggingRecordError(&error, copy);
}

void CrashKit::recordCustomExceptionName_reason_frameArray(const std::string& name, const std::string& reason,
                                                           const std::vector<CRKStackFrame>& frameArray) {
    std::vector<CRKExceptionFrame> frames;
    frames.reserve(frameArray.size());
    for (const CRKStackFrame& frame : frameArray) {
        CRKExceptionFrame copy;
        copy.address = frame.address;
        copy.symbol = frame.symbol;
        copy.offset = frame.offset;
        copy.library = frame.library;
        copy.fileName = frame.fileName;
        copy.lineNumber = frame.lineNumber;
        frames.push_back(std::move(copy));
    }
    CRKExceptionRecord(4, name.c_str(), reason.c_str(), frames, false);
}

void CrashKit::logEvent(const std::string& name) {
    logEvent_attributes(name, std::nullopt);
}

void CrashKit::logEvent_attributes(const std::string& name,
                                   const std::optional<platform::Value::Dictionary>& attributes) {
    sendToUsageKit("logCustomEventWithName:customAttributes:",
                   {platform::Value(name), attributes ? platform::Value(*attributes) : platform::Value()});
}

void CrashKit::Class::setUserIdentifier(const platform::Value& value) {
    sharedInstance()->setUserIdentifier(value);
}
void CrashKit::Class::setUserName(const platform::Value& value) {
    sharedInstance()->setUserName(value);
}
void CrashKit::Class::setUserEmail(const platform::Value& value) {
    sharedInstance()->setUserEmail(value);
}
void CrashKit::Class::setDevelopmentPlatformName(const platform::Value& value) {
    sharedInstance()->setDevelopmentPlatformName(value);
}
void CrashKit::Class::setDevelopmentPlatformVersion(const platform::Value& value) {
    sharedInstance()->setDevelopmentPlatformVersion(value);
}
std::optional<std::string> CrashKit::Class::developmentPlatformName() {
    return sharedInstance()->developmentPlatformName();
}
std::optional<std::string> CrashKit::Class::developmentPlatformVersion() {
    return sharedInstance()->developmentPlatformVersion();
}
void CrashKit::Class::setObjectValue_forKey(const platform::Value& value, const std::string& key) {
    sharedInstance()->setObjectValue_forKey(value, key);
}
void CrashKit::Class::setIntValue_forKey(int value, const std::string& key) {
    sharedInstance()->setIntValue_forKey(value, key);
}
void CrashKit::Class::setBoolValue_forKey(bool value, const std::string& key) {
    sharedInstance()->setBoolValue_forKey(value, key);
}
void CrashKit::Class::setFloatValue_forKey(float value, const std::string& key) {
    sharedInstance()->setFloatValue_forKey(value, key);
}
void CrashKit::Class::logEvent(const std::string& name) {
    sharedInstance()->logEvent(name);
}
void CrashKit::Class::logEvent_attributes(const std::string& name,
                                          const std::optional<platform::Value::Dictionary>& attributes) {
    sharedInstance()->logEvent_attributes(name, attributes);
}

void CrashKit::crash() {
    __builtin_trap();
}

void CrashKit::throwException() {
    CRKExceptionRaiseTestException();
}

std::string CrashKit::errorCaptureUserScriptSource() {
    // The page's own handlers are kept and still called; a page that sets its own onerror while loading
    // has it saved when the load ends, and the kit's goes back in its place.
    static const char* const installer =
        "var crashkitOriginalOnLoad = window.onload;\n"
        "var crashkitOriginalOnError = window.onerror;\n"
        "window.onerror = crashkitOnError;\n"
        "window.onload = crashkitOnLoad;\n"
        "function crashkitOnLoad() {\n"
        "    if (window.onerror !== crashkitOnError) {\n"
        "        crashkitOriginalOnError = window.onerror;\n"
        "    }\n"
        "    window.onerror = crashkitOnError;\n"
        "    if (typeof crashkitOriginalOnLoad === 'function') {\n"
        "        crashkitOriginalOnLoad();\n"
        "    }\n"
        "}\n";
    static const char* const handler =
        "function crashkitOnError(msg, url, line, column, error) {\n"
        "    var report = {msg: msg, url: url, line: line, column: column};\n"
        "    window.webkit.messageHandlers.crashkit.postMessage(report);\n"
        "    if (typeof crashkitOriginalOnError === 'function') {\n"
        "        crashkitOriginalOnError(msg, url, line, column, error);\n"
        "    }\n"
        "}\n";
    return platform::format("%s%s", installer, handler);
}

void CrashKit::monitorErrorsForWKWebViewConfiguration(const platform::WebViewConfiguration& configuration) {
    const auto& controller = configuration.userContentController;
    if (!controller) {
        platform::logf("[CrashKit] Unable to monitor %s", configuration.description().c_str());
        return;
    }
    controller->addScriptMessageHandler(sharedInstance(), kScriptMessageHandlerName);
    // The script is made only where user scripts exist.
    if (!RKTKitClass::classNamed("WKUserScript")) {
        platform::logf("[CrashKit] Unable to monitor %s", configuration.description().c_str());
        return;
    }
    controller->addUserScript(
        {errorCaptureUserScriptSource(), platform::UserScript::InjectionTime::AtDocumentEnd, true});
}

void CrashKit::didReceiveScriptMessage(const std::string&, const platform::Value& body) {
    userContentController_didReceiveScriptMessage(body);
}

void CrashKit::userContentController_didReceiveScriptMessage(const platform::Value& body) {
    if (!body.dictionary()) {
        platform::logf("[CrashKit] Unable to record exception from WKWebView");
        return;
    }
    const auto& message = body["msg"];
    const std::string reason = message.string() ? *message.string() : message.description();
    CRKExceptionRecord(3, "exception", reason.c_str(), {}, false);
}

bool CrashKit::shouldInstallCrashCallback() {
    auto d = delegate();
    return d && d->didDetectCrash;
}

void CrashKit::detectedCrash() {
    auto d = delegate();
    if (d && d->didDetectCrash) d->didDetectCrash(*this);
}

std::optional<std::string> CrashKit::APIKeyForCrashReportingController(CRKCrashReportingController&) {
    return APIKey();
}
std::string CrashKit::installIDForCrashReportingController(CRKCrashReportingController&) {
    return installID();
}
bool CrashKit::isFirstInstallForCrashReportingController(CRKCrashReportingController&) {
    return isFirstInstall();
}
CRKCrashSettings CrashKit::settingsForCrashReportingController(CRKCrashReportingController&) {
    if (auto read = companions().settings) return read();
    return CRKCrashSettingsFromSettings(downloadedSettings());
}

bool CrashKit::reportingControllerCanUseBackgroundSessions(CRKCrashReportingController&) {
    auto d = delegate();
    if (d && d->canUseBackgroundSessions) return d->canUseBackgroundSessions(*this);
    return !CRKApplicationIsExtension();
}

bool CrashKit::reportingControllerMustInformDelegateOfReports(CRKCrashReportingController&) {
    auto d = delegate();
    return d && (d->didDetectReportForLastExecution_completionHandler ||
                 d->didDetectCrashDuringPreviousExecution_report || d->didDetectCrashDuringPreviousExecution);
}

bool CrashKit::reportingController_ensureDeliveryOfUnixSignal(CRKCrashReportingController&, int signal) {
    auto d = delegate();
    return d && d->ensureDeliveryOfUnixSignal && d->ensureDeliveryOfUnixSignal(*this, signal);
}

void CrashKit::reportingController_internalDidDetectReportForLastExecution(
    CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>& internal) {
    auto report = std::make_shared<CRKReport>(internal);
    if (!report->isCrash()) return;
    const auto date = report->dateCreated();
    {
        std::lock_guard lock(mutex_);
        if (!usageKitStarted_) {
            crashesForUsageKit_.push_back(date);
            return;
        }
    }
    platform::RunLoop::main().post([date] { tellUsageKitOfCrash(date); });
}

void CrashKit::reportingController_didDetectReportForLastExecution_completionHandler(
    CRKCrashReportingController& controller, const std::shared_ptr<CRKInternalReport>& internal,
    std::function<void(bool)> completion) {
    auto d = delegate();
    std::shared_ptr<CRKReport> report;
    if (d && d->didDetectReportForLastExecution) {
        report = std::make_shared<CRKReport>(internal, true);
        platform::RunLoop::main().post([d, report] { d->didDetectReportForLastExecution(report); });
    }
    if (!reportingControllerMustInformDelegateOfReports(controller)) {
        completion(true);
        return;
    }
    if (!report) report = std::make_shared<CRKReport>(internal);
    if (d->didDetectReportForLastExecution_completionHandler)
        d->didDetectReportForLastExecution_completionHandler(report, completion);
    else
        completion(true);
    auto self = shared_from_this();
    platform::RunLoop::main().post([d, self, report] {
        if (d->didDetectCrashDuringPreviousExecution_report)
            d->didDetectCrashDuringPreviousExecution_report(*self, report);
        if (d->didDetectCrashDuringPreviousExecution) d->didDetectCrashDuringPreviousExecution(*self);
    });
}

std::optional<std::string> CrashKit::APIKeyForBetaController(CRKBetaController&) {
    return APIKey();
}

std::optional<CRKBetaSettings> CrashKit::settingsForBetaController(CRKBetaController&) {
    const CRKSettings settings = downloadedSettings();
    CRKBetaSettings beta;
    beta.betaEndpoint = settings.betaEndpoint();
    const platform::Number duration = settings.betaSuspendDuration();
    beta.betaSuspendDuration = duration.doubleValue();
    return beta;
}

}  // namespace reporting
