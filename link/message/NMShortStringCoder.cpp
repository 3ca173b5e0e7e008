#include "link/message/NMShortStringCoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <typeinfo>
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

// The payload view of a record held as an object. The cross-cast through the class hierarchy is the
// costliest step of coding a record, and its answer depends only on the record's type: it is made once
// per type and thread, and then taken as the distance between the object and its payload view, which
// is the same for every object of one most-derived type.
const PayloadRecord* payloadView(const platform::Object* object) {
    if (!object) return nullptr;
    thread_local std::unordered_map<const std::type_info*, std::ptrdiff_t> offsets;
    const std::type_info* type = &typeid(*object);
    auto known = offsets.find(type);
    const auto* base = reinterpret_cast<const char*>(object);
    if (known != offsets.end()) {
        if (known->second == PTRDIFF_MIN) return nullptr;
        return reinterpret_cast<const PayloadRecord*>(base + known->second);
    }
    const auto* view = dynamic_cast<const PayloadRecord*>(object);
    offsets.emplace(type, view ? reinterpret_cast<const char*>(view) - base : PTRDIFF_MIN);
    return view;
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
    parts.reserve(16);
    if (separator.empty()) {
        parts.push_back(text);
        return parts;
    }
    // Separators are a few bytes; find each by its first byte and compare the rest in place.
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* start = begin;
    const char* at = begin;
    while (static_cast<size_t>(end - at) >= separator.size()) {
        const void* found = memchr(at, separator[0], static_cast<size_t>(end - at) - separator.size() + 1);
        if (!found) break;
        at = static_cast<const char*>(found);
        size_t i = 1;
        while (i < separator.size() && at[i] == separator[i]) ++i;
        if (i == separator.size()) {
            parts.emplace_back(start, static_cast<size_t>(at - start));
            at += separator.size();
            start = at;
        } else {
            ++at;
        }
    }
    parts.emplace_back(start, static_cast<size_t>(end - start));
    return parts;
}

std::string NMShortStringCoder::propertyTypeStringOfProperty(const PayloadRecord::Property& property) {
    const std::string& kind = property.kind;
    if (kind.empty() || kind == PayloadRecord::kPrimitiveKind) return PayloadRecord::kPrimitiveKind;
    if (kind.find("NSString") != std::string::npos) return PayloadRecord::kStringKind;
    if (kind.find("NSNumber") != std::string::npos) return PayloadRecord::kNumberKind;
    return kind;
}

const NMShortStringCoder::TypeFields& NMShortStringCoder::fieldsOf(const PayloadRecord& object) {
    // A type's fields never change, so each type's sorted list is made once and kept for the process.
    // The type's identity is its type_info object, which lives as long as the program; each thread
    // keeps its own index in front of the shared table so that coding takes no lock.
    using Table = std::unordered_map<const std::type_info*, const TypeFields*>;
    static std::mutex mutex;
    static auto* shared = new Table;
    thread_local Table local;
    const std::type_info* type = &typeid(object);
    auto known = local.find(type);
    if (known != local.end()) return *known->second;

    std::lock_guard lock(mutex);
    auto found = shared->find(type);
    if (found == shared->end()) {
        auto* fields = new TypeFields;
        const auto& declared = object.declaredProperties();
        std::vector<size_t> order(declared.size());
        std::vector<PropertyDescription> unsorted;
        for (size_t i = 0; i < declared.size(); ++i) {
            order[i] = i;
            unsorted.emplace_back(declared[i].name, propertyTypeStringOfProperty(declared[i]));
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return unsorted[a].compare(unsorted[b]) < 0; });
        for (size_t i : order) {
            fields->descriptions.push_back(unsorted[i]);
            fields->declaredIndex.push_back(i);
        }
        for (const auto& description : fields->descriptions) {
            const std::string& kind = description.propertyType;
            fields->kinds.push_back(kind == PayloadRecord::kStringKind      ? FieldKind::Text
                                    : kind == PayloadRecord::kNumberKind    ? FieldKind::Number
                                    : kind == PayloadRecord::kPrimitiveKind ? FieldKind::Primitive
                                                                            : FieldKind::Record);
        }
        found = shared->emplace(type, fields).first;
    }
    local.emplace(type, found->second);
    return *found->second;
}

const std::vector<PropertyDescription>& NMShortStringCoder::getAllFirstLeverProperties(
    const PayloadRecord& object) {
    return fieldsOf(object).descriptions;
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
    const TypeFields& fields = fieldsOf(record);
    for (size_t i = 0; i < fields.kinds.size(); ++i) {
        if (i > 0) out += kFieldSeparator;
        platform::Value value = record.valueForPropertyAtIndex(fields.declaredIndex[i]);
        switch (fields.kinds[i]) {
            case FieldKind::Text:
                if (const std::string* text = value.string()) out += *text;
                break;
            case FieldKind::Number:
                if (const platform::Number* number = value.number()) out += number->stringValue();
                break;
            case FieldKind::Primitive:
                out += value.number() ? value.number()->stringValue() : std::string("0");
                break;
            case FieldKind::Record: {
                platform::Value::ObjectPtr object = value.object();
                const PayloadRecord* nested = payloadView(object.get());
                if (!nested || depth >= kMaximumNesting) {
                    platform::logf("Warning: encoding object is nil");
                    out += kEmptyRecordMark;
                } else {
                    appendRecord(out, *nested, depth + 1);
                }
                break;
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

void NMShortStringCoder::appendEncodingOfObject(std::string& out, const platform::Value& object) {
    if (const std::string* text = object.string()) {
        out += *text;
    } else if (const platform::Number* number = object.number()) {
        out += number->stringValue();
    } else if (auto record = PayloadRecord::payloadRecordIn(object)) {
        appendRecord(out, *record, 0);
    }
}

std::string NMShortStringCoder::shortStringEncodeForObject(const platform::Value& object) {
    std::string out;
    appendEncodingOfObject(out, object);
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
    auto* record = const_cast<PayloadRecord*>(payloadView(made.get()));
    if (!record) {
        platform::logf("Error: no payload record type named %s", className.c_str());
        return nullptr;
    }
    const TypeFields& fields = fieldsOf(*record);
    for (size_t i = 0; i < fields.kinds.size(); ++i) {
        const PropertyDescription& property = fields.descriptions[i];
        const std::string& name = property.propertyName;
        const size_t index = fields.declaredIndex[i];
        auto set = [&](const platform::Value& value) {
            if (!record->setValueForPropertyAtIndex(index, value))
                platform::logf("ERROR: can not find setter %s", setterName(name).c_str());
        };
        if (next >= parts.size()) {
            platform::logf("Error: attribute for property not found: %s", name.c_str());
            continue;
        }
        std::string_view part = parts[next];
        if (part.size() == sizeof kEmptyRecordMark - 1 && part == kEmptyRecordMark) {
            set(platform::Value());
            ++next;
            continue;
        }
        switch (fields.kinds[i]) {
            case FieldKind::Text:
                set(platform::Value(part));
                ++next;
                break;
            case FieldKind::Number:
                set(platform::Number(leadingInt32(part)));
                ++next;
                break;
            case FieldKind::Primitive:
                set(platform::Number(leadingInt32(part)));
                ++next;
                break;
            case FieldKind::Record:
                if (depth >= kMaximumNesting) {
                    platform::logf("Error: records nested too deep at %s", name.c_str());
                    return made;
                }
                set(decodeRecord(parts, next, property.propertyType, depth + 1));
                break;
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
