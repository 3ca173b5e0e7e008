#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/DefaultValuesRecord.h"
#include "platform/base/Number.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// The trusted Wi-Fi unlock switch.
class WifiUnlockConfig : public platform::Object, public platform::Coding, public DefaultValuesRecord {
public:
    static constexpr const char* kClassName = "WifiUnlockConfig";

    static std::shared_ptr<WifiUnlockConfig> init() { return std::make_shared<WifiUnlockConfig>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;

    // Boolean: unlocking on a trusted network is switched on.
    const std::optional<platform::Number>& wifiUnlockTurnedOn() const { return wifiUnlockTurnedOn_; }
    void setWifiUnlockTurnedOn(std::optional<platform::Number> value) {
        wifiUnlockTurnedOn_ = std::move(value);
    }

    // Switched on.
    void setDefaultValues() override;

private:
    std::optional<platform::Number> wifiUnlockTurnedOn_;
};

}  // namespace kestrune
