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

    // The pairing states connectionStatus holds; the numbers are stored and sent to the phone.
    enum ConnectionStatus : int32_t {
        kConnectionStatusDefault = 1,
        kConnectionStatusUnlinkedForAnotherPhone = 2,  // another phone paired
        kConnectionStatusRefusedByUser = 3,            // the user refused the pairing request
        kConnectionStatusCredentialsRefused = 4,       // the phone's credentials were refused
        kConnectionStatusPairingRequested = 5,         // a pairing request is shown or was accepted
        kConnectionStatusPaired = 6,                   // the tracked phone is the first with this status
        kConnectionStatusPasswordDoesNotLogIn = 7,     // the stored password does not log in
        kConnectionStatusUnlinkedByPhone = -1,         // the phone unlinked this Mac
    };
    // Statuses a phone's status update carries that are never stored as such: the phone unlinked this Mac
    // (stored as kConnectionStatusUnlinkedByPhone), and forget the phone.
    static constexpr int32_t kConnectionStatusUpdateUnlinkedByPhone = 8;
    static constexpr int32_t kConnectionStatusUpdateForget = 9;

    // Status kConnectionStatusDefault, no service identifiers.
    static std::shared_ptr<PairingInfo> init();

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
