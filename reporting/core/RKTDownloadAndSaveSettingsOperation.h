#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "reporting/core/RKTDownloadAndSaveSettingsOperationDelegate.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/core/RKTNetworkOperation.h"

namespace reporting {

// Downloads the kit settings (retried once) and saves them as the settings file. Only a JSON object is
// saved, and it replaces the previous file atomically: a failed download, an answer that is no
// settings document or a failed save leaves the file of the last good download in place. Other entries
// of the settings folder are removed once the new file is in place.
class RKTDownloadAndSaveSettingsOperation : public RKTNetworkOperation {
public:
    static constexpr unsigned kRetryLimit = 1;
    // Errors of the save: the answer was no settings document, or the file could not be written.
    static std::string errorDomain();
    static constexpr int64_t kInvalidSettingsErrorCode = -1;
    static constexpr int64_t kSaveFailedErrorCode = -2;

    RKTDownloadAndSaveSettingsOperation(std::string APIKey,
                                        std::weak_ptr<RKTDownloadAndSaveSettingsOperationDelegate> delegate,
                                        std::string settingsURL, std::string settingsDirectoryPath,
                                        std::string settingsFilePath,
                                        std::optional<std::string> installIdentifier,
                                        std::weak_ptr<RKTNetworkClient> networkClient);

    std::string className() const override { return "RKTDownloadAndSaveSettingsOperation"; }

    // The default request, then GET with "Accept: application/json" and the installation, device and
    // system facts.
    platform::URLRequest mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(
        const std::string& url) const override;
    void main() override;

    KitErrorPtr error() const;
    const std::string& settingsURL() const { return settingsURL_; }
    const std::string& settingsDirectoryPath() const { return settingsDirectoryPath_; }
    const std::string& settingsFilePath() const { return settingsFilePath_; }
    const std::optional<std::string>& installIdentifier() const { return installIdentifier_; }

private:
    void completeWithError(const KitErrorPtr& error);
    KitErrorPtr saveSettingsFromFile(const std::string& location);

    const std::weak_ptr<RKTDownloadAndSaveSettingsOperationDelegate> delegate_;
    const std::string settingsURL_;
    const std::string settingsDirectoryPath_;
    const std::string settingsFilePath_;
    const std::optional<std::string> installIdentifier_;
    const std::weak_ptr<RKTNetworkClient> networkClient_;
    mutable std::mutex mutex_;
    KitErrorPtr error_;  // guarded by mutex_
};

}  // namespace reporting
