#include "platform/base/Value.h"

namespace platform {

const Value& Value::null() {
    // Never destroyed: every thread reads it, also while the process ends.
    static const auto& none = *new Value;
    return none;
}

const Value& Value::operator[](const std::string& key) const {
    if (auto dict = dictionary()) {
        auto it = dict->find(key);
        if (it != dict->end()) return it->second;
    }
    return null();
}

bool Value::operator==(const Value& other) const {
    if (type() != other.type()) return false;
    switch (type()) {
        case Type::Null:
            return true;
        case Type::Number:
            return *number() == *other.number();
        case Type::String:
            return *string() == *other.string();
        case Type::Data:
            return *data() == *other.data();
        case Type::Date:
            return *date() == *other.date();
        case Type::Array:
            return *array() == *other.array();
        case Type::Dictionary:
            return *dictionary() == *other.dictionary();
        case Type::Object:
            return object() == other.object();
    }
    return false;
}

std::string Value::description() const {
    switch (type()) {
        case Type::Null:
            return "(null)";
        case Type::Number:
            return number()->stringValue();
        case Type::String:
            return "\"" + *string() + "\"";
        case Type::Data:
            return "<" + std::to_string(data()->size()) + " bytes>";
        case Type::Date:
            return "date(" + Number(date()->timeIntervalSince1970()).stringValue() + ")";
        case Type::Array: {
            std::string out = "(";
            for (size_t i = 0; i < array()->size(); ++i) out += (i ? ", " : "") + (*array())[i].description();
            return out + ")";
        }
        case Type::Dictionary: {
            std::string out = "{";
            bool first = true;
            for (const auto& [k, v] : *dictionary()) {
                out += (first ? "" : "; ") + k + " = " + v.description();
                first = false;
            }
            return out + "}";
        }
        case Type::Object:
            return "<" + object()->className() + ">";
    }
    return "";
}

}  // namespace platform
