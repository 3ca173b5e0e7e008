#include "reporting/core/RKTDownloadAndSaveSettingsOperation.h"

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTHost.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTNetworkResponseHandler.h"
#include "reporting/core/RKTSettings.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

std::string RKTDownloadAndSaveSettingsOperation::errorDomain() {
    return std::string(RKTCoreReverseDomainPrefix) + ".settings";
}

RKTDownloadAndSaveSettingsOperation::RKTDownloadAndSaveSettingsOperation(
    std::string APIKey, std::weak_ptr<RKTDownloadAndSaveSettingsOperationDelegate> delegate,
    std::string settingsURL, std::string settingsDirectoryPath, std::string settingsFilePath,
    std::optional<std::string> installIdentifier, std::weak_ptr<RKTNetworkClient> networkClient)
    : RKTNetworkOperation(std::move(APIKey)),
      delegate_(std::move(delegate)),
      settingsURL_(std::move(settingsURL)),
      settingsDirectoryPath_(std::move(settingsDirectoryPath)),
      settingsFilePath_(std::move(settingsFilePath)),
      installIdentifier_(std::move(installIdentifier)),
      networkClient_(std::move(networkClient)) {}

platform::URLRequest
RKTDownloadAndSaveSettingsOperation::mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(
    const std::string& url) const {
    platform::URLRequest request =
        RKTNetworkOperation::mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(url);
    request.setHTTPMethod("GET");
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    request.setValue_forHTTPHeaderField(installIdentifier_, "X-CrashKit-Installation-ID");
    request.setValue_forHTTPHeaderField(RKTHostModelName(), "X-CrashKit-Device-Model");
    request.setValue_forHTTPHeaderField(RKTHostOperatingSystemBuildVersion(), "X-CrashKit-OS-Build-Version");
    request.setValue_forHTTPHeaderField(RKTHostOperatingSystemDisplayVersion(),
                                        "X-CrashKit-OS-Display-Version");
    request.setValue_forHTTPHeaderField(ReportKit::kKitDisplayVersion, "X-CrashKit-API-Client-Version");
    return request;
}

void RKTDownloadAndSaveSettingsOperation::main() {
    auto client = networkClient_.lock();
    if (!client) {
        // The owner has gone and taken its client along: nobody waits for these settings.
        completeWithError(
            RKTNetworkResponseHandler::errorForCode_userInfo(RKTNetworkClient::kNoTaskErrorCode, {}));
        return;
    }
    auto self = std::static_pointer_cast<RKTDownloadAndSaveSettingsOperation>(shared_from_this());
    client->startDownloadTaskWithRequest_retryLimit_completionHandler(
        mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(settingsURL_), kRetryLimit,
        [self](const std::optional<std::string>& location, const std::optional<platform::HTTPURLResponse>&,
               const KitErrorPtr& error) {
            if (error) {
                self->completeWithError(error);
                return;
            }
            // The downloaded file goes once this handler returns, so it is read and saved now.
            self->completeWithError(self->saveSettingsFromFile(location.value_or("")));
        });
}

KitErrorPtr RKTDownloadAndSaveSettingsOperation::saveSettingsFromFile(const std::string& location) {
    const auto bytes = location.empty() ? std::nullopt : platform::Files::read(location);
    std::string reason;
    if (!bytes || !RKTSettings::dictionaryFromJSONData(*bytes, &reason)) {
        if (!bytes) reason = "the downloaded file cannot be read";
        platform::logf(
            "[ReportKit] the settings answer is not a settings document (%s); the previous settings stay",
            reason.c_str());
        return KitError::errorWithDomain_code_userInfo(errorDomain(), kInvalidSettingsErrorCode,
                                                       {{KitError::NSLocalizedDescriptionKey, reason}});
    }
    // The new file takes the old one's place in a single rename; until then the old one stays whole.
    if (!platform::Files::writeAtomically(settingsFilePath_, *bytes, 0600)) {
        auto error = KitError::errorWithDomain_code_userInfo(
            errorDomain(), kSaveFailedErrorCode,
            {{KitError::NSLocalizedDescriptionKey,
              "the settings file " + settingsFilePath_ + " cannot be written"}});
        platform::logf("[ReportKit] Unable to complete settings download %s",
                       error->localizedDescription().c_str());
        return error;
    }
    // Only the settings file lives in the settings folder.
    const std::string fileName = platform::Files::lastPathComponent(settingsFilePath_);
    if (platform::Files::parentPath(settingsFilePath_) == settingsDirectoryPath_) {
        for (const std::string& entry : platform::Files::listDirectory(settingsDirectoryPath_))
            if (entry != fileName) platform::Files::remove(settingsDirectoryPath_ + "/" + entry);
    }
    return nullptr;
}

void RKTDownloadAndSaveSettingsOperation::completeWithError(const KitErrorPtr& error) {
    {
        std::lock_guard lock(mutex_);
        error_ = error;
    }
    if (auto delegate = delegate_.lock())
        delegate->operation_didDownloadAndSaveSettingsWithError(*this, error);
    finishWithError(error);
}

KitErrorPtr RKTDownloadAndSaveSettingsOperation::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace reporting
