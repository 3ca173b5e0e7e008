#include "reporting/crash/CrashKit.h"

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/core/RKTHost.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKUserLogging.h"
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
    void initializeIfNeeded() override { CrashKit::sharedInstance()->start(); }
    void disableUninitializedKitMessaging() override { CRKUserLoggingDisableUninitializedMessaging(); }
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
    auto& registry = ReportKit::sharedSDK();
    // This registry has no one-call start with a key, so the key path is taken; a registry the outside
    // core has configured is left to it.
    const int64_t mode = registry.installationMode();
    registry.setInstallationMode(ReportKit::ConfiguredFromInfoPlist);
    if (mode == ReportKit::ConfiguredThroughNimbus) {
        platform::logf(
            "[CrashKit] Warning, calling startWithAPIKey:... after [NMBApp configure] or "
            "NimbusApp.configure() is not supported");
        return kit;
    }
    registry.setAPIKey(APIKey);
    auto kitClass = RKTKitClass::classNamed(kClassName);
    if (!kitClass) {
        registerKitClass();
        kitClass = RKTKitClass::classNamed(kClassName);
    }
    ReportKit::with({kitClass});
    return kit;
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
    auto controller = CRKCrashReportingController::initWithFileManager_delegate(
        files, weak_from_this(), helpers.submissionFactory, helpers.prompt);
    {
        std::lock_guard lock(mutex_);
        betaController_ = beta;
        crashReportingController_ = controller;
    }
    const auto betaToken = beta ? beta->betaToken() : std::nullopt;
    if (!controller->startWithProfilingMark_betaToken(mark, betaToken))
        platform::logf("[CrashKit] Crash reporting could not be initialized");
    if (helpers.usageStartWithBetaToken) helpers.usageStartWithBetaToken(betaToken);
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
void CrashKit::setObjectValue_forKey(const platform::Value& value, const std::string& key) {
    CRKUserLoggingRecordUserKeyValue(key, value);
}

void CrashKit::recordError_withAdditionalUserInfo(const platform::Error& error,
                                                  const platform::Value::Dictionary& userInfo) {
    CRKUserLoggingRecordError(&error, userInfo);
}

void CrashKit::logEvent_attributes(const std::string& name, const platform::Value& attributes) {
    if (auto log = companions().usageLogCustomEvent) log(name, attributes);
}

void CrashKit::crash() {
    __builtin_trap();
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
    auto read = companions().settings;
    return read ? read() : CRKCrashSettings{};
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
    auto log = companions().usageLogPreviousSessionCrashedOnDate;
    if (!log) return;
    platform::RunLoop::main().post([log, date] { log(date); });
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
    // The beta endpoint comes with the downloaded settings, which this build does not read yet.
    return std::nullopt;
}

}  // namespace reporting
