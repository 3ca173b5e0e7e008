#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Number.h"
#include "platform/base/Value.h"

namespace reporting {

// Every configuration question of the crash kit. Local configuration (endpoints, processing switches)
// comes from the environment ("CrashKit" + key), then the bundle's "CrashKit" dictionary, then the
// built-in defaults; feature switches, limits and prompt texts come from the downloaded settings, with
// the application's own "CrashKit" strings table winning over the server's prompt texts.
class CRKSettings {
public:
    // No service of the kit's is reachable from here: the built-in endpoints are in a domain that never
    // resolves, and a deployment names its own through the environment or the bundle.
    static constexpr const char* kDefaultReportsEndpoint = "https://reports.reportkit.invalid";
    static constexpr const char* kDefaultBetaEndpoint = "https://api.reportkit.invalid";

    explicit CRKSettings(
        std::optional<platform::Value::Dictionary> settingsDictionary);  // initWithDictionary:

    // The bundle's "CrashKit" dictionary, or none.
    static std::optional<platform::Value::Dictionary> configuration();
    static platform::Value::Dictionary defaultConfiguration();
    static platform::Value valueForConfigurationKey(const std::string& key);

    std::string reportsEndpoint() const;
    std::string betaEndpoint() const;
    bool shouldPackageReports() const;
    bool shouldSubmitReports() const;
    bool canProcessUrgentReports() const;

    bool errorReportingEnabled() const;
    bool customExceptionsEnabled() const;
    bool crashReportingEnabled() const;
    bool userPromptEnabled() const;
    bool nimbusCrashKitEnabled() const;
    uint32_t logBufferSize() const;
    uint32_t errorLogBufferSize() const;
    uint32_t maxCustomExceptions() const;
    uint32_t maxCustomKeys() const;
    platform::Number betaSuspendDuration() const;

    std::string promptValueForSettingsKey_withLocalizedKey_defaultValue(
        const std::string& key, const std::string& localizedKey, const std::string& defaultValue) const;
    std::string interactivePromptTitle() const;
    std::string interactivePromptMessage() const;
    std::string interactivePromptCancelTitle() const;
    std::string interactivePromptSendTitle() const;
    std::string interactivePromptAlwaysSendTitle() const;

    const std::optional<platform::Value::Dictionary>& settingsDictionary() const {
        return settingsDictionary_;
    }

private:
    // The downloaded value at section/key, or null.
    const platform::Value& settingsValue(const std::string& section, const std::string& key) const;
    bool settingsBool(const std::string& section, const std::string& key, bool fallback) const;
    uint32_t settingsUnsigned(const std::string& section, const std::string& key, uint32_t fallback) const;

    std::optional<platform::Value::Dictionary> settingsDictionary_;
};

}  // namespace reporting
