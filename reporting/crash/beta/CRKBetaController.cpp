#include "reporting/crash/beta/CRKBetaController.h"

#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"
#include "reporting/core/RKTURLBuilder.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKAPIHeaders.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/CRKLocalizedString.h"

namespace reporting {

namespace {

// A scheme (a letter, then letters, digits, "+", "-" or "."), a colon and something after it, with no
// blank or control character anywhere: enough to refuse a text that could not be opened as an address.
bool looksLikeURL(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    for (const unsigned char c : text)
        if (c <= 0x20 || c == 0x7f) return false;
    return true;
}

std::mutex& providerMutex() {
    static std::mutex mutex;
    return mutex;
}

CRKBetaTokenProvider& providerOverride() {
    static CRKBetaTokenProvider provider;
    return provider;
}

KitErrorPtr cannotParse(const std::string& description) {
    return KitError::errorWithDomain_code_userInfo(CRKBetaUpdate::kErrorDomain,
                                                   CRKBetaUpdate::kCannotParseResponse,
                                                   {{KitError::NSLocalizedDescriptionKey, description}});
}

}  // namespace

// ---- token provider ----

std::optional<std::string> CRKBetaTokenProviderGetToken() {
    CRKBetaTokenProvider provider;
    {
        std::lock_guard lock(providerMutex());
        provider = providerOverride();
    }
    if (provider) return provider();
    return std::nullopt;  // this platform hands out no tester builds
}

void CRKBetaTokenProviderSetForTesting(CRKBetaTokenProvider provider) {
    std::lock_guard lock(providerMutex());
    providerOverride() = std::move(provider);
}

// ---- update ----

std::shared_ptr<CRKBetaUpdate> CRKBetaUpdate::betaUpdateWithDictionary_error(
    const platform::Value& dictionary, KitErrorPtr* error) {
    auto fail = [&](const char* why) -> std::shared_ptr<CRKBetaUpdate> {
        if (error) *error = cannotParse(why);
        return nullptr;
    };
    if (!dictionary.dictionary()) return fail("The beta update is no dictionary");
    const auto* url = dictionary["url"].string();
    if (!url) return fail("The beta update has no url");
    if (!looksLikeURL(*url)) return fail("The beta update's url is no address");
    auto update = std::make_shared<CRKBetaUpdate>();
    update->url_ = *url;
    if (const auto* version = dictionary["version_string"].string()) update->version_ = *version;
    return update;
}

std::string CRKBetaUpdate::promptTitle() const {
    return CRKLocalizedStringWithDefault("CrashKitDistributionPromptTitle", "New Build Available");
}

std::string CRKBetaUpdate::promptMessage() const {
    const auto name = RKTApplicationGetName();
    // The application's own wording may place the name anywhere; it is put in as text, never read as a
    // format, whatever else the table's text holds.
    return platform::replaceAll(
        CRKLocalizedStringWithDefault("CrashKitDistributionPromptMessage",
                                      "A new version of %@ is available for testing."),
        "%@", name ? *name : std::string("(null)"));
}

std::string CRKBetaUpdate::cancelLabel() const {
    return CRKLocalizedStringWithDefault("CrashKitDistributionPromptCancelTitle", "Cancel");
}

std::string CRKBetaUpdate::installLabel() const {
    return CRKLocalizedStringWithDefault("CrashKitDistributionPromptInstallTitle", "Install");
}

// ---- controller ----

bool CRKBetaController::isBetaSupported() {
    return !CRKApplicationIsExtension() &&
           RKTApplicationInstallationSource() == RKTApplicationInstallationSourceSignedForDistribution;
}

std::shared_ptr<CRKBetaController> CRKBetaController::initWithDelegate(
    std::weak_ptr<CRKBetaControllerDelegate> delegate) {
    std::shared_ptr<CRKBetaController> controller(new CRKBetaController());
    controller->delegate_ = std::move(delegate);
    controller->queue_ = platform::DispatchQueue::createSerial(std::string(RKTMakerReverseDomainPrefix) +
                                                               ".crashkit.mac.beta");
    controller->networkClient_ =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, RKTPinnedCertificates());
    if (!controller->networkClient_ && ReportKit::sharedSDK().debug())
        platform::logf("[CrahKit:Beta] Failed to configure networking");
    return controller;
}

CRKBetaController::~CRKBetaController() {
    settingsObservation_.remove();
    if (checkSuspensionTimer_) checkSuspensionTimer_->invalidate();
}

bool CRKBetaController::start() {
    if (!betaToken()) return false;
    std::weak_ptr<CRKBetaController> weak = weak_from_this();
    settingsObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        RKTSettingsOnboardingManager::kSettingsAvailableNotification, nullptr,
        [weak](const platform::Notification& notification) {
            if (auto self = weak.lock()) self->reportKitSettingsDownloaded(notification);
        });
    return true;
}

std::optional<std::string> CRKBetaController::betaToken() {
    std::lock_guard lock(tokenMutex_);
    if (!betaToken_) betaToken_ = CRKBetaTokenProviderGetToken();
    return betaToken_;
}

void CRKBetaController::checkForUpdate() {
    std::weak_ptr<CRKBetaController> weak = weak_from_this();
    maybeGetUpdate([weak](std::shared_ptr<CRKBetaUpdate> update, KitErrorPtr) {
        if (auto self = weak.lock()) self->didGetUpdate(update);
    });
}

void CRKBetaController::reportKitSettingsDownloaded(const platform::Notification&) {
    checkForUpdate();
}

void CRKBetaController::applicationWillEnterForeground() {
    checkForUpdate();
}

std::optional<CRKBetaSettings> CRKBetaController::settings() {
    auto delegate = delegate_.lock();
    return delegate ? delegate->settingsForBetaController(*this) : std::nullopt;
}

bool CRKBetaController::shouldGetUpdates() const {
    return isBetaSupported() && !checksSuspended_.load();
}

void CRKBetaController::maybeGetUpdate(
    std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion) {
    auto self = shared_from_this();
    queue_->async([self, completion = std::move(completion)]() mutable {
        if (!self->shouldGetUpdates() || self->retrying_) return;
        if (ReportKit::sharedSDK().debug()) platform::logf("[CrashKit:Beta] Loading beta update");
        self->loadUpdateWithCompletionBlock(std::move(completion));
    });
}

std::optional<std::string> CRKBetaController::betaUpdateURL() {
    const auto current = settings();
    if (!current) return std::nullopt;
    auto builder = RKTURLBuilder::URLWithBase(current->betaEndpoint);
    builder->appendComponent("/spi/v2/platforms/");
    builder->escapeAndAppendComponent("mac");
    builder->appendComponent("/apps/");
    builder->escapeAndAppendComponent(RKTApplicationGetBundleIdentifier());
    builder->appendComponent("/beta_update_check");
    auto text = [](const std::optional<std::string>& value) {
        return value ? platform::Value(*value) : platform::Value();
    };
    builder->appendValue_forQueryParam(text(RKTApplicationGetBuildVersion()), "build_version");
    builder->appendValue_forQueryParam(text(RKTApplicationGetDisplayVersion()), "display_version");
    builder->appendValue_forQueryParam(text(ReportKit::sharedSDK().instanceIdentifier()), "instance");
    builder->appendValue_forQueryParam(platform::Value(RKTApplicationInstallationSource()), "source");
    return builder->URL();
}

platform::URLRequest CRKBetaController::betaUpdateRequest(const std::string& url) {
    platform::URLRequest request(url, kTimeout);
    request.setHTTPMethod("GET");
    request.setCachePolicy(1);  // reload, ignoring local cache data
    auto delegate = delegate_.lock();
    CRKSetAPIHeaders(request, kUserAgent, delegate ? delegate->APIKeyForBetaController(*this) : std::nullopt);
    request.setValue_forHTTPHeaderField(betaToken(), "X-CrashKit-Beta-Token");
    return request;
}

void CRKBetaController::loadUpdateWithCompletionBlock(
    std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion) {
    const auto url = betaUpdateURL();
    if (!url) {
        if (ReportKit::sharedSDK().debug()) platform::logf("[CrashKit:Beta] Beta update url is invalid");
        return;
    }
    if (ReportKit::sharedSDK().debug()) platform::logf("[CrashKit:Beta] Beta Update-Check url string: '%s'", url->c_str());
    const auto request = betaUpdateRequest(*url);
    auto self = shared_from_this();
    queue_->async([self, request, completion = std::move(completion)]() mutable {
        if (self->retrying_ || !self->networkClient_) return;
        self->retrying_ = true;
        self->networkClient_->startDataTaskWithRequest_retryLimit_completionHandler(
            request, kRetryLimit,
            [self, completion = std::move(completion)](
                const std::optional<platform::Data>& data, const std::optional<platform::HTTPURLResponse>&,
                const KitErrorPtr& error) { self->handledCompletedBetaRequest(data, error, completion); });
    });
}

void CRKBetaController::handledCompletedBetaRequest(
    const std::optional<platform::Data>& data, const KitErrorPtr& error,
    std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion) {
    if (error || !data || data->size() == 0) {
        // The request stays marked in flight, so this process asks no more.
        if (ReportKit::sharedSDK().debug())
            platform::logf("[CrashKit:Beta] Failed to load update '%s'",
                           error ? error->localizedDescription().c_str() : "(null)");
        return;
    }
    auto self = shared_from_this();
    queue_->async([self, data = *data, completion = std::move(completion)] {
        if (ReportKit::sharedSDK().debug()) platform::logf("[CrashKit:Beta] Beta update loaded");
        self->temporarilySuspendChecks();
        self->retrying_ = false;
        KitErrorPtr parseError;
        auto update = self->updateWithData_error(data, &parseError);
        if (completion) completion(update, parseError);
    });
}

std::shared_ptr<CRKBetaUpdate> CRKBetaController::updateWithData_error(const platform::Data& data,
                                                                       KitErrorPtr* error) {
    const auto json = nlohmann::json::parse(data.toString(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        auto failure = cannotParse("The beta update is no JSON object");
        if (ReportKit::sharedSDK().debug())
            platform::logf("[CrashKit:Beta] Unable to deserialize beta update data: %s",
                           failure->localizedDescription().c_str());
        if (error) *error = failure;
        return nullptr;
    }
    // Only the two texts the update reads are taken over; anything else in the answer is ignored.
    platform::Value::Dictionary dictionary;
    for (const char* key : {"url", "version_string"}) {
        const auto found = json.find(key);
        if (found != json.end() && found->is_string())
            dictionary[key] = found->get<std::string>();
        else if (found != json.end())
            dictionary[key] = 0;  // present but no text
    }
    KitErrorPtr readError;
    auto update = CRKBetaUpdate::betaUpdateWithDictionary_error(platform::Value(dictionary), &readError);
    if (!update) {
        if (ReportKit::sharedSDK().debug())
            platform::logf("[CrashKit:Beta] Unable to read beta update data: %s",
                           readError->localizedDescription().c_str());
        if (error) *error = readError;
    }
    return update;
}

void CRKBetaController::didGetUpdate(const std::shared_ptr<CRKBetaUpdate>& update) {
    if (!update || update->url().empty()) {
        if (ReportKit::sharedSDK().debug()) platform::logf("[CrashKit:Beta] Beta update url is invalid");
        return;
    }
    // No window is shown for the update; it is kept for whoever asks.
    std::weak_ptr<CRKBetaController> weak = weak_from_this();
    platform::RunLoop::main().post([weak, update] {
        if (auto self = weak.lock()) self->activeUpdate_ = update;
    });
}

void CRKBetaController::temporarilySuspendChecks() {
    std::weak_ptr<CRKBetaController> weak = weak_from_this();
    platform::RunLoop::main().post([weak] {
        auto self = weak.lock();
        if (!self) return;
        const auto current = self->settings();
        const std::optional<double> duration =
            current ? current->betaSuspendDuration : std::optional<double>(3600);
        if (!duration) return;
        self->checksSuspended_ = true;
        if (self->checkSuspensionTimer_) self->checkSuspensionTimer_->invalidate();
        self->checkSuspensionTimer_ = platform::RunLoop::main().performAfterDelay(*duration, [weak] {
            if (auto owner = weak.lock()) owner->allowChecks();
        });
    });
}

void CRKBetaController::allowChecks() {
    checksSuspended_ = false;
    if (checkSuspensionTimer_) checkSuspensionTimer_->invalidate();
    checkSuspensionTimer_.reset();
}

}  // namespace reporting
