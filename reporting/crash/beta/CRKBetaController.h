#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Value.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/KitError.h"

namespace reporting {

class RKTNetworkClient;

// The answer of a check for a newer tester build: where to get it and, when known, its version.
class CRKBetaUpdate {
public:
    // The update, or none with an error of the URL domain, code -1017 (the answer could not be read),
    // when the value is no dictionary, has no "url" text or that text is no address.
    static std::shared_ptr<CRKBetaUpdate> betaUpdateWithDictionary_error(const platform::Value& dictionary,
                                                                         KitErrorPtr* error);
    static constexpr const char* kErrorDomain = "NSURLErrorDomain";
    static constexpr int64_t kCannotParseResponse = -1017;

    const std::string& url() const { return url_; }
    const std::optional<std::string>& version() const { return version_; }

    // Texts for a prompt about the update: the application's "CrashKit" strings table's when it has
    // them, else the kit's own words. The message names the application where its text says "%@".
    std::string promptTitle() const;
    std::string promptMessage() const;
    std::string cancelLabel() const;
    std::string installLabel() const;

private:
    std::string url_;
    std::optional<std::string> version_;
};

// What the beta controller reads from the settings the kit downloaded.
struct CRKBetaSettings {
    std::string betaEndpoint;
    std::optional<double> betaSuspendDuration = 3600;  // none: checks are never suspended
};

class CRKBetaController;

// The crash kit answers the controller's questions about its key and its settings.
class CRKBetaControllerDelegate {
public:
    virtual ~CRKBetaControllerDelegate() = default;
    virtual std::optional<std::string> APIKeyForBetaController(CRKBetaController& controller) = 0;
    virtual std::optional<CRKBetaSettings> settingsForBetaController(CRKBetaController& controller) = 0;
};

// The tester token of a beta build. This platform hands out no tester builds, so the provider answers
// none and no check ever runs in the application; tests install their own provider.
using CRKBetaTokenProvider = std::function<std::optional<std::string>()>;
std::optional<std::string> CRKBetaTokenProviderGetToken();
void CRKBetaTokenProviderSetForTesting(CRKBetaTokenProvider provider);  // empty: the platform's own

// Asks the kit's service whether a newer tester build exists, once each time the settings arrive or the
// application comes to the front, then not again for the suspension time after an answer. The
// decisions and the request start run on the beta queue; the network client answers on its own queue
// and the work moves back to the beta queue; the suspension timer and the found update live on the
// main run loop.
class CRKBetaController : public std::enable_shared_from_this<CRKBetaController> {
public:
    static constexpr const char* kUserAgent = "CrashKit Mac SDK/3.12.0";
    static constexpr const char* kClientDisplayVersion = "3.12.0";
    static constexpr const char* kClientBuildVersion = "136";
    static constexpr unsigned kRetryLimit = 10;
    static constexpr double kTimeout = 10;

    static bool isBetaSupported();
    static std::shared_ptr<CRKBetaController> initWithDelegate(
        std::weak_ptr<CRKBetaControllerDelegate> delegate);
    ~CRKBetaController();
    CRKBetaController(const CRKBetaController&) = delete;
    CRKBetaController& operator=(const CRKBetaController&) = delete;

    // False (and nothing observed) without a tester token.
    bool start();
    std::optional<std::string> betaToken();

    void checkForUpdate();
    void reportKitSettingsDownloaded(const platform::Notification& notification);
    void applicationWillEnterForeground();
    void maybeGetUpdate(std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion);
    void didGetUpdate(const std::shared_ptr<CRKBetaUpdate>& update);
    bool shouldGetUpdates() const;
    void temporarilySuspendChecks();
    void allowChecks();

    std::optional<std::string> betaUpdateURL();
    platform::URLRequest betaUpdateRequest(const std::string& url);
    std::shared_ptr<CRKBetaUpdate> updateWithData_error(const platform::Data& data, KitErrorPtr* error);

    bool checksSuspended() const { return checksSuspended_.load(); }
    // Main run loop only.
    std::shared_ptr<CRKBetaUpdate> activeUpdate() const { return activeUpdate_; }
    platform::DispatchQueue& queue() { return *queue_; }

private:
    CRKBetaController() = default;
    void loadUpdateWithCompletionBlock(
        std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion);
    void handledCompletedBetaRequest(
        const std::optional<platform::Data>& data, const KitErrorPtr& error,
        std::function<void(std::shared_ptr<CRKBetaUpdate>, KitErrorPtr)> completion);
    std::optional<CRKBetaSettings> settings();

    std::weak_ptr<CRKBetaControllerDelegate> delegate_;
    std::shared_ptr<platform::DispatchQueue> queue_;
    std::shared_ptr<RKTNetworkClient> networkClient_;
    std::mutex tokenMutex_;
    std::optional<std::string> betaToken_;
    std::shared_ptr<CRKBetaUpdate> activeUpdate_;            // main run loop
    std::shared_ptr<platform::Timer> checkSuspensionTimer_;  // main run loop
    std::atomic<bool> checksSuspended_{false};
    bool retrying_ = false;  // beta queue
    platform::NotificationCenter::Observation settingsObservation_;
};

}  // namespace reporting
