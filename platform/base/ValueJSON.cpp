#include "platform/base/ValueJSON.h"

namespace platform {

Value valueFromJSON(const nlohmann::json& json, int maximumDepth, int depth) {
    if (depth > maximumDepth) return Value();
    switch (json.type()) {
        case nlohmann::json::value_t::string:
            return Value(json.get<std::string>());
        case nlohmann::json::value_t::boolean:
            return Value(json.get<bool>());
        case nlohmann::json::value_t::number_integer:
            return Value(Number(json.get<long long>()));
        case nlohmann::json::value_t::number_unsigned:
            return Value(Number(json.get<unsigned long long>()));
        case nlohmann::json::value_t::number_float:
            return Value(json.get<double>());
        case nlohmann::json::value_t::array: {
            Value::Array items;
            for (const auto& item : json) items.push_back(valueFromJSON(item, maximumDepth, depth + 1));
            return Value(std::move(items));
        }
        case nlohmann::json::value_t::object: {
            Value::Dictionary entries;
            for (const auto& [key, item] : json.items())
                entries[key] = valueFromJSON(item, maximumDepth, depth + 1);
            return Value(std::move(entries));
        }
        default:
            return Value();
    }
}

nlohmann::json JSONFromValue(const Value& value) {
    if (const std::string* text = value.string()) return *text;
    if (const Number* number = value.number()) {
        if (number->isBoolean()) return number->boolValue();
        if (number->isReal()) return number->doubleValue();
        if (number->kind() == Number::Kind::Unsigned) return number->unsignedLongLongValue();
        return number->longLongValue();
    }
    if (const Value::Array* items = value.array()) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& item : *items) list.push_back(JSONFromValue(item));
        return list;
    }
    if (const Value::Dictionary* entries = value.dictionary()) {
        nlohmann::json object = nlohmann::json::object();
        for (const auto& [key, item] : *entries) object[key] = JSONFromValue(item);
        return object;
    }
    return nullptr;
}

}  // namespace platform
