#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/records/RecordSchema.h"
#include "platform/base/Number.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// One Bluetooth LE peripheral the scanner ignores, with the reason (0 to 4) and the offences counted so
// far. Stored in the device data's ignore list.
class LEScannerIgnorePeripheral : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "LEScannerIgnorePeripheral";

    static std::shared_ptr<LEScannerIgnorePeripheral> init() {
        return std::make_shared<LEScannerIgnorePeripheral>();
    }
    // The identifier and reason given and a count of 0.
    static std::shared_ptr<LEScannerIgnorePeripheral> initWithUUID_ignoreReason(std::string uuid,
                                                                                uint32_t reason);

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;
    void decodeWithCoder(platform::KeyedUnarchiver& coder);

    const std::optional<std::string>& uuid() const { return uuid_; }
    void setUuid(std::optional<std::string> value) { uuid_ = std::move(value); }
    // Unsigned 32-bit.
    const std::optional<platform::Number>& ignoreReasonNumber() const { return ignoreReasonNumber_; }
    void setIgnoreReasonNumber(std::optional<platform::Number> value) {
        ignoreReasonNumber_ = std::move(value);
    }
    // Signed.
    const std::optional<platform::Number>& numberOfTimesIgnoredNumber() const {
        return numberOfTimesIgnoredNumber_;
    }
    void setNumberOfTimesIgnoredNumber(std::optional<platform::Number> value) {
        numberOfTimesIgnoredNumber_ = std::move(value);
    }

    // The numbers' values; an empty number reads as 0.
    uint32_t ignoreReason() const;
    void setIgnoreReason(uint32_t reason);
    int64_t numberOfTimesIgnored() const;
    void setNumberOfTimesIgnored(int64_t count);
    // A reason only ever grows.
    void updateIgnoreReasonIfNeeded(uint32_t reason);

private:
    static const RecordSchema<LEScannerIgnorePeripheral>& schema();

    std::optional<std::string> uuid_;
    std::optional<platform::Number> ignoreReasonNumber_;
    std::optional<platform::Number> numberOfTimesIgnoredNumber_;
};

}  // namespace kestrune
