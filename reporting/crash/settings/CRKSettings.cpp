#include "reporting/crash/settings/CRKSettings.h"

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/RKTBoolValue.h"
#include "reporting/crash/CRKLocalizedString.h"

namespace reporting {

namespace {

constexpr const char* kConfigurationName = "CrashKit";

}  // namespace

CRKSettings::CRKSettings(std::optional<platform::Value::Dictionary> settingsDictionary)
    : settingsDictionary_(std::move(settingsDictionary)) {}

std::optional<platform::Value::Dictionary> CRKSettings::configuration() {
    const platform::Value value = platform::Bundle::main().objectForInfoDictionaryKey(kConfigurationName);
    if (!value.dictionary()) return std::nullopt;
    return *value.dictionary();
}

platform::Value::Dictionary CRKSettings::defaultConfiguration() {
    return {{"ReportsEndpoint", kDefaultReportsEndpoint},
            {"BetaEndpoint", kDefaultBetaEndpoint},
            {"PackageReports", true},
            {"SubmitReports", true},
            {"UrgentReports", true}};
}

platform::Value CRKSettings::valueForConfigurationKey(const std::string& key) {
    if (auto value = platform::ProcessInfo::shared().environmentValue(kConfigurationName + key)) {
        platform::logf("[CrashKit:Crash] override: '%s' => '%s'", key.c_str(), value->c_str());
        return *value;
    }
    if (const auto configured = configuration()) {
        const auto found = configured->find(key);
        if (found != configured->end() && !found->second.isNull()) return found->second;
    }
    const auto defaults = defaultConfiguration();
    const auto found = defaults.find(key);
    return found == defaults.end() ? platform::Value() : found->second;
}

namespace {

std::string textOf(const platform::Value& value) {
    if (value.string()) return *value.string();
    if (value.number()) return value.number()->stringValue();
    return {};
}

}  // namespace

std::string CRKSettings::reportsEndpoint() const {
    return textOf(valueForConfigurationKey("ReportsEndpoint"));
}
std::string CRKSettings::betaEndpoint() const {
    return textOf(valueForConfigurationKey("BetaEndpoint"));
}
bool CRKSettings::shouldPackageReports() const {
    return RKTBoolValue(valueForConfigurationKey("PackageReports"));
}
bool CRKSettings::shouldSubmitReports() const {
    return RKTBoolValue(valueForConfigurationKey("SubmitReports"));
}
bool CRKSettings::canProcessUrgentReports() const {
    return RKTBoolValue(valueForConfigurationKey("UrgentReports"));
}

const platform::Value& CRKSettings::settingsValue(const std::string& section, const std::string& key) const {
    if (!settingsDictionary_) return platform::Value::null();
    const auto found = settingsDictionary_->find(section);
    if (found == settingsDictionary_->end()) return platform::Value::null();
    return found->second[key];
}

bool CRKSettings::settingsBool(const std::string& section, const std::string& key, bool fallback) const {
    const platform::Value& value = settingsValue(section, key);
    return RKTIsStringOrNumber(value) ? RKTBoolValue(value, fallback) : fallback;
}

uint32_t CRKSettings::settingsUnsigned(const std::string& section, const std::string& key,
                                       uint32_t fallback) const {
    const platform::Value& value = settingsValue(section, key);
    if (value.number()) return value.number()->unsignedIntValue();
    if (value.string()) {
        if (const auto parsed = platform::Number::parse(*value.string())) return parsed->unsignedIntValue();
    }
    return fallback;
}

bool CRKSettings::errorReportingEnabled() const {
    return settingsBool("features", "collect_logged_exceptions", true);
}
bool CRKSettings::customExceptionsEnabled() const {
    return errorReportingEnabled();
}
bool CRKSettings::crashReportingEnabled() const {
    return settingsBool("features", "collect_reports", true);
}
bool CRKSettings::userPromptEnabled() const {
    return settingsBool("features", "prompt_enabled", false);
}
bool CRKSettings::nimbusCrashKitEnabled() const {
    return settingsBool("features", "nimbus_crashkit_enabled", false);
}
uint32_t CRKSettings::logBufferSize() const {
    return settingsUnsigned("session", "log_buffer_size", 65536);
}
uint32_t CRKSettings::errorLogBufferSize() const {
    return logBufferSize();
}
uint32_t CRKSettings::maxCustomExceptions() const {
    return settingsUnsigned("session", "max_custom_exception_events", 16);
}
uint32_t CRKSettings::maxCustomKeys() const {
    return settingsUnsigned("session", "max_custom_key_value_pairs", 16);
}

platform::Number CRKSettings::betaSuspendDuration() const {
    const platform::Value& value = settingsValue("beta", "update_suspend_duration");
    if (value.number()) return *value.number();
    if (value.string()) {
        if (const auto parsed = platform::Number::parse(*value.string())) return *parsed;
    }
    return platform::Number(3600);
}

std::string CRKSettings::promptValueForSettingsKey_withLocalizedKey_defaultValue(
    const std::string& key, const std::string& localizedKey, const std::string& defaultValue) const {
    const platform::Value& served = settingsValue("prompt", key);
    const std::string fallback = served.string() ? *served.string() : defaultValue;
    return CRKLocalizedStringWithDefault(localizedKey, fallback);
}

std::string CRKSettings::interactivePromptTitle() const {
    return promptValueForSettingsKey_withLocalizedKey_defaultValue(
        "title", "CrashKitCrashSubmissionPromptTitle", "Send Crash Report?");
}
std::string CRKSettings::interactivePromptMessage() const {
    return promptValueForSettingsKey_withLocalizedKey_defaultValue(
        "message", "CrashKitCrashSubmissionPromptMessage",
        "Looks like we crashed! Please help us fix the problem by sending a crash report.");
}
std::string CRKSettings::interactivePromptCancelTitle() const {
    return promptValueForSettingsKey_withLocalizedKey_defaultValue(
        "cancel_button_title", "CrashKitCrashSubmissionCancelTitle", "Don't Send");
}
std::string CRKSettings::interactivePromptSendTitle() const {
    return promptValueForSettingsKey_withLocalizedKey_defaultValue(
        "send_button_title", "CrashKitCrashSubmissionSendTitle", "Send");
}
std::string CRKSettings::interactivePromptAlwaysSendTitle() const {
    return promptValueForSettingsKey_withLocalizedKey_defaultValue(
        "always_send_button_title", "CrashKitCrashSubmissionAlwaysSendTitle", "Always Send");
}

}  // namespace reporting
