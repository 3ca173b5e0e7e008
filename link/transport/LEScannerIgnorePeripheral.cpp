#include "link/transport/LEScannerIgnorePeripheral.h"

#include "platform/storage/ClassRegistry.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<LEScannerIgnorePeripheral> registrarOfLEScannerIgnorePeripheral(
    LEScannerIgnorePeripheral::kClassName);
}

const RecordSchema<LEScannerIgnorePeripheral>& LEScannerIgnorePeripheral::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<LEScannerIgnorePeripheral>(
        RecordSchema<LEScannerIgnorePeripheral>()
            .text("uuid", &LEScannerIgnorePeripheral::uuid_)
            .number("ignoreReasonNumber", &LEScannerIgnorePeripheral::ignoreReasonNumber_)
            .number("numberOfTimesIgnoredNumber", &LEScannerIgnorePeripheral::numberOfTimesIgnoredNumber_));
    return schema;
}

std::shared_ptr<LEScannerIgnorePeripheral> LEScannerIgnorePeripheral::initWithUUID_ignoreReason(
    std::string uuid, uint32_t reason) {
    auto peripheral = init();
    peripheral->uuid_ = std::move(uuid);
    peripheral->setIgnoreReason(reason);
    peripheral->setNumberOfTimesIgnored(0);
    return peripheral;
}

void LEScannerIgnorePeripheral::encodeWithCoder(platform::KeyedArchiver& coder) const {
    schema().encode(*this, coder);
}

bool LEScannerIgnorePeripheral::initWithCoder(platform::KeyedUnarchiver& coder) {
    decodeWithCoder(coder);
    return true;
}

void LEScannerIgnorePeripheral::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    schema().decode(*this, coder);
}

uint32_t LEScannerIgnorePeripheral::ignoreReason() const {
    return ignoreReasonNumber_ ? ignoreReasonNumber_->unsignedIntValue() : 0;
}

void LEScannerIgnorePeripheral::setIgnoreReason(uint32_t reason) {
    ignoreReasonNumber_ = platform::Number(static_cast<unsigned long long>(reason));
}

int64_t LEScannerIgnorePeripheral::numberOfTimesIgnored() const {
    return numberOfTimesIgnoredNumber_ ? numberOfTimesIgnoredNumber_->longLongValue() : 0;
}

void LEScannerIgnorePeripheral::setNumberOfTimesIgnored(int64_t count) {
    numberOfTimesIgnoredNumber_ = platform::Number(static_cast<long long>(count));
}

void LEScannerIgnorePeripheral::updateIgnoreReasonIfNeeded(uint32_t reason) {
    if (reason > ignoreReason()) setIgnoreReason(reason);
}

}  // namespace kestrune
