#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

// One message as the phone application reads and writes it: request type, request number and the
// payload text (none when the message had only two fields).
struct PhoneMessage {
    std::string requestType;
    int32_t request = 0;
    std::optional<std::string> payload;
};

// The phone application's own coder of the link's texts, written from the wire format alone: messages
// are three fields joined by a separator (U+02FD inside, U+02FE for the transport level), records are
// their fields' texts in the phone's field order joined by U+2021, an absent nested record is U+2020.
//
// Records are dictionaries: a text field holds a text, a number field a number (or a text, sent as it
// is, to script malformed input), a nested record a dictionary; an absent key is an empty field.
class PhoneMessageCoder {
public:
    static constexpr const char kApplicationSeparator[] = "\u02FD";
    static constexpr const char kTransportSeparator[] = "\u02FE";
    static constexpr const char kFieldSeparator[] = "\u2021";
    static constexpr const char kEmptyRecordMark[] = "\u2020";

    static std::string encode(const PhoneMessage& message, std::string_view separator);
    // None for a text without the separator.
    static std::optional<PhoneMessage> decode(std::string_view text, std::string_view separator);

    // The record types the phone application knows, and their field names in link order.
    static bool knowsRecordType(std::string_view type);
    static std::vector<std::string> fieldNames(std::string_view type);

    static std::string encodeRecord(std::string_view type, const Value::Dictionary& record);
    // Reads the fields in order; missing parts leave fields absent, surplus parts are ignored. None
    // for a type the phone does not know.
    static std::optional<Value::Dictionary> decodeRecord(std::string_view type, std::string_view text);

    // The leading decimal integer of a text, held to the 32-bit range (0 without digits).
    static int32_t leadingInt32(std::string_view text);
};

}  // namespace platform
