#include "link/NMShortStringCoder.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <typeindex>
#include <unordered_map>

#include "platform/base/Log.h"
#include "platform/base/Number.h"

namespace kestrune {

namespace {

// Payload records nest a few levels at most; a deeper walk can only come from a type that contains
// itself, and is cut off rather than overflow the stack.
constexpr int kMaximumNesting = 16;

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string numberText(const platform::Value& value) {
    const platform::Number* number = value.number();
    return number ? number->stringValue() : std::string();
}

std::string setterName(const std::string& name) {
    std::string setter = "set" + name + ":";
    if (setter.size() > 4) setter[3] = static_cast<char>(toupper(static_cast<unsigned char>(setter[3])));
    return setter;
}

}  // namespace

int32_t NMShortStringCoder::leadingInt32(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so no text can overflow.
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= static_cast<int64_t>(INT32_MAX) + 1) magnitude = magnitude * 10 + (text[i] - '0');
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::vector<std::string_view> NMShortStringCoder::splitParts(std::string_view text,
                                                             std::string_view separator) {
    std::vector<std::string_view> parts;
    if (separator.empty()) {
        parts.push_back(text);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

std::string NMShortStringCoder::propertyTypeStringOfProperty(const PayloadRecord::Property& property) {
    const std::string& kind = property.kind;
    if (kind.empty() || kind == PayloadRecord::kPrimitiveKind) return PayloadRecord::kPrimitiveKind;
    if (kind.find("NSString") != std::string::npos) return PayloadRecord::kStringKind;
    if (kind.find("NSNumber") != std::string::npos) return PayloadRecord::kNumberKind;
    return kind;
}

const std::vector<PropertyDescription>& NMShortStringCoder::getAllFirstLeverProperties(
    const PayloadRecord& object) {
    // A type's fields never change, so each type's sorted list is made once and kept for the process.
    static std::mutex mutex;
    static auto* sorted = new std::unordered_map<std::type_index, std::vector<PropertyDescription>>;
    std::type_index type(typeid(object));
    std::lock_guard lock(mutex);
    auto found = sorted->find(type);
    if (found != sorted->end()) return found->second;
    std::vector<PropertyDescription> list;
    for (const auto& property : object.declaredProperties())
        list.emplace_back(property.name, propertyTypeStringOfProperty(property));
    std::stable_sort(
        list.begin(), list.end(),
        [](const PropertyDescription& a, const PropertyDescription& b) { return a.compare(b) < 0; });
    return sorted->emplace(type, std::move(list)).first->second;
}

platform::Value NMShortStringCoder::getPropertyWithName_withProperty_forObject(const std::string& name,
                                                                               const PayloadRecord& object) {
    platform::Value value = object.valueForProperty(name);
    return value.isNull() ? platform::Value("") : value;
}

std::string NMShortStringCoder::getStringValueForProperty_forObject(const PropertyDescription& property,
                                                                    const PayloadRecord& object) {
    std::string out;
    const std::string& kind = property.propertyType;
    platform::Value value = object.valueForProperty(property.propertyName);
    if (kind == PayloadRecord::kPrimitiveKind) {
        out = value.number() ? numberText(value) : std::string("0");
    } else if (kind == PayloadRecord::kNumberKind) {
        out = numberText(value);
    } else if (kind == PayloadRecord::kStringKind) {
        if (const std::string* text = value.string()) out = *text;
    } else if (auto nested = PayloadRecord::payloadRecordIn(value)) {
        appendRecord(out, *nested, 1);
    } else {
        platform::logf("Warning: encoding object is nil");
        out = kEmptyRecordMark;
    }
    return out;
}

void NMShortStringCoder::appendRecord(std::string& out, const PayloadRecord& record, int depth) {
    bool first = true;
    for (const auto& property : getAllFirstLeverProperties(record)) {
        if (!first) out += kFieldSeparator;
        first = false;
        const std::string& kind = property.propertyType;
        if (kind == PayloadRecord::kStringKind) {
            platform::Value value = record.valueForProperty(property.propertyName);
            if (const std::string* text = value.string()) out += *text;
        } else if (kind == PayloadRecord::kNumberKind) {
            out += numberText(record.valueForProperty(property.propertyName));
        } else if (kind == PayloadRecord::kPrimitiveKind) {
            platform::Value value = record.valueForProperty(property.propertyName);
            out += value.number() ? numberText(value) : std::string("0");
        } else {
            auto nested = PayloadRecord::payloadRecordIn(record.valueForProperty(property.propertyName));
            if (!nested || depth >= kMaximumNesting) {
                platform::logf("Warning: encoding object is nil");
                out += kEmptyRecordMark;
            } else {
                appendRecord(out, *nested, depth + 1);
            }
        }
    }
}

std::vector<std::string> NMShortStringCoder::getArrayOfValuesObject(const PayloadRecord& object) {
    std::vector<std::string> values;
    for (const auto& property : getAllFirstLeverProperties(object))
        values.push_back(getStringValueForProperty_forObject(property, object));
    return values;
}

std::string NMShortStringCoder::shortStringEncodeForObject(const platform::Value& object) {
    if (const std::string* text = object.string()) return *text;
    if (object.number()) return numberText(object);
    std::string out;
    if (auto record = PayloadRecord::payloadRecordIn(object)) appendRecord(out, *record, 0);
    return out;
}

void NMShortStringCoder::setProperty_toPropertyWithName_forObject(const platform::Value& value,
                                                                  const std::string& name,
                                                                  PayloadRecord& object) {
    if (!object.setValueForProperty(name, value))
        platform::logf("ERROR: can not find setter %s", setterName(name).c_str());
}

void NMShortStringCoder::setValue_toPropertyWithName_forObject(const platform::Value& value,
                                                               const std::string& name,
                                                               PayloadRecord& object) {
    if (!object.setValueForProperty(name, value))
        platform::logf("ERROR: can not find setter %s", setterName(name).c_str());
}

std::shared_ptr<platform::Object> NMShortStringCoder::shortStringDecodeToArray2_forClass(
    const std::vector<std::string_view>& parts, size_t& next, const std::string& className) {
    return decodeRecord(parts, next, className, 0);
}

std::shared_ptr<platform::Object> NMShortStringCoder::decodeRecord(const std::vector<std::string_view>& parts,
                                                                   size_t& next, const std::string& className,
                                                                   int depth) {
    std::shared_ptr<platform::Object> made = PayloadRecord::recordWithClassName(className);
    auto record = std::dynamic_pointer_cast<PayloadRecord>(made);
    if (!record) {
        platform::logf("Error: no payload record type named %s", className.c_str());
        return nullptr;
    }
    for (const auto& property : getAllFirstLeverProperties(*record)) {
        const std::string& name = property.propertyName;
        const std::string& kind = property.propertyType;
        if (next >= parts.size()) {
            platform::logf("Error: attribute for property not found: %s", name.c_str());
            continue;
        }
        std::string_view part = parts[next];
        if (part == kEmptyRecordMark) {
            setProperty_toPropertyWithName_forObject(platform::Value(), name, *record);
            ++next;
        } else if (kind == PayloadRecord::kStringKind) {
            setProperty_toPropertyWithName_forObject(platform::Value(part), name, *record);
            ++next;
        } else if (kind == PayloadRecord::kNumberKind) {
            setProperty_toPropertyWithName_forObject(platform::Number(leadingInt32(part)), name, *record);
            ++next;
        } else if (kind == PayloadRecord::kPrimitiveKind) {
            setValue_toPropertyWithName_forObject(platform::Number(leadingInt32(part)), name, *record);
            ++next;
        } else if (depth >= kMaximumNesting) {
            platform::logf("Error: records nested too deep at %s", name.c_str());
            return made;
        } else {
            setProperty_toPropertyWithName_forObject(decodeRecord(parts, next, kind, depth + 1), name,
                                                     *record);
        }
    }
    return made;
}

std::shared_ptr<platform::Object> NMShortStringCoder::shortStringDecode_forClass(
    std::string_view text, const std::string& className) {
    std::vector<std::string_view> parts = splitParts(text, kFieldSeparator);
    size_t next = 0;
    return decodeRecord(parts, next, className, 0);
}

}  // namespace kestrune
