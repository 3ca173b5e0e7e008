#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"

namespace reporting {

// The downloaded kit settings ("settings.json", one JSON object): read from the file on first use and
// kept until cleared, and the views of its "app" section. A JSON null reads as absent. Any thread may
// read it.
class RKTSettings {
public:
    // Nesting deeper than this is no settings document (the service's has two levels).
    static constexpr int kMaximumNesting = 64;

    explicit RKTSettings(std::string settingsPath);  // initWithSettingsPath:fileManager:

    // The cached dictionary, else the file's. A file that is not a JSON object is logged and removed,
    // and the answer is none; so is a missing file.
    std::optional<platform::Value::Dictionary> settingsDictionary();
    // The next read loads the file again.
    void clearSettingsDictionary();
    // The settings service's address for this application: the endpoint, "/spi/v2/platforms/mac/apps/",
    // the bundle identifier, "/settings", and the query build_version, display_version, instance and
    // source (each left out when unknown). None when that is no valid address.
    std::optional<std::string> settingsURLForEndpoint_appInstanceIdentifer(
        const std::string& endpoint, const std::optional<std::string>& instanceIdentifier) const;

    std::optional<platform::Value::Dictionary> appSettings();
    std::optional<std::string> appStatus();
    // The service does not know the application yet (status "new").
    bool appNeedsOnboarding();
    bool appUpdateRequired();
    std::string appPlatform() const { return "mac"; }
    std::string appBundleIdentifier() const;
    std::optional<std::string> appBuildVersion() const;
    std::optional<std::string> appDisplayVersion() const;
    int appSource() const;

    const std::string& settingsPath() const { return settingsPath_; }

    // Reads settings bytes: a JSON object whose nesting stays within kMaximumNesting, as a dictionary
    // (objects become dictionaries, arrays arrays, true/false booleans, numbers integers or reals, null
    // the null value). None otherwise, with the reason in `error` when given.
    static std::optional<platform::Value::Dictionary> dictionaryFromJSONData(const platform::Data& data,
                                                                             std::string* error = nullptr);

private:
    const std::string settingsPath_;
    std::mutex mutex_;
    std::optional<platform::Value::Dictionary> settingsDictionary_;  // guarded by mutex_
};

}  // namespace reporting
