#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace kestrune {

// A record that can travel on the phone link as the fields of its own type. The link's record coder
// walks the properties a type declares itself, reads and writes each by name as a Value, and creates
// empty records of a type from its name (nested records are named by their type). The keyed coding of
// the records reads the same description, so the stored keys and the link fields cannot drift apart.
//
// Implemented beside platform::Object by every payload record; reach it from a record held in a Value
// with std::dynamic_pointer_cast<PayloadRecord>(value.object()).
class PayloadRecord {
public:
    // The kinds of a field: a text, a number, a plain value that is no object, or else the class name
    // of the nested record type.
    static constexpr const char* kStringKind = "NSString";
    static constexpr const char* kNumberKind = "NSNumber";
    static constexpr const char* kPrimitiveKind = "PrimitiveType";

    struct Property {
        std::string name;
        std::string kind;
        bool operator==(const Property&) const = default;
    };

    virtual ~PayloadRecord() = default;

    // The type's own properties in declaration order (the link coder sorts them itself).
    virtual const std::vector<Property>& declaredProperties() const = 0;
    // The field's value: none when the field is empty or the record has no such property.
    virtual platform::Value valueForProperty(const std::string& name) const = 0;
    // Sets the field. False (the field unchanged) when the record has no such property or the value is
    // not of the property's kind; none empties the field.
    virtual bool setValueForProperty(const std::string& name, const platform::Value& value) = 0;
    // The same by position in declaredProperties(), for coders that resolve a type's fields once.
    virtual platform::Value valueForPropertyAtIndex(size_t index) const {
        const auto& properties = declaredProperties();
        return index < properties.size() ? valueForProperty(properties[index].name) : platform::Value();
    }
    virtual bool setValueForPropertyAtIndex(size_t index, const platform::Value& value) {
        const auto& properties = declaredProperties();
        return index < properties.size() && setValueForProperty(properties[index].name, value);
    }

    using Factory = std::function<std::shared_ptr<platform::Object>()>;
    // Registers how to make a new record of the type, as the type's own initialiser makes it (which
    // may fill defaults): the link coder starts every decoded record from one.
    static void registerRecordType(const std::string& className, Factory factory);
    static bool isRecordType(const std::string& className);
    // A new record of the named type, or null for a type that is not registered.
    static std::shared_ptr<platform::Object> recordWithClassName(const std::string& className);
    // The payload view of a record held in a value; null when the value holds no payload record.
    static std::shared_ptr<PayloadRecord> payloadRecordIn(const platform::Value& value);
};

}  // namespace kestrune
