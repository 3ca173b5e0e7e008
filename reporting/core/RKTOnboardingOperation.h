#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/RKTApplicationIdentiferModel.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "reporting/core/RKTOnboardingOperationDelegate.h"

namespace reporting {

// Registers the application with the reporting service (create: POST) or updates its registration
// (update: PUT) with one multipart form describing it: identity, versions, kits, architectures with
// their build identifiers, SDK versions and icon.
class RKTOnboardingOperation : public RKTNetworkOperation {
public:
    static constexpr const char* kErrorDomain = "RKTSDKOnboardingErrorDomain";
    static constexpr unsigned kCreateRetryLimit = 10;
    static constexpr unsigned kUpdateRetryLimit = 1;

    RKTOnboardingOperation(std::weak_ptr<RKTOnboardingOperationDelegate> delegate, bool shouldCreate,
                           std::string APIKey, platform::Value::Dictionary kitVersionsByKitBundleIdentifier,
                           std::shared_ptr<RKTApplicationIdentiferModel> appIdentifierModel,
                           std::string endpointString, std::weak_ptr<RKTNetworkClient> networkClient);

    std::string className() const override { return "RKTOnboardingOperation"; }

    void main() override;
    // Builds the form and sends it.
    void beginAppConfigure();
    // The form's parts, in their fixed order.
    void encodeParts(RKTMultipartMimeStreamEncoder& encoder) const;
    std::string appCreateURL() const;
    std::string appUpdateURL() const;
    platform::URLRequest onboardingRequestForAppCreate(bool create) const;
    KitErrorPtr errorForCode_userInfo(int64_t code, platform::Value::Dictionary userInfo) const;

    bool shouldCreate() const { return shouldCreate_; }
    KitErrorPtr error() const;
    const std::shared_ptr<RKTApplicationIdentiferModel>& appIdentifierModel() const {
        return appIdentifierModel_;
    }
    const std::string& appEndpoint() const { return appEndpoint_; }
    const platform::Value::Dictionary& kitVersionsByKitBundleIdentifier() const { return kitVersions_; }

    std::string appBundleIdentifier() const;
    std::string appPlatform() const { return "mac"; }
    std::optional<std::string> appName() const;
    std::optional<std::string> appBuildVersion() const;
    std::optional<std::string> appDisplayVersion() const;
    int appInstallSource() const;

private:
    void completeWithError(const KitErrorPtr& error);

    const bool shouldCreate_;
    const std::shared_ptr<RKTApplicationIdentiferModel> appIdentifierModel_;
    const std::string appEndpoint_;
    const std::weak_ptr<RKTOnboardingOperationDelegate> delegate_;
    const std::weak_ptr<RKTNetworkClient> networkClient_;
    const platform::Value::Dictionary kitVersions_;
    mutable std::mutex mutex_;
    KitErrorPtr error_;  // guarded by mutex_
};

}  // namespace reporting
