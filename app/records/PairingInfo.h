#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// The pairing state of one phone and the service identifiers it advertises in the foreground.
class PairingInfo : public KeyedPayloadRecord<PairingInfo> {
public:
    static constexpr const char* kClassName = "PairingInfo";
    // The service identifier assumed when an older archive has none.
    static constexpr const char* kDefaultForegroundServiceId = "B4FE";

    // Status 1, no service identifiers.
    static std::shared_ptr<PairingInfo> init();

    // 1 default, 2 unlinked because another phone paired, 3 the user refused the pairing request, 4 the
    // phone's credentials were refused, 5 a pairing request is shown or accepted, 6 paired, 7 the stored
    // password does not log in, -1 the phone unlinked this Mac.
    const std::optional<platform::Number>& connectionStatus() const { return connectionStatus_; }
    void setConnectionStatus(std::optional<platform::Number> value) { connectionStatus_ = std::move(value); }
    const std::optional<std::string>& foregroundServiceId() const { return foregroundServiceId_; }
    void setForegroundServiceId(std::optional<std::string> value) { foregroundServiceId_ = std::move(value); }
    const std::optional<std::string>& foregroundServiceId2() const { return foregroundServiceId2_; }
    void setForegroundServiceId2(std::optional<std::string> value) {
        foregroundServiceId2_ = std::move(value);
    }

    void setDefaultValues();
    void updateModelUpdateForNewVersion();
    void decodeWithCoder(platform::KeyedUnarchiver& coder) override;

    // The status becomes a new integer of the source's value (an empty status becomes 0).
    std::shared_ptr<PairingInfo> customCopy() const;

private:
    friend class KeyedPayloadRecord<PairingInfo>;
    static const RecordSchema<PairingInfo>& schema();

    std::optional<platform::Number> connectionStatus_;
    std::optional<std::string> foregroundServiceId_;
    std::optional<std::string> foregroundServiceId2_;
};

}  // namespace kestrune
