#include "platform/sim/PhoneMessageCoder.h"

#include <climits>
#include <map>

#include "platform/base/Strings.h"

namespace platform {

namespace {

// A field of one of the phone's records: 'S' a text, 'N' a number, otherwise the nested type's name.
struct Field {
    const char* name;
    const char* kind;
};

const std::map<std::string, std::vector<Field>, std::less<>>& schemas() {
    // Written in the order the fields travel (their names compared without regard to case).
    static const std::map<std::string, std::vector<Field>, std::less<>> table = {
        {"AuthPayload",
         {{"challenge", "S"}, {"challengeResponse", "S"}, {"identifier", "S"}, {"protocolVersion", "S"}}},
        {"DeviceUser",
         {{"fullName", "S"}, {"hasPassword", "N"}, {"idNumber", "N"}, {"password", "S"}, {"username", "S"}}},
        {"SessionInfo",
         {{"deviceResponsibleForLastChange", "N"},
          {"laptopLidIsDownAndNoExternalMonitor", "N"},
          {"userIdLoggedIn", "S"},
          {"userIsLoggedIn", "N"}}},
        {"MobileDeviceTrackInfo",
         {{"deviceResponsibleForLastChange", "N"},
          {"distanceToLogin", "N"},
          {"proxLockTemporaryDisabledBecauseLogin", "N"},
          {"proxLockTemporaryDisabledBecauseLogout", "N"},
          {"shouldTrackMobileDevice", "N"}}},
        {"MobileDeviceConnectionInfo", {{"isConnected", "N"}, {"serviceId", "S"}}},
        {"MobileDeviceInfo", {{"deviceName", "S"}, {"deviceType", "S"}}},
        {"MobileDevice",
         {{"mobileDeviceConnectionInfo", "MobileDeviceConnectionInfo"},
          {"mobileDeviceInfo", "MobileDeviceInfo"},
          {"unId", "S"}}},
        {"ConnectionInfo", {{"isConnected", "N"}, {"serviceId", "S"}}},
        {"DeviceInfo", {{"deviceDescription", "N"}, {"deviceName", "S"}, {"deviceType", "N"}}},
        {"Device",
         {{"connectionInfo", "ConnectionInfo"},
          {"deviceInfo", "DeviceInfo"},
          {"sessionInfo", "SessionInfo"},
          {"unId", "S"}}},
        {"iOSPreferences",
         {{"batteryPercent", "N"},
          {"chosenMetric", "N"},
          {"iOSallowNotificationLogin", "N"},
          {"iOSapplicationState", "N"},
          {"iOSCharging", "N"},
          {"iOSPushId", "S"},
          {"iOSSystemVersion", "S"},
          {"iOSVersion", "S"},
          {"language", "S"},
          {"useMotionTracking", "N"}}},
        {"OSXPreferences",
         {{"allowCloserDistances", "N"},
          {"allowLogin", "N"},
          {"allowLogout", "N"},
          {"allowSiriLock", "N"},
          {"allowSiriUnlock", "N"},
          {"installAuthMethod", "N"},
          {"isWaitingForConfirmation", "N"},
          {"lastConnectionTimestamp", "N"},
          {"onApproachAuthMethod", "N"},
          {"OSXSystemVersion", "S"},
          {"OSXVersion", "S"},
          {"passwordScreenAuthMethod", "N"},
          {"wakeScreenOnApproach", "N"}}},
        {"PairingInfo",
         {{"connectionStatus", "N"}, {"foregroundServiceId", "S"}, {"foregroundServiceId2", "S"}}},
        {"MobileSettings",
         {{"distanceFromDevice", "N"},
          {"iOSSettings", "iOSPreferences"},
          {"mobileDeviceTrackInfo", "MobileDeviceTrackInfo"},
          {"OSXSettings", "OSXPreferences"},
          {"pairingInfo", "PairingInfo"},
          {"registeredDeviceUser", "DeviceUser"},
          {"unId", "S"}}},
        {"KestruneViewState",
         {{"canReachClipboard", "N"},
          {"connectionState", "N"},
          {"deviceId", "S"},
          {"deviceIsLocked", "N"},
          {"distanceBetweenIPhoneAndMac", "N"},
          {"fastLockLoading", "N"},
          {"hasTrackingDevice", "N"},
          {"kestruneLoading", "N"},
          {"kestruneTemporarilyDisabled", "N"},
          {"language", "S"},
          {"macDeviceName", "S"},
          {"macDeviceType", "N"},
          {"macLidIsClosedAndThereIsNoExternalMonitor", "N"},
          {"maxRSSIValue", "N"},
          {"metric", "N"},
          {"metricDistanceText", "S"},
          {"minRSSIValue", "N"},
          {"shouldTrackMobileDevice", "N"},
          {"showInfoButton", "N"},
          {"todayExtensionAllowKestruneUpdate", "N"},
          {"todayExtensionAllowLoginLogout", "N"},
          {"todayExtensionRequestAuthOnLockedDevice", "N"},
          {"trackingDistance", "N"},
          {"trackingDistanceText", "S"},
          {"userIsLoggedIn", "N"}}},
    };
    return table;
}

const std::vector<Field>* schemaOf(std::string_view type) {
    auto found = schemas().find(type);
    return found == schemas().end() ? nullptr : &found->second;
}

bool isText(const Field& field) {
    return std::string_view(field.kind) == "S";
}
bool isNumber(const Field& field) {
    return std::string_view(field.kind) == "N";
}

void appendRecord(std::string& out, const std::vector<Field>& schema, const Value::Dictionary& record) {
    bool first = true;
    for (const Field& field : schema) {
        if (!first) out += PhoneMessageCoder::kFieldSeparator;
        first = false;
        auto found = record.find(field.name);
        const Value* value = found == record.end() ? nullptr : &found->second;
        if (isText(field) || isNumber(field)) {
            if (!value) continue;
            if (auto text = value->string()) out += *text;
            if (auto number = value->number()) out += number->stringValue();
            continue;
        }
        const Value::Dictionary* nested = value ? value->dictionary() : nullptr;
        const std::vector<Field>* nestedSchema = schemaOf(field.kind);
        if (!nested || !nestedSchema) {
            out += PhoneMessageCoder::kEmptyRecordMark;
        } else {
            appendRecord(out, *nestedSchema, *nested);
        }
    }
}

Value::Dictionary decodeRecordParts(const std::vector<Field>& schema, const std::vector<std::string>& parts,
                                    size_t& next) {
    Value::Dictionary record;
    for (const Field& field : schema) {
        if (next >= parts.size()) continue;
        const std::string& part = parts[next];
        if (part == PhoneMessageCoder::kEmptyRecordMark) {
            ++next;
        } else if (isText(field)) {
            record[field.name] = part;
            ++next;
        } else if (isNumber(field)) {
            record[field.name] = Number(PhoneMessageCoder::leadingInt32(part));
            ++next;
        } else if (const std::vector<Field>* nested = schemaOf(field.kind)) {
            record[field.name] = decodeRecordParts(*nested, parts, next);
        }
    }
    return record;
}

}  // namespace

int32_t PhoneMessageCoder::leadingInt32(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int32_t>(value);
}

std::string PhoneMessageCoder::encode(const PhoneMessage& message, std::string_view separator) {
    std::string text = message.requestType;
    text += separator;
    text += std::to_string(message.request);
    text += separator;
    if (message.payload) text += *message.payload;
    return text;
}

std::optional<PhoneMessage> PhoneMessageCoder::decode(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts = split(text, separator);
    if (parts.size() < 2) return std::nullopt;
    PhoneMessage message;
    message.requestType = parts[0];
    message.request = leadingInt32(parts[1]);
    if (parts.size() > 2) message.payload = parts[2];
    return message;
}

bool PhoneMessageCoder::knowsRecordType(std::string_view type) {
    return schemaOf(type) != nullptr;
}

std::vector<std::string> PhoneMessageCoder::fieldNames(std::string_view type) {
    std::vector<std::string> names;
    if (const std::vector<Field>* schema = schemaOf(type))
        for (const Field& field : *schema) names.emplace_back(field.name);
    return names;
}

std::string PhoneMessageCoder::encodeRecord(std::string_view type, const Value::Dictionary& record) {
    std::string out;
    if (const std::vector<Field>* schema = schemaOf(type)) appendRecord(out, *schema, record);
    return out;
}

std::optional<Value::Dictionary> PhoneMessageCoder::decodeRecord(std::string_view type,
                                                                 std::string_view text) {
    const std::vector<Field>* schema = schemaOf(type);
    if (!schema) return std::nullopt;
    std::vector<std::string> parts = split(text, kFieldSeparator);
    size_t next = 0;
    return decodeRecordParts(*schema, parts, next);
}

}  // namespace platform
