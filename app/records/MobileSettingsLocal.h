#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/support/EventTimestamp.h"
#include "platform/base/Number.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// Per-phone state kept only on this Mac: the confirmed proximity location and the times of the last
// disconnection and of the last double check of the distance. The two stamps survive restarts through
// their stored numbers. Never a payload.
class MobileSettingsLocal : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "MobileSettingsLocal";

    static std::shared_ptr<MobileSettingsLocal> init() { return std::make_shared<MobileSettingsLocal>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;

    // Seconds since 1970 of the last disconnection.
    const std::optional<platform::Number>& disconnectTimestampNumber() const {
        return disconnectTimestampNumber_;
    }
    void setDisconnectTimestampNumber(std::optional<platform::Number> value) {
        disconnectTimestampNumber_ = std::move(value);
    }
    // 0 not yet known, 1 confirmed outside, 2 confirmed inside.
    const std::optional<platform::Number>& kestruneLocationNumber() const { return kestruneLocationNumber_; }
    void setKestruneLocationNumber(std::optional<platform::Number> value) {
        kestruneLocationNumber_ = std::move(value);
    }
    // Seconds since 1970 of the last double check of the distance.
    const std::optional<platform::Number>& lastDoubleCheckTimestampNumber() const {
        return lastDoubleCheckTimestampNumber_;
    }
    void setLastDoubleCheckTimestampNumber(std::optional<platform::Number> value) {
        lastDoubleCheckTimestampNumber_ = std::move(value);
    }

    const EventTimestamp& disconnectTimestamp() const { return disconnectTimestamp_; }
    const EventTimestamp& lastDoubleCheckTimestamp() const { return lastDoubleCheckTimestamp_; }

    int32_t kestruneConfirmedLocation() const;
    void setKestruneConfirmedLocation(int32_t location);
    void deviceDidDisconnect();
    void deviceIsDoubleChecking();
    double secondSinceLastDisconnect() const;
    double secondSinceLastDoubleCheck() const;

private:
    std::optional<platform::Number> disconnectTimestampNumber_;
    std::optional<platform::Number> kestruneLocationNumber_;
    std::optional<platform::Number> lastDoubleCheckTimestampNumber_;
    EventTimestamp disconnectTimestamp_;
    EventTimestamp lastDoubleCheckTimestamp_;
};

}  // namespace kestrune
