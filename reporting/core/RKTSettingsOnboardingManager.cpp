#include "reporting/core/RKTSettingsOnboardingManager.h"

#include <cctype>
#include <string_view>

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

RKTSettingsOnboardingManager::RKTSettingsOnboardingManager(
    std::shared_ptr<RKTApplicationIdentiferModel> model)
    : appIdentifierModel_(std::move(model)) {}

bool RKTSettingsOnboardingManager::debug() const {
    return ReportKit::sharedSDK().debug();
}

void RKTSettingsOnboardingManager::
    beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier(
        const std::string& APIKey, const platform::Value::Dictionary& kitVersionsByKitBundleIdentifier) {
    {
        std::lock_guard lock(mutex_);
        APIKey_ = APIKey;
        kitVersions_ = kitVersionsByKitBundleIdentifier;
    }
    // Without a settings service there is nothing to download and no application to onboard; the
    // kits keep their built-in settings.
    if (!isConfiguredEndpoint(valueForConfigurationKey(kSettingsEndpointKey).value_or(""))) return;
    beginSettingsDownload();
}

bool RKTSettingsOnboardingManager::isConfiguredEndpoint(const std::string& endpoint) {
    const auto scheme = endpoint.find("://");
    if (scheme == std::string::npos) return !endpoint.empty();
    std::string host = endpoint.substr(scheme + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    if (const auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
    if (!host.empty() && host[0] != '[') host = host.substr(0, host.find(':'));
    while (!host.empty() && host.back() == '.') host.pop_back();
    for (auto& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    constexpr std::string_view reserved = ".invalid";
    return !host.empty() && host != "invalid" && !(host.size() > reserved.size() && host.ends_with(reserved));
}

void RKTSettingsOnboardingManager::beginSettingsDownload() {
    const auto url = settingsURL();
    auto operation = std::make_shared<RKTDownloadAndSaveSettingsOperation>(
        APIKey(), weak_from_this(), url.value_or(""), settingsDirectoryPath(), settingsPath(),
        appIdentifierModel_ ? std::optional<std::string>(appIdentifierModel_->installID()) : std::nullopt,
        networkClient());
    if (!url)
        platform::logf("[ReportKit] the settings endpoint makes no valid address; the download will fail");
    operation->start();
}

void RKTSettingsOnboardingManager::beginOnboarding_endpointString(bool create, const std::string& endpoint) {
    std::shared_ptr<RKTOnboardingOperation> previous;
    auto operation = std::make_shared<RKTOnboardingOperation>(weak_from_this(), create, APIKey(),
                                                              kitVersionsByKitBundleIdentifier(),
                                                              appIdentifierModel_, endpoint, networkClient());
    {
        std::lock_guard lock(mutex_);
        previous = std::move(onboardingOperation_);
        onboardingOperation_ = operation;
    }
    if (previous) previous->cancel();
    operation->start();
}

std::optional<std::string> RKTSettingsOnboardingManager::settingsURL() {
    const auto endpoint = valueForConfigurationKey(kSettingsEndpointKey);
    if (!endpoint) return std::nullopt;
    return settingsModel()->settingsURLForEndpoint_appInstanceIdentifer(
        *endpoint, appIdentifierModel_ ? std::optional<std::string>(appIdentifierModel_->instanceIdentifier())
                                       : std::nullopt);
}

std::string RKTSettingsOnboardingManager::settingsPath() const {
    return settingsDirectoryPath() + "/settings.json";
}

std::string RKTSettingsOnboardingManager::settingsDirectoryPath() {
    return platform::StandardFolders::caches() + "/" + ReportKit::kitIdentifier() + ".data/" +
           platform::Bundle::main().bundleIdentifier();
}

std::shared_ptr<RKTSettings> RKTSettingsOnboardingManager::settingsModel() {
    std::lock_guard lock(mutex_);
    if (!settingsModel_) {
        // The first look at the settings this run comes before this run's first download can save them
        // (the download asks for the model to build its address): the copies that saves cut short by
        // a kill left beside the file are removed here, as the application's own stores do at start.
        platform::Files::removeLeftoverTemporaryFiles(settingsPath());
        settingsModel_ = std::make_shared<RKTSettings>(settingsPath());
    }
    return settingsModel_;
}

std::optional<std::string> RKTSettingsOnboardingManager::valueForConfigurationKey(
    const std::string& key) const {
    if (auto value = platform::ProcessInfo::shared().environmentValue(key); value && !value->empty())
        return value;
    const platform::Value::Dictionary configured = configuration();
    if (auto it = configured.find(key); it != configured.end() && it->second.string())
        return *it->second.string();
    const platform::Value::Dictionary defaults = defaultConfiguration();
    if (auto it = defaults.find(key); it != defaults.end() && it->second.string())
        return *it->second.string();
    return std::nullopt;
}

platform::Value::Dictionary RKTSettingsOnboardingManager::configuration() const {
    const platform::Value value = platform::Bundle::main().objectForInfoDictionaryKey("CrashKit");
    return value.dictionary() ? *value.dictionary() : platform::Value::Dictionary{};
}

platform::Value::Dictionary RKTSettingsOnboardingManager::defaultConfiguration() {
    return {{kSettingsEndpointKey, "https://settings.reportkit.invalid"},
            {kConfigureEndpointKey, "https://configure.reportkit.invalid"}};
}

std::optional<std::string> RKTSettingsOnboardingManager::advertisingToken() const {
    return ReportKit::sharedSDK().advertisingToken();
}

void RKTSettingsOnboardingManager::finishNetworkingSession() {
    std::shared_ptr<RKTNetworkClient> client;
    {
        std::lock_guard lock(mutex_);
        client = networkClient_;
    }
    if (client) client->invalidateAndCancel();
}

void RKTSettingsOnboardingManager::postSettingsDownloadCompletedNotification() {
    if (debug()) platform::logf("[ReportKit] Settings are available for consumption");
    platform::NotificationCenter::defaultCenter().post(kSettingsAvailableNotification);
}

void RKTSettingsOnboardingManager::operation_didDownloadAndSaveSettingsWithError(
    RKTDownloadAndSaveSettingsOperation&, const KitErrorPtr& error) {
    if (error) {
        platform::logf("[ReportKit] failed to download settings %s", error->localizedDescription().c_str());
        finishNetworkingSession();
        return;
    }
    if (debug()) platform::logf("[ReportKit] settings downloaded successfully");
    auto settings = settingsModel();
    settings->clearSettingsDictionary();

    bool alreadyAttempted = false;
    {
        std::lock_guard lock(mutex_);
        alreadyAttempted = hasAttemptedAppConfigure_;
    }
    if (alreadyAttempted) {
        if (debug()) platform::logf("[ReportKit] App already onboarded in this run of the app");
        postSettingsDownloadCompletedNotification();
        finishNetworkingSession();
        return;
    }
    const std::string configureEndpoint = valueForConfigurationKey(kConfigureEndpointKey).value_or("");
    if (settings->appNeedsOnboarding()) {
        if (debug()) platform::logf("[ReportKit] Starting onboarding with app create");
        {
            std::lock_guard lock(mutex_);
            hasAttemptedAppConfigure_ = true;
        }
        beginOnboarding_endpointString(true, configureEndpoint);
        return;
    }
    postSettingsDownloadCompletedNotification();
    if (settings->appUpdateRequired()) {
        if (debug()) platform::logf("[ReportKit] Starting onboarding with app update");
        {
            std::lock_guard lock(mutex_);
            hasAttemptedAppConfigure_ = true;
        }
        beginOnboarding_endpointString(false, configureEndpoint);
        return;
    }
    finishNetworkingSession();
}

void RKTSettingsOnboardingManager::onboardingOperation_didCompleteAppCreationWithError(
    RKTOnboardingOperation&, const KitErrorPtr& error) {
    if (error) {
        platform::logf("[ReportKit] unable to complete application configure: %s",
                       error->localizedDescription().c_str());
        finishNetworkingSession();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        onboardingOperation_.reset();
    }
    if (debug()) platform::logf("[ReportKit] completed configure");
    beginSettingsDownload();
}

void RKTSettingsOnboardingManager::onboardingOperation_didCompleteAppUpdateWithError(
    RKTOnboardingOperation&, const KitErrorPtr& error) {
    finishNetworkingSession();
    if (error) {
        platform::logf("[ReportKit] unable to complete application update: %s",
                       error->localizedDescription().c_str());
        return;
    }
    {
        std::lock_guard lock(mutex_);
        onboardingOperation_.reset();
    }
    if (debug()) platform::logf("[ReportKit] completed application update");
}

bool RKTSettingsOnboardingManager::hasAttemptedAppConfigure() const {
    std::lock_guard lock(mutex_);
    return hasAttemptedAppConfigure_;
}

std::shared_ptr<RKTOnboardingOperation> RKTSettingsOnboardingManager::onboardingOperation() const {
    std::lock_guard lock(mutex_);
    return onboardingOperation_;
}

std::string RKTSettingsOnboardingManager::APIKey() const {
    std::lock_guard lock(mutex_);
    return APIKey_;
}

platform::Value::Dictionary RKTSettingsOnboardingManager::kitVersionsByKitBundleIdentifier() const {
    std::lock_guard lock(mutex_);
    return kitVersions_;
}

std::shared_ptr<RKTNetworkClient> RKTSettingsOnboardingManager::networkClient() const {
    std::lock_guard lock(mutex_);
    // Made on first use: a kit that never talks to its service never reads the pinned roots.
    if (!networkClient_)
        networkClient_ = RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, RKTPinnedCertificates());
    return networkClient_;
}

void RKTSettingsOnboardingManager::setNetworkClient(std::shared_ptr<RKTNetworkClient> client) {
    std::lock_guard lock(mutex_);
    networkClient_ = std::move(client);
}

}  // namespace reporting
