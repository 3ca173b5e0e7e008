#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "reporting/core/RKTApplicationIdentiferModel.h"
#include "reporting/core/RKTDownloadAndSaveSettingsOperation.h"
#include "reporting/core/RKTDownloadAndSaveSettingsOperationDelegate.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/core/RKTOnboardingOperation.h"
#include "reporting/core/RKTOnboardingOperationDelegate.h"
#include "reporting/core/RKTSettings.h"

namespace reporting {

// Downloads the kit settings at every start of the kit, onboards the application when they ask for it
// (at most once per run), and announces the settings with "RKTSettingsAvailableNotification" on the
// default notification centre (no object, no user information), posted on the network client's queue.
// Every road ends by invalidating the network client's session.
class RKTSettingsOnboardingManager : public RKTDownloadAndSaveSettingsOperationDelegate,
                                     public RKTOnboardingOperationDelegate,
                                     public std::enable_shared_from_this<RKTSettingsOnboardingManager> {
public:
    static constexpr const char* kSettingsAvailableNotification = "RKTSettingsAvailableNotification";
    static constexpr const char* kSettingsEndpointKey = "SettingsEndpoint";
    static constexpr const char* kConfigureEndpointKey = "ConfigureEndpoint";

    // initWithApplicationIdentifierModel: the network client pins the kit's root certificates.
    explicit RKTSettingsOnboardingManager(std::shared_ptr<RKTApplicationIdentiferModel> model);

    // Keeps both, then downloads the settings.
    void beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier(
        const std::string& APIKey, const platform::Value::Dictionary& kitVersionsByKitBundleIdentifier);
    void beginSettingsDownload();
    // Cancels a running onboarding and starts a new one.
    void beginOnboarding_endpointString(bool create, const std::string& endpoint);

    // None when the configured endpoint makes no valid address.
    std::optional<std::string> settingsURL();
    // <caches>/<kit identifier>.data/<bundle identifier>/settings.json
    std::string settingsPath() const;
    static std::string settingsDirectoryPath();
    std::shared_ptr<RKTSettings> settingsModel();
    // The process environment first, then the Info.plist dictionary "CrashKit", then the built-in value.
    std::optional<std::string> valueForConfigurationKey(const std::string& key) const;
    platform::Value::Dictionary configuration() const;
    // The built-in endpoints. No service of ours answers yet, so they name hosts in the reserved
    // ".invalid" domain, which never resolve: a build that is not pointed at a service (by environment
    // or Info.plist) sends nothing anywhere.
    static platform::Value::Dictionary defaultConfiguration();
    std::optional<std::string> advertisingToken() const;
    void finishNetworkingSession();
    void postSettingsDownloadCompletedNotification();

    void operation_didDownloadAndSaveSettingsWithError(RKTDownloadAndSaveSettingsOperation& operation,
                                                       const KitErrorPtr& error) override;
    void onboardingOperation_didCompleteAppCreationWithError(RKTOnboardingOperation& operation,
                                                             const KitErrorPtr& error) override;
    void onboardingOperation_didCompleteAppUpdateWithError(RKTOnboardingOperation& operation,
                                                           const KitErrorPtr& error) override;

    bool hasAttemptedAppConfigure() const;
    const std::shared_ptr<RKTApplicationIdentiferModel>& appIdentifierModel() const {
        return appIdentifierModel_;
    }
    std::shared_ptr<RKTOnboardingOperation> onboardingOperation() const;
    std::string APIKey() const;
    platform::Value::Dictionary kitVersionsByKitBundleIdentifier() const;
    std::shared_ptr<RKTNetworkClient> networkClient() const;
    // An address in the reserved ".invalid" domain never resolves: the kit's built-in addresses are
    // there, so that a build nobody pointed at a service contacts none. Such an endpoint is unset.
    static bool isConfiguredEndpoint(const std::string& endpoint);
    // Tests: a client with their own roots.
    void setNetworkClient(std::shared_ptr<RKTNetworkClient> client);

private:
    bool debug() const;

    const std::shared_ptr<RKTApplicationIdentiferModel> appIdentifierModel_;
    mutable std::mutex mutex_;
    bool hasAttemptedAppConfigure_ = false;                        // guarded by mutex_
    std::shared_ptr<RKTSettings> settingsModel_;                   // guarded by mutex_
    std::shared_ptr<RKTOnboardingOperation> onboardingOperation_;  // guarded by mutex_
    std::string APIKey_;                                           // guarded by mutex_
    platform::Value::Dictionary kitVersions_;                      // guarded by mutex_
    mutable std::shared_ptr<RKTNetworkClient> networkClient_;      // guarded by mutex_
};

}  // namespace reporting
