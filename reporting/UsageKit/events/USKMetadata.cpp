#include "reporting/UsageKit/events/USKMetadata.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/base/Strings.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTHost.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

USKMetadata::USKMetadata(ReportKit& reportKit, const std::optional<std::string>& betaToken) {
    fields_.APIKey = reportKit.APIKey();
    fields_.betaToken = unwrapBetaToken(betaToken);
    fields_.buildVersion = RKTApplicationGetBuildVersion();
    fields_.bundleIdentifier = RKTApplicationGetBundleIdentifier();
    fields_.displayVersion = RKTApplicationGetDisplayVersion();
    fields_.executionIdentifier = reportKit.executionIdentifier();
    fields_.hostModel = RKTHostModelName();
    fields_.installationId = reportKit.installID();
    fields_.instanceIdentifier = reportKit.instanceIdentifier();
    fields_.locale = currentLocaleIdentifier();
    fields_.numberOfCores = std::max(1u, std::thread::hardware_concurrency());
    fields_.OSBuildVersion = RKTHostOperatingSystemBuildVersion();
    fields_.OSDisplayVersion = RKTHostOperatingSystemDisplayVersion();
}

std::optional<std::string> USKMetadata::unwrapBetaToken(const std::optional<std::string>& token) {
    if (!token) return std::nullopt;
    const auto pieces = platform::split(*token, ":");
    if (pieces.size() != 2 || pieces[0] != "2") return std::nullopt;
    return pieces[1];
}

void USKMetadata::setValueInDictionary_withKey_toObject(platform::Value::Dictionary& dictionary,
                                                        const std::string& key,
                                                        const std::optional<platform::Value>& object) {
    if (!object || object->isNull()) return;
    dictionary[key] = *object;
}

std::string USKMetadata::currentLocaleIdentifier() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string text = value;
        text = text.substr(0, text.find_first_of(".@"));
        if (text == "C" || text == "POSIX") return "en_US_POSIX";
        return text;
    }
    return "en_US_POSIX";
}

std::optional<platform::Value::Dictionary> USKMetadata::dictionaryRepresentationWithStartTime(
    uint64_t startTime) const {
    using platform::Value;
    auto text = [](const std::optional<std::string>& s) -> std::optional<Value> {
        if (!s) return std::nullopt;
        return Value(*s);
    };
    Value::Dictionary d;
    setValueInDictionary_withKey_toObject(d, "generator", Value(kGenerator));
    setValueInDictionary_withKey_toObject(d, "api_key", text(fields_.APIKey));
    setValueInDictionary_withKey_toObject(d, "session_id", Value(fields_.executionIdentifier));
    setValueInDictionary_withKey_toObject(d, "started_at", Value(platform::Number(startTime)));
    setValueInDictionary_withKey_toObject(d, "beta_tester_token", text(fields_.betaToken));
    setValueInDictionary_withKey_toObject(d, "install_id", Value(fields_.installationId));
    setValueInDictionary_withKey_toObject(d, "model", text(fields_.hostModel));
    setValueInDictionary_withKey_toObject(d, "machine", text(fields_.hostModel));
    setValueInDictionary_withKey_toObject(d, "locale", Value(fields_.locale));
    setValueInDictionary_withKey_toObject(d, "os_build", text(fields_.OSBuildVersion));
    setValueInDictionary_withKey_toObject(d, "os_version", Value(fields_.OSDisplayVersion));
    setValueInDictionary_withKey_toObject(d, "platform", Value(platform()));
    setValueInDictionary_withKey_toObject(d, "platform_code", Value(platform::Number(platformCode())));
    setValueInDictionary_withKey_toObject(d, "cores", Value(platform::Number(fields_.numberOfCores)));
    setValueInDictionary_withKey_toObject(d, "jailbroken", Value(isJailbroken()));
    setValueInDictionary_withKey_toObject(d, "bundle_id", Value(fields_.bundleIdentifier));
    setValueInDictionary_withKey_toObject(d, "bundle_version", text(fields_.buildVersion));
    setValueInDictionary_withKey_toObject(d, "bundle_short_version", text(fields_.displayVersion));
    setValueInDictionary_withKey_toObject(d, "instance_id", text(fields_.instanceIdentifier));
    return d;
}

}  // namespace reporting
