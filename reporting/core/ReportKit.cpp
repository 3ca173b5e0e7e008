#include "reporting/core/ReportKit.h"

#include <algorithm>
#include <atomic>

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Strings.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/AdMobKit.h"
#include "reporting/core/CRKDataCollectionArbiter.h"
#include "reporting/core/CRKUserDefaults.h"
#include "reporting/core/RKTApplicationIdentiferModel.h"
#include "reporting/core/RKTBoolValue.h"
#include "reporting/core/RKTByteUtility.h"
#include "reporting/core/RKTException.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"

namespace reporting {

namespace {

constexpr const char* kClassName = "ReportKit";
constexpr const char* kConfigKey = "ReportKit";

std::mutex gSharedMutex;
std::unique_ptr<ReportKit> gShared;
bool gStarted = false;                       // the once-only start of with(); guarded by gSharedMutex
ReportKit::SettingsAndOnboarding gServices;  // guarded by gSharedMutex
std::atomic<bool> gNimbusObserved{false};
const char gNimbusObserverOwner = 0;

ReportKit::SettingsAndOnboarding services() {
    std::lock_guard lock(gSharedMutex);
    return gServices;
}

bool contains(const ReportKit::KitClassList& kits, const std::string& name) {
    return std::any_of(kits.begin(), kits.end(), [&](const auto& kit) { return kit && kit->name() == name; });
}

}  // namespace

std::string ReportKit::kitIdentifier() {
    return std::string(RKTCoreReverseDomainPrefix) + ".sdk.mac";
}

std::string ReportKit::installationUUIDKey() {
    return std::string(RKTCrashKitReverseDomainPrefix) + ".iuuid";
}

void ReportKit::setSettingsAndOnboarding(SettingsAndOnboarding services) {
    std::lock_guard lock(gSharedMutex);
    gServices = std::move(services);
}

ReportKit& ReportKit::sharedSDK() {
    std::lock_guard lock(gSharedMutex);
    if (!gShared) gShared = std::make_unique<ReportKit>();
    return *gShared;
}

void ReportKit::registerClass() {
    auto registry = RKTKitClass::plainClass(kClassName);
    registry->setInstanceOperation("installationMode", [](const std::vector<platform::Value>&) {
        return platform::Value(static_cast<long long>(sharedSDK().installationMode()));
    });
    registry->setInstanceOperation("setInstallationMode:", [](const std::vector<platform::Value>& arguments) {
        const platform::Number* mode = arguments.empty() ? nullptr : arguments[0].number();
        if (mode) sharedSDK().setInstallationMode(mode->longLongValue());
        return platform::Value();
    });
    RKTKitClass::registerClass(registry);
}

void ReportKit::resetSharedForTesting() {
    std::lock_guard lock(gSharedMutex);
    gShared.reset();
    gStarted = false;
    gServices = {};
    gNimbusObserved = false;
}

ReportKit::ReportKit() {
    auto stored = readInstallationUUID();
    if (stored) {
        installID_ = *stored;
    } else {
        isFirstInstall_ = true;
        installID_ = generateInstallationUUID();
        CRKUserDefaults::standardUserDefaults()->synchronize();
    }
    executionIdentifier_ = platform::toLowerASCII(platform::replaceAll(RKTGenerateUUID(), "-", ""));
    applicationIdentifierModel_ = RKTApplicationIdentiferModel::initWithInstallID(installID_);
    settingsAndOnboardingManager_ =
        std::make_shared<RKTSettingsOnboardingManager>(applicationIdentifierModel_);
    const auto arguments = platform::ProcessInfo::shared().arguments();
    debug_ = std::find(arguments.begin(), arguments.end(), kDebugArgument) != arguments.end();
}

std::optional<std::string> ReportKit::readInstallationUUID() {
    const platform::Value value =
        CRKUserDefaults::standardUserDefaults()->objectForKeyByMigratingFromNSUserDefaults(
            installationUUIDKey());
    if (const auto* text = value.string(); text && !text->empty()) return *text;
    if (!value.isNull())
        platform::logf("[ReportKit] the stored installation identifier is no text; a new one is made");
    return std::nullopt;
}

std::string ReportKit::generateInstallationUUID() {
    std::string identifier = RKTGenerateUUID();
    CRKUserDefaults::standardUserDefaults()->setString_forKey(identifier, installationUUIDKey());
    return identifier;
}

// ---- start ----

ReportKit& ReportKit::with(const std::vector<KitListElement>& kits) {
    {
        std::unique_lock lock(gSharedMutex);
        if (gStarted) {
            lock.unlock();
            platform::logf(
                "[ReportKit] [ReportKit +with] called multiple times. Only the first call is honored, please "
                "pass all "
                "kits you wish to initialize");
            return sharedSDK();
        }
        gStarted = true;
    }
    return startOnce(kits);
}

ReportKit& ReportKit::startOnce(const std::vector<KitListElement>& kits) {
    ReportKit& sdk = sharedSDK();
    try {
        sdk.startKits(kits);
    } catch (const RKTException& exception) {
        // A misconfigured host application: nothing of the kit starts, and the reason is on record.
        platform::logf("%s: %s", exception.name(), exception.reason().c_str());
    }
    return sdk;
}

void ReportKit::startKits(const std::vector<KitListElement>& kits) {
    if (!APIKey()) return;
    KitClassList list = convertToKitClassesIfNeeded(kits);
    validateRKTKitConformance(list);
    list = kitClassesByAddingPhoneSignInIfFound(list);
    list = kitClassesByAddingUsageKitIfFound(list);
    list = kitClassesByEnsuringSessionReplayIsFirst(list);
    list = kitClassesByAddingAdMobIfFound(list);
    {
        std::lock_guard lock(mutex_);
        kitClasses_ = list;
    }
    if (CRKDataCollectionArbiter::isCrashKitCollectionEnabled()) {
        for (const auto& kit : list) initializeKit(*kit);
        onboardAppAndDownloadSettings();
        return;
    }
    platform::logf("[CrashKit] Not started - Nimbus automatic data collection is disabled");
    for (const auto& kit : list) {
        disableUninitializedKitMessagingForKit(*kit);
        if (kit->name() != "CrashKit" && kit->name() != "UsageKit") {
            if (debug())
                platform::logf(
                    "[ReportKit] ReportKit will not initialize any kits when Nimbus automatic data "
                    "collection is "
                    "disabled; to use Third-party kits with automatic data collection disabled, initialize "
                    "these kits "
                    "via non-ReportKit means.");
            break;
        }
    }
}

ReportKit::KitClassList ReportKit::convertToKitClassesIfNeeded(const std::vector<KitListElement>& kits) {
    KitClassList classes;
    for (const auto& element : kits) {
        std::shared_ptr<RKTKitClass> kitClass;
        if (const auto* asClass = std::get_if<std::shared_ptr<RKTKitClass>>(&element)) {
            kitClass = *asClass;
        } else if (const auto* object = std::get_if<std::shared_ptr<RKTKitObject>>(&element);
                   object && *object) {
            kitClass = (*object)->kitClass();
        }
        if (!kitClass) {
            platform::logf("[ReportKit] an empty entry in the kit list is left out");
            continue;
        }
        classes.push_back(std::move(kitClass));
    }
    return classes;
}

void ReportKit::validateRKTKitConformance(const KitClassList& kits) {
    for (const auto& kit : kits) {
        if (kit->conformsToRKTKit()) continue;
        if (kit->answersSharedInstance()) {
            platform::logf("[%s] Please upgrade to the latest version of \"%s\"", kClassName,
                           kit->name().c_str());
            auto instance = kit->sharedInstance();
            if (instance && instance->start && instance->bundleIdentifier && instance->version) continue;
        }
        throw RKTException(
            platform::format("[%s] It appears that \"%s\" is not a valid ReportKit Kit. Please make sure you "
                             "only pass ReportKit Kits to "
                             "[ReportKit with:].",
                             kClassName, kit->name().c_str()));
    }
}

ReportKit::KitClassList ReportKit::kitClassesByAddingPhoneSignInIfFound(const KitClassList& kits) {
    KitClassList result = kits;
    auto phoneSignIn = RKTKitClass::classNamed("PhoneSignIn");
    if (phoneSignIn && !contains(result, phoneSignIn->name())) result.push_back(phoneSignIn);
    return result;
}

ReportKit::KitClassList ReportKit::kitClassesByAddingUsageKitIfFound(const KitClassList& kits) {
    KitClassList result = kits;
    auto crashKit = RKTKitClass::classNamed("CrashKit");
    auto usageKit = RKTKitClass::classNamed("UsageKit");
    if (crashKit && usageKit && contains(result, "CrashKit") && usageKit->conformsToRKTKit() &&
        !contains(result, "UsageKit")) {
        result.push_back(usageKit);
    }
    return result;
}

ReportKit::KitClassList ReportKit::kitClassesByEnsuringSessionReplayIsFirst(const KitClassList& kits) {
    KitClassList result = kits;
    if (!RKTKitClass::classNamed("SessionReplay")) return result;
    auto it = std::find_if(result.begin(), result.end(),
                           [](const auto& k) { return k->name() == "SessionReplay"; });
    if (it != result.end()) std::rotate(result.begin(), it, it + 1);
    return result;
}

ReportKit::KitClassList ReportKit::kitClassesByAddingAdMobIfFound(const KitClassList& kits) {
    KitClassList result = kits;
    if (RKTKitClass::classNamed("MobileAdsKit")) result.push_back(AdMobKit::kitClass());
    return result;
}

void ReportKit::initializeKit(const RKTKitClass& kit) {
    if (RKTKit* conforming = kit.kit()) {
        conforming->initializeIfNeeded();
        return;
    }
    if (auto instance = kit.sharedInstance(); instance && instance->start) instance->start();
}

void ReportKit::disableUninitializedKitMessagingForKit(const RKTKitClass& kit) {
    if (RKTKit* conforming = kit.kit()) conforming->disableUninitializedKitMessaging();
}

void ReportKit::onboardAppAndDownloadSettings() {
    const auto key = APIKey();
    const auto versions = kitVersionsByKitBundleIdentifier();
    if (!key) return;
    if (auto begin =
            services().beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier) {
        begin(*key, versions);
        return;
    }
    settingsAndOnboardingManager()
        ->beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier(*key, versions);
}

platform::Value::Dictionary ReportKit::kitVersionsByKitBundleIdentifier() {
    platform::Value::Dictionary versions;
    for (const auto& kit : kitClasses()) {
        if (RKTKit* conforming = kit->kit()) {
            versions[conforming->bundleIdentifier()] = conforming->kitDisplayVersion();
        } else if (auto instance = kit->sharedInstance();
                   instance && instance->bundleIdentifier && instance->version) {
            versions[instance->bundleIdentifier()] = instance->version();
        }
    }
    versions[kitIdentifier()] = kKitDisplayVersion;
    if (debug())
        platform::logf("[ReportKit] Initialized with kit versions: %s",
                       platform::Value(versions).description().c_str());
    return versions;
}

// ---- configuration ----

std::optional<std::string> ReportKit::APIKey() {
    std::lock_guard lock(mutex_);
    if (APIKey_) return APIKey_;
    if (nimbusMode()) {
        if (nimbusCloudAppId_.empty()) {
            platform::logf("[ReportKit] CloudService-Info.plist key CLOUD_APP_ID unavailable");
            return std::nullopt;
        }
        APIKey_ = RKTSHA256HexStringFromData(platform::Data::fromString(nimbusCloudAppId_)).substr(0, 40);
        return APIKey_;
    }
    const platform::Value::Dictionary config = reportKitConfig();
    auto it = config.find("APIKey");
    if (it != config.end() && it->second.string()) {
        APIKey_ = *it->second.string();
        return APIKey_;
    }
    platform::logf(
        "[ReportKit] ReportKit API Key is nil! ReportKit won't work unless there is a valid API Key setup in "
        "Info.plist");
    return std::nullopt;
}

void ReportKit::setAPIKey(std::optional<std::string> key) {
    std::lock_guard lock(mutex_);
    APIKey_ = std::move(key);
}

platform::Value::Dictionary ReportKit::reportKitConfig() {
    std::lock_guard lock(mutex_);
    if (reportKitConfig_) return *reportKitConfig_;
    const platform::Value::Dictionary& info = platform::Bundle::main().infoDictionary();
    try {
        reportKitConfig_ = validReportKitConfigFromInfoPlist(info.empty() ? nullptr : &info);
    } catch (const RKTException& exception) {
        platform::logf("%s: %s", exception.name(), exception.reason().c_str());
        reportKitConfig_ =
            platform::Value::Dictionary{};  // reported once; the kit stays without configuration
    }
    return *reportKitConfig_;
}

platform::Value::Dictionary ReportKit::validReportKitConfigFromInfoPlist(
    const platform::Value::Dictionary* info) {
    if (nimbusMode()) return {};
    if (!info) throw RKTException(platform::format("[%s] Cannot find Info.plist.", kClassName));
    auto entry = info->find(kConfigKey);
    if (entry == info->end() || !entry->second.dictionary()) {
        throw RKTException(platform::format("[%s] Value of Info.plist key \"%s\" must be a NSDictionary.",
                                            kClassName, kConfigKey));
    }
    const platform::Value::Dictionary& config = *entry->second.dictionary();
    if (auto kits = config.find("Kits"); kits != config.end() && !kits->second.array()) {
        platform::logf("[ReportKit] [%s] Value of Info.plist[%s][%s] should be a NSArray.", kClassName,
                       kConfigKey, "Kits");
    }
    if (auto key = config.find("APIKey"); key != config.end() && !key->second.string()) {
        throw RKTException(platform::format("[%s] Value of Info.plist[%s][%s] must contain your %s API Key.",
                                            kClassName, kConfigKey, "APIKey", kClassName));
    }
    std::lock_guard lock(mutex_);
    installationMode_ = ConfiguredFromInfoPlist;
    return config;
}

std::optional<platform::Value::Dictionary> ReportKit::configurationDictionaryForKitClass(
    const RKTKitClass& kitClass) {
    const platform::Value::Dictionary config = sharedSDK().reportKitConfig();
    auto kits = config.find("Kits");
    if (kits == config.end() || !kits->second.array()) return std::nullopt;
    for (const platform::Value& entry : *kits->second.array()) {
        const platform::Value& name = entry["KitName"];
        if (!name.string() || *name.string() != kitClass.name()) continue;
        const platform::Value& info = entry["KitInfo"];
        return info.dictionary() ? *info.dictionary() : platform::Value::Dictionary{};
    }
    return std::nullopt;
}

std::optional<platform::Value::Dictionary> ReportKit::configurationDictionaryForKit(const RKTKitObject& kit) {
    auto kitClass = kit.kitClass();
    if (!kitClass) return std::nullopt;
    return configurationDictionaryForKitClass(*kitClass);
}

std::optional<platform::Value::Dictionary> ReportKit::settings() {
    if (auto read = services().settingsDictionary) return read();
    return settingsAndOnboardingManager()->settingsModel()->settingsDictionary();
}

std::optional<std::string> ReportKit::instanceIdentifier() {
    if (auto read = services().instanceIdentifier) return read();
    auto model = applicationIdentifierModel();
    if (!model) return std::nullopt;
    return model->instanceIdentifier();
}

// ---- data collection ----

bool ReportKit::isCrashKitCollectionEnabled() {
    return CRKDataCollectionArbiter::isCrashKitCollectionEnabled();
}

bool ReportKit::setCrashKitCollectionEnabled(bool enabled) {
    return CRKDataCollectionArbiter::setCrashKitCollectionEnabled(enabled);
}

// ---- auto-initialisation ----

void ReportKit::load() {
    platform::NotificationCenter::defaultCenter().addObserver(
        &gNimbusObserverOwner, kNimbusReadyNotification, nullptr,
        [](const platform::Notification& notification) {
            if (gNimbusObserved.exchange(true)) return;  // one shot, even for posts racing on two threads
            platform::NotificationCenter::defaultCenter().removeObserver(&gNimbusObserverOwner);
            autoInitialize(notification.userInfo);
        });
}

void ReportKit::autoInitialize(const platform::Value& userInfo) {
    ReportKit& sdk = sharedSDK();
    const platform::Value configValue = platform::Bundle::main().objectForInfoDictionaryKey(kConfigKey);
    const platform::Value config = configValue.dictionary() ? configValue : platform::Value();
    if (sdk.installationMode() == ConfiguredFromInfoPlist) {
        if (!CRKDataCollectionArbiter::isCrashKitCollectionEnabled() && sdk.debug())
            platform::logf(
                "[ReportKit] Nimbus automatic data collection has been disabled. In order to also disable "
                "automatic "
                "data collection in ReportKit, change your app delegate so that Nimbus is initialized before "
                "ReportKit.");
        return;
    }
    if (!sdk.shouldAutoInitialize(config)) return;
    if (config.dictionary()) {
        sdk.setInstallationMode(ConfiguredFromInfoPlist);
    } else {
        sdk.setInstallationMode(ConfiguredThroughNimbus);
        if (!sdk.setNimbusCloudAppIdFromUserInfo(userInfo)) {
            platform::logf(
                "[ReportKit] [CrashKit] attempted initialization via Nimbus, but did not get a Cloud App Id");
            return;
        }
    }
    if (!CRKDataCollectionArbiter::isCrashKitCollectionEnabled()) {
        if (sdk.debug())
            platform::logf(
                "[ReportKit] [CrashKit] automatic initialization disabled because data collection is "
                "disabled");
        return;
    }
    if (!CRKDataCollectionArbiter::isLegacyPlistCrashKitCollectionEnabled()) {
        if (sdk.debug())
            platform::logf(
                "[ReportKit] [CrashKit] automatic initialization disabled via Info.plist key: "
                "nimbus_crashkit_collection_enabled");
        return;
    }
    if (auto crashKit = RKTKitClass::classNamed("CrashKit")) {
        with({crashKit});
    } else {
        platform::logf(
            "[ReportKit] [CrashKit] Attempting to initialize CrashKit via Nimbus but could not find "
            "CrashKit.");
    }
}

bool ReportKit::shouldAutoInitialize(const platform::Value& dictionary) const {
    if (!dictionary.dictionary()) return true;
    return RKTBoolValue(dictionary["AutoInitialize"]);
}

bool ReportKit::setNimbusCloudAppIdFromUserInfo(const platform::Value& userInfo) {
    const platform::Value& appId = userInfo["NMBCloudAppIDKey"];
    if (!appId.string() || appId.string()->empty()) return false;
    std::lock_guard lock(mutex_);
    nimbusCloudAppId_ = *appId.string();
    return true;
}

// ---- accessors ----

bool ReportKit::nimbusMode() const {
    return installationMode() == ConfiguredThroughNimbus;
}

std::optional<std::string> ReportKit::advertisingToken() const {
    std::lock_guard lock(mutex_);
    return advertisingToken_;
}

void ReportKit::setAdvertisingToken(std::optional<std::string> token) {
    std::lock_guard lock(mutex_);
    advertisingToken_ = std::move(token);
}

ReportKit::KitClassList ReportKit::kitClasses() const {
    std::lock_guard lock(mutex_);
    return kitClasses_;
}

int64_t ReportKit::installationMode() const {
    std::lock_guard lock(mutex_);
    return installationMode_;
}

void ReportKit::setInstallationMode(int64_t mode) {
    std::lock_guard lock(mutex_);
    // The mode only moves forward from "not configured"; nothing moves it back.
    if (mode != NotConfigured) installationMode_ = mode;
}

std::string ReportKit::nimbusCloudAppId() const {
    std::lock_guard lock(mutex_);
    return nimbusCloudAppId_;
}

std::shared_ptr<RKTSettingsOnboardingManager> ReportKit::settingsAndOnboardingManager() const {
    return settingsAndOnboardingManager_;  // set once at construction
}

std::shared_ptr<RKTApplicationIdentiferModel> ReportKit::applicationIdentifierModel() const {
    return applicationIdentifierModel_;
}

}  // namespace reporting
