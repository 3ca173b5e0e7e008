#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "reporting/UsageKit/events/USKMetadataSerializable.h"

namespace reporting {

class ReportKit;

// This launch's facts, written at the head of every event log file.
class USKMetadata : public USKMetadataSerializable {
public:
    static constexpr const char* kGenerator = "UsageKit Mac SDK/1.4.0";

    // The facts one launch has; tests and the controller fill them from the core.
    struct Fields {
        std::optional<std::string> APIKey;
        std::optional<std::string> betaToken;
        std::optional<std::string> buildVersion;
        std::string bundleIdentifier;
        std::optional<std::string> displayVersion;
        std::string executionIdentifier;
        std::optional<std::string> hostModel;
        std::string installationId;
        std::optional<std::string> instanceIdentifier;
        std::string locale;
        uint32_t numberOfCores = 1;
        std::optional<std::string> OSBuildVersion;
        std::string OSDisplayVersion;
    };

    // initWithReportKit:betaToken: (the beta token as given; it is unwrapped here).
    USKMetadata(ReportKit& reportKit, const std::optional<std::string>& betaToken);
    explicit USKMetadata(Fields fields) : fields_(std::move(fields)) {}

    static std::optional<std::string> unwrapBetaToken(const std::optional<std::string>& token);
    static void setValueInDictionary_withKey_toObject(platform::Value::Dictionary& dictionary,
                                                      const std::string& key,
                                                      const std::optional<platform::Value>& object);
    static bool computeIsJailbroken() { return false; }
    // The current locale's identifier from the environment ("en_US" from "en_US.UTF-8").
    static std::string currentLocaleIdentifier();

    const std::optional<std::string>& APIKey() const { return fields_.APIKey; }
    const std::optional<std::string>& betaToken() const { return fields_.betaToken; }
    const std::optional<std::string>& buildVersion() const { return fields_.buildVersion; }
    const std::string& bundleIdentifier() const { return fields_.bundleIdentifier; }
    const std::optional<std::string>& displayVersion() const { return fields_.displayVersion; }
    const std::string& executionIdentifier() const { return fields_.executionIdentifier; }
    const std::optional<std::string>& hostModel() const { return fields_.hostModel; }
    const std::string& installationId() const { return fields_.installationId; }
    const std::optional<std::string>& instanceIdentifier() const { return fields_.instanceIdentifier; }
    bool isJailbroken() const { return false; }
    const std::string& locale() const { return fields_.locale; }
    uint32_t numberOfCores() const { return fields_.numberOfCores; }
    const std::optional<std::string>& OSBuildVersion() const { return fields_.OSBuildVersion; }
    const std::string& OSDisplayVersion() const { return fields_.OSDisplayVersion; }
    std::string platform() const { return "Mac"; }
    uint32_t platformCode() const { return 0; }

    std::string eventName() const override { return "metadata"; }
    std::optional<platform::Value::Dictionary> dictionaryRepresentationWithStartTime(
        uint64_t startTime) const override;

private:
    Fields fields_;
};

}  // namespace reporting
