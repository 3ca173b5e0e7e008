#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/Value.h"
#include "reporting/core/RKTKitClass.h"

namespace reporting {
class RKTApplicationIdentiferModel;
class RKTSettingsOnboardingManager;
}  // namespace reporting

namespace reporting {

// The core of the reporting kit: the kit's identity for this process (API key, installation and
// execution identifiers), the list of kits the application started, their start, and then the start of
// the settings download and onboarding.
//
// The application calls ReportKit::with({the crash kit's class}) once at start-up. Misconfiguration by
// the host application (a malformed "ReportKit" Info.plist entry, a class that is no kit) raises
// RKTException inside the kit; the entry points catch it, log its reason and start nothing.
class ReportKit {
public:
    static constexpr const char* kKitDisplayVersion = "1.9.0";
    static constexpr const char* kKitBuildVersion = "74";
    static constexpr const char* kDebugArgument = "-NMBDebugEnabled";
    static constexpr const char* kNimbusReadyNotification = "NMBAppReadyToConfigureSDKNotification";
    // The core's kit identifier: the core's reverse-domain prefix followed by ".sdk.mac".
    static std::string kitIdentifier();
    static std::string installationUUIDKey();

    enum InstallationMode : int64_t {
        NotConfigured = 0,
        ConfiguredFromInfoPlist = 1,
        ConfiguredThroughNimbus = 2
    };

    using KitListElement = std::variant<std::shared_ptr<RKTKitClass>, std::shared_ptr<RKTKitObject>>;
    using KitClassList = std::vector<std::shared_ptr<RKTKitClass>>;

    // The registry starts the settings download and onboarding of its own manager and reads the settings
    // and the instance identifier from it and from the application identifier model. Tests of the
    // registry alone may stand in for that layer with these functions (an empty set restores the real
    // one).
    struct SettingsAndOnboarding {
        std::function<void(const std::string& APIKey, const platform::Value::Dictionary& kitVersions)>
            beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier;
        std::function<std::optional<platform::Value::Dictionary>()> settingsDictionary;
        std::function<std::optional<std::string>()> instanceIdentifier;
    };
    static void setSettingsAndOnboarding(SettingsAndOnboarding services);

    static ReportKit& sharedSDK();
    // Puts the registry's class ("ReportKit") in the class list, with the operations of its shared
    // instance that kits look up by name ("installationMode", "setInstallationMode:").
    static void registerClass();
    // Starts the kits (once per process; later calls log and change nothing) and answers sharedSDK.
    static ReportKit& with(const std::vector<KitListElement>& kits);
    static bool isCrashKitCollectionEnabled();
    static bool setCrashKitCollectionEnabled(bool enabled);
    // The "KitInfo" of the kit's "Kits" entry: none without an entry, empty when the entry has none.
    static std::optional<platform::Value::Dictionary> configurationDictionaryForKitClass(
        const RKTKitClass& kitClass);
    std::optional<platform::Value::Dictionary> configurationDictionaryForKit(const RKTKitObject& kit);
    // Registers the one-shot observer of the outside core's ready notification.
    static void load();
    static void autoInitialize(const platform::Value& userInfo);

    // The steps of the start; validateRKTKitConformance throws RKTException for a class that is no kit.
    static KitClassList convertToKitClassesIfNeeded(const std::vector<KitListElement>& kits);
    static void validateRKTKitConformance(const KitClassList& kits);
    static KitClassList kitClassesByAddingPhoneSignInIfFound(const KitClassList& kits);
    static KitClassList kitClassesByAddingUsageKitIfFound(const KitClassList& kits);
    static KitClassList kitClassesByEnsuringSessionReplayIsFirst(const KitClassList& kits);
    static KitClassList kitClassesByAddingAdMobIfFound(const KitClassList& kits);
    static void initializeKit(const RKTKitClass& kit);
    static void disableUninitializedKitMessagingForKit(const RKTKitClass& kit);

    std::optional<std::string> APIKey();
    void setAPIKey(std::optional<std::string> key);
    platform::Value::Dictionary reportKitConfig();
    // Throws RKTException for a missing or malformed configuration (the info dictionary null when the
    // application has no Info.plist).
    platform::Value::Dictionary validReportKitConfigFromInfoPlist(const platform::Value::Dictionary* info);
    platform::Value::Dictionary kitVersionsByKitBundleIdentifier();
    void onboardAppAndDownloadSettings();
    std::optional<platform::Value::Dictionary> settings();
    std::optional<std::string> instanceIdentifier();
    bool nimbusMode() const;
    bool shouldAutoInitialize(const platform::Value& dictionary) const;
    bool setNimbusCloudAppIdFromUserInfo(const platform::Value& userInfo);
    std::optional<std::string> readInstallationUUID();
    std::string generateInstallationUUID();

    bool debug() const { return debug_.load(); }
    void setDebug(bool debug) { debug_ = debug; }
    bool isFirstInstall() const { return isFirstInstall_; }
    const std::string& installID() const { return installID_; }
    const std::string& executionIdentifier() const { return executionIdentifier_; }
    std::optional<std::string> advertisingToken() const;
    void setAdvertisingToken(std::optional<std::string> token);
    KitClassList kitClasses() const;
    int64_t installationMode() const;
    void setInstallationMode(int64_t mode);
    std::string nimbusCloudAppId() const;
    // Made at construction; the model is none when the running executable cannot be read.
    std::shared_ptr<RKTSettingsOnboardingManager> settingsAndOnboardingManager() const;
    std::shared_ptr<RKTApplicationIdentiferModel> applicationIdentifierModel() const;

    // Tests: forget the shared instance, the once-only start and the settings layer, as a new process.
    static void resetSharedForTesting();

    ReportKit();
    ReportKit(const ReportKit&) = delete;
    ReportKit& operator=(const ReportKit&) = delete;

private:
    static ReportKit& startOnce(const std::vector<KitListElement>& kits);
    void startKits(const std::vector<KitListElement>& kits);

    mutable std::recursive_mutex mutex_;
    std::atomic<bool> debug_{false};
    bool isFirstInstall_ = false;
    std::optional<std::string> APIKey_;
    std::string installID_;
    std::string executionIdentifier_;
    std::optional<std::string> advertisingToken_;
    KitClassList kitClasses_;
    std::optional<platform::Value::Dictionary> reportKitConfig_;
    int64_t installationMode_ = NotConfigured;
    std::string nimbusCloudAppId_;
    std::shared_ptr<RKTApplicationIdentiferModel> applicationIdentifierModel_;
    std::shared_ptr<RKTSettingsOnboardingManager> settingsAndOnboardingManager_;
};

}  // namespace reporting
