#include "platform/storage/PropertyList.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

constexpr const char* kUIDKey = "CF$UID";

// libplist 2.2 has no signed-integer node: an integer node holds 64 bits that its writers print as a
// signed number, except an unsigned value above the signed range, which only its XML reader can make.
PlistHandle integerNode(const Number& number) {
    if (number.kind() == Number::Kind::Unsigned) {
        std::string xml = "<plist version=\"1.0\"><integer>" + number.stringValue() + "</integer></plist>";
        plist_t node = nullptr;
        plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &node);
        return PlistHandle(node);
    }
    return PlistHandle(plist_new_uint(static_cast<uint64_t>(number.longLongValue())));
}

Number numberFromIntegerNode(plist_t node) {
    uint64_t bits = 0;
    plist_get_uint_val(node, &bits);
    if (bits <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return Number(static_cast<int64_t>(bits));
    // Above the signed range the node is either a negative number or a large unsigned one; only the
    // text the library writes for it tells which.
    char* xml = nullptr;
    uint32_t length = 0;
    plist_t copy = plist_copy(node);
    plist_to_xml(copy, &xml, &length);
    plist_free(copy);
    bool negative = xml && std::strstr(xml, "<integer>-") != nullptr;
    if (xml) plist_to_xml_free(xml);
    if (negative) return Number(static_cast<long long>(bits));
    return Number(static_cast<unsigned long long>(bits));
}

const char* typeName(plist_type type) {
    switch (type) {
        case PLIST_BOOLEAN:
            return "boolean";
        case PLIST_UINT:
            return "integer";
        case PLIST_REAL:
            return "real";
        case PLIST_STRING:
            return "string";
        case PLIST_ARRAY:
            return "array";
        case PLIST_DICT:
            return "dictionary";
        case PLIST_DATE:
            return "date";
        case PLIST_DATA:
            return "data";
        case PLIST_KEY:
            return "key";
        case PLIST_UID:
            return "reference";
        default:
            return "unknown";
    }
}

PlistHandle nodeFromValueAt(const Value& value, int depth) {
    if (depth > PropertyList::kMaximumDepth) {
        logf("Property list: value nested deeper than %d levels refused", PropertyList::kMaximumDepth);
        return nullptr;
    }
    switch (value.type()) {
        case Value::Type::Null:
            logf("Property list: cannot hold an empty value");
            return nullptr;
        case Value::Type::Object:
            logf("Property list: cannot hold the object %s", value.description().c_str());
            return nullptr;
        case Value::Type::Number: {
            const Number& number = *value.number();
            if (number.isBoolean()) return PlistHandle(plist_new_bool(number.boolValue() ? 1 : 0));
            if (number.isReal()) return PlistHandle(plist_new_real(number.doubleValue()));
            return integerNode(number);
        }
        case Value::Type::String: {
            const std::string& text = *value.string();
            if (text.find('\0') != std::string::npos) {
                logf("Property list: a text with a NUL character cannot be stored");
                return nullptr;
            }
            return PlistHandle(plist_new_string(text.c_str()));
        }
        case Value::Type::Data: {
            const Data& data = *value.data();
            return PlistHandle(plist_new_data(reinterpret_cast<const char*>(data.bytes()), data.size()));
        }
        case Value::Type::Date:
            return PropertyList::dateNode(value.date()->timeIntervalSinceReferenceDate());
        case Value::Type::Array: {
            PlistHandle array(plist_new_array());
            for (const Value& item : *value.array()) {
                PlistHandle child = nodeFromValueAt(item, depth + 1);
                if (!child) return nullptr;
                plist_array_append_item(array.get(), child.release());
            }
            return array;
        }
        case Value::Type::Dictionary: {
            const auto& dictionary = *value.dictionary();
            if (dictionary.size() == 1 && dictionary.begin()->first == kUIDKey) {
                const Number* reference = dictionary.begin()->second.number();
                if (reference && reference->isIntegral() && !reference->isBoolean())
                    return PlistHandle(plist_new_uid(reference->unsignedLongLongValue()));
            }
            PlistHandle dict(plist_new_dict());
            for (const auto& [key, item] : dictionary) {
                if (key.find('\0') != std::string::npos) {
                    logf("Property list: a key with a NUL character cannot be stored");
                    return nullptr;
                }
                PlistHandle child = nodeFromValueAt(item, depth + 1);
                if (!child) return nullptr;
                plist_dict_set_item(dict.get(), key.c_str(), child.release());
            }
            return dict;
        }
    }
    return nullptr;
}

std::optional<Value> valueFromNodeAt(plist_t node, int depth) {
    if (!node) return std::nullopt;
    if (depth > PropertyList::kMaximumDepth) {
        logf("Property list: nested deeper than %d levels; refused", PropertyList::kMaximumDepth);
        return std::nullopt;
    }
    plist_type type = plist_get_node_type(node);
    switch (type) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return Value(b != 0);
        }
        case PLIST_UINT:
            return Value(numberFromIntegerNode(node));
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return Value(d);
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            char* text = nullptr;
            if (type == PLIST_STRING)
                plist_get_string_val(node, &text);
            else
                plist_get_key_val(node, &text);
            std::string result = text ? text : "";
            std::free(text);
            return Value(std::move(result));
        }
        case PLIST_DATA: {
            char* bytes = nullptr;
            uint64_t length = 0;
            plist_get_data_val(node, &bytes, &length);
            Data data(bytes, bytes ? static_cast<size_t>(length) : 0);
            std::free(bytes);
            return Value(std::move(data));
        }
        case PLIST_DATE:
            return Value(Date::dateWithTimeIntervalSinceReferenceDate(
                PropertyList::dateNodeSecondsSinceReferenceDate(node)));
        case PLIST_UID: {
            uint64_t reference = 0;
            plist_get_uid_val(node, &reference);
            return Value(
                Value::Dictionary{{kUIDKey, Value(Number(static_cast<unsigned long long>(reference)))}});
        }
        case PLIST_ARRAY: {
            Value::Array array;
            uint32_t count = plist_array_get_size(node);
            array.reserve(count);
            for (uint32_t i = 0; i < count; ++i) {
                auto item = valueFromNodeAt(plist_array_get_item(node, i), depth + 1);
                if (!item) return std::nullopt;
                array.push_back(std::move(*item));
            }
            return Value(std::move(array));
        }
        case PLIST_DICT: {
            Value::Dictionary dictionary;
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            bool ok = true;
            while (iter) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, iter, &key, &item);
                if (!key || !item) {
                    std::free(key);
                    break;
                }
                auto itemValue = valueFromNodeAt(item, depth + 1);
                if (!itemValue) {
                    std::free(key);
                    ok = false;
                    break;
                }
                dictionary[key] = std::move(*itemValue);
                std::free(key);
            }
            std::free(iter);
            if (!ok) return std::nullopt;
            return Value(std::move(dictionary));
        }
        default:
            logf("Property list: a node of type %s holds no value", typeName(type));
            return std::nullopt;
    }
}

}  // namespace

double PropertyList::dateNodeSecondsSinceReferenceDate(plist_t node) {
    int32_t seconds = 0, micros = 0;
    plist_get_date_val(node, &seconds, &micros);
    // libplist 2.2 answers the whole seconds rounded towards zero and the fraction without its sign.
    double fraction = std::fabs(static_cast<double>(micros)) / 1e6;
    return seconds < 0 ? static_cast<double>(seconds) - fraction : static_cast<double>(seconds) + fraction;
}

PlistHandle PropertyList::dateNode(double secondsSinceReferenceDate) {
    double value = secondsSinceReferenceDate;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    if (!std::isfinite(value) || value < lowest || value > highest) {
        logf("Property list: date %.0f s from 2001 is outside the range a property-list date holds; clamped",
             value);
        value = std::isnan(value) ? 0 : std::fmax(lowest, std::fmin(highest, value));
    }
    double whole = std::trunc(value);
    int32_t micros = static_cast<int32_t>(std::lround((value - whole) * 1e6));
    int32_t seconds = static_cast<int32_t>(whole);
    if (micros >= 1000000 || micros <= -1000000) {
        seconds += micros / 1000000;
        micros %= 1000000;
    }
    return PlistHandle(plist_new_date(seconds, micros));
}

PlistHandle PropertyList::nodeFromValue(const Value& value) {
    return nodeFromValueAt(value, 0);
}

std::optional<Value> PropertyList::valueFromNode(plist_t node) {
    return valueFromNodeAt(node, 0);
}

PlistHandle PropertyList::parse(const Data& data, Format* format) {
    if (data.size() < 8 || data.size() > std::numeric_limits<uint32_t>::max()) {
        logf("Property list: %zu bytes are no property list", data.size());
        return nullptr;
    }
    const char* bytes = reinterpret_cast<const char*>(data.bytes());
    uint32_t length = static_cast<uint32_t>(data.size());
    bool binary = plist_is_binary(bytes, length) != 0;
    plist_t node = nullptr;
    if (binary) {
        plist_from_bin(bytes, length, &node);
    } else {
        plist_from_xml(bytes, length, &node);
    }
    if (!node) {
        logf("Property list: %u bytes could not be read as a%s property list", length,
             binary ? " binary" : "n XML");
        return nullptr;
    }
    if (format) *format = binary ? Format::Binary : Format::XML;
    return PlistHandle(node);
}

std::optional<Data> PropertyList::serialize(plist_t node, Format format) {
    if (!node) return std::nullopt;
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == Format::XML) {
        plist_to_xml(node, &bytes, &length);
    } else {
        plist_to_bin(node, &bytes, &length);
    }
    if (!bytes) {
        logf("Property list: could not write the %s form", format == Format::XML ? "XML" : "binary");
        return std::nullopt;
    }
    Data data(bytes, length);
    if (format == Format::XML) {
        plist_to_xml_free(bytes);
    } else {
        plist_to_bin_free(bytes);
    }
    return data;
}

std::optional<Data> PropertyList::dataFromValue(const Value& value, Format format) {
    PlistHandle node = nodeFromValue(value);
    if (!node) return std::nullopt;
    return serialize(node.get(), format);
}

std::optional<Value> PropertyList::valueFromData(const Data& data, Format* format) {
    PlistHandle node = parse(data, format);
    if (!node) return std::nullopt;
    return valueFromNode(node.get());
}

}  // namespace platform
