#include "app/records/MobileSettingsLocal.h"

#include "app/records/NumberFields.h"
#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<MobileSettingsLocal> registrarOfMobileSettingsLocal(
    MobileSettingsLocal::kClassName);

std::optional<platform::Number> decodeStoredNumber(platform::KeyedUnarchiver& coder, const char* key) {
    platform::Value value = coder.decodeObjectForKey(key);
    if (auto number = value.number()) return *number;
    if (!value.isNull())
        platform::logf("MobileSettingsLocal: the stored \"%s\" is %s, not a number; it is left empty", key,
                       value.description().c_str());
    return std::nullopt;
}

platform::Value storedValueOf(const std::optional<platform::Number>& number) {
    return number ? platform::Value(*number) : platform::Value();
}
}  // namespace

void MobileSettingsLocal::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(storedValueOf(disconnectTimestampNumber_), "disconnectTimestampNumber");
    coder.encodeObject_forKey(storedValueOf(kestruneLocationNumber_), "kestruneLocationNumber");
    coder.encodeObject_forKey(storedValueOf(lastDoubleCheckTimestampNumber_),
                              "lastDoubleCheckTimestampNumber");
}

bool MobileSettingsLocal::initWithCoder(platform::KeyedUnarchiver& coder) {
    disconnectTimestampNumber_ = decodeStoredNumber(coder, "disconnectTimestampNumber");
    kestruneLocationNumber_ = decodeStoredNumber(coder, "kestruneLocationNumber");
    lastDoubleCheckTimestampNumber_ = decodeStoredNumber(coder, "lastDoubleCheckTimestampNumber");
    disconnectTimestamp_.setEventTimeSince1970(doubleValueOf(disconnectTimestampNumber_));
    lastDoubleCheckTimestamp_.setEventTimeSince1970(doubleValueOf(lastDoubleCheckTimestampNumber_));
    return true;
}

int32_t MobileSettingsLocal::kestruneConfirmedLocation() const {
    return intValueOf(kestruneLocationNumber_);
}

void MobileSettingsLocal::setKestruneConfirmedLocation(int32_t location) {
    kestruneLocationNumber_ = unsignedCodeNumber(location);
}

void MobileSettingsLocal::deviceDidDisconnect() {
    disconnectTimestamp_.eventTriggered();
    disconnectTimestampNumber_ = platform::Number(disconnectTimestamp_.eventTimeSince1970());
}

void MobileSettingsLocal::deviceIsDoubleChecking() {
    lastDoubleCheckTimestamp_.eventTriggered();
    lastDoubleCheckTimestampNumber_ = platform::Number(lastDoubleCheckTimestamp_.eventTimeSince1970());
}

double MobileSettingsLocal::secondSinceLastDisconnect() const {
    return disconnectTimestamp_.secondsElapsedFromLastEvent();
}

double MobileSettingsLocal::secondSinceLastDoubleCheck() const {
    return lastDoubleCheckTimestamp_.secondsElapsedFromLastEvent();
}

}  // namespace kestrune
