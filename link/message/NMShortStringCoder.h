#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/records/PayloadRecord.h"
#include "link/message/PropertyDescription.h"
#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace kestrune {

// The record coder of the phone link: a payload record travels as the texts of its own fields, in
// ascending case-folded order of their names, joined by U+2021; a nested record's fields stand flat in
// its parent's list and an empty nested record is the single mark U+2020. Keeps no state.
class NMShortStringCoder {
public:
    static constexpr const char kFieldSeparator[] = "\u2021";   // DOUBLE DAGGER
    static constexpr const char kEmptyRecordMark[] = "\u2020";  // DAGGER

    // A text unchanged, a number as its decimal text, a record as its fields; "" for anything else.
    static std::string shortStringEncodeForObject(const platform::Value& object);
    // The same text, appended to `out` (the message coder builds a whole message in one buffer).
    static void appendEncodingOfObject(std::string& out, const platform::Value& object);
    // A new record of the named type from the text; null when the type is not a payload record type.
    static std::shared_ptr<platform::Object> shortStringDecode_forClass(std::string_view text,
                                                                        const std::string& className);

    // The field texts of a record, in field order.
    static std::vector<std::string> getArrayOfValuesObject(const PayloadRecord& object);
    static std::string getStringValueForProperty_forObject(const PropertyDescription& property,
                                                           const PayloadRecord& object);
    // The record type's own fields in coding order (computed once per type).
    static const std::vector<PropertyDescription>& getAllFirstLeverProperties(const PayloadRecord& object);
    static std::string propertyTypeStringOfProperty(const PayloadRecord::Property& property);

    // Builds a record of the type from the parts, starting at `next` and moving it past every part
    // consumed (nested records consume from the same list). Null when the type is unknown.
    static std::shared_ptr<platform::Object> shortStringDecodeToArray2_forClass(
        const std::vector<std::string_view>& parts, size_t& next, const std::string& className);

    // A field's value by name; an empty field reads as "".
    static platform::Value getPropertyWithName_withProperty_forObject(const std::string& name,
                                                                      const PayloadRecord& object);
    // Writes an object field; logs and leaves the field when the record has no such settable field.
    static void setProperty_toPropertyWithName_forObject(const platform::Value& value,
                                                         const std::string& name, PayloadRecord& object);
    // Writes a plain-value field.
    static void setValue_toPropertyWithName_forObject(const platform::Value& value, const std::string& name,
                                                      PayloadRecord& object);

    // The leading decimal integer of a text as a 32-bit integer scan reads it: leading white space
    // skipped, an optional sign, then digits; 0 without digits; values beyond the 32-bit range
    // saturate at its ends.
    static int32_t leadingInt32(std::string_view text);

    // Splits at every occurrence of the separator (an empty text is one empty part).
    static std::vector<std::string_view> splitParts(std::string_view text, std::string_view separator);

private:
    enum class FieldKind { Text, Number, Primitive, Record };
    // A type's fields in coding order, with their kinds resolved once.
    struct TypeFields {
        std::vector<PropertyDescription> descriptions;
        std::vector<FieldKind> kinds;
        std::vector<size_t> declaredIndex;  // each field's position in the type's declaredProperties()
    };
    static const TypeFields& fieldsOf(const PayloadRecord& object);
    static void appendRecord(std::string& out, const PayloadRecord& record, int depth);
    static std::shared_ptr<platform::Object> decodeRecord(const std::vector<std::string_view>& parts,
                                                          size_t& next, const std::string& className,
                                                          int depth);
};

}  // namespace kestrune
