#include "platform/storage/PropertyList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/BinaryPropertyListWriter.h"

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

// libplist writes a text that is not valid UTF-8 as an empty one, and then cannot read its own file, so
// a text goes in and comes out as valid UTF-8: what cannot be decoded becomes U+FFFD.
std::string validText(const std::string& text) {
    if (isValidUTF8(text)) return text;
    logf("Property list: a text that is not valid UTF-8 was repaired");
    return fromUTF16(toUTF16(text));
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
            return PlistHandle(plist_new_string(validText(text).c_str()));
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
                plist_dict_set_item(dict.get(), validText(key).c_str(), child.release());
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
            if (type == PLIST_STRING) {
                uint64_t length = 0;
                const char* text = plist_get_string_ptr(node, &length);
                return Value(
                    validText(text ? std::string(text, static_cast<size_t>(length)) : std::string()));
            }
            char* text = nullptr;
            plist_get_key_val(node, &text);
            std::string result = validText(text ? text : "");
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
            auto items = PropertyList::arrayItems(node);
            array.reserve(items.size());
            for (plist_t each : items) {
                auto item = valueFromNodeAt(each, depth + 1);
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
                dictionary[validText(key)] = std::move(*itemValue);
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

// libplist 2.2 parses nested containers by recursion and copies an object each time it is referenced,
// so a small hostile file can exhaust the stack or the memory before the parser returns. These checks
// walk the file's structure first, without recursion, and refuse what is too deep or expands too far:
// beyond this many objects, or beyond twice the objects the file itself holds, whichever is more. So a
// large file whose objects are each used about once (a long history) reads whole, in memory that grows
// with its size, while a small one that refers to the same objects over and over is refused.
constexpr uint64_t kMaximumNodes = 1u << 20;
constexpr uint64_t kMaximumExpansion = 2;

uint64_t readBigEndian(const uint8_t* bytes, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    return value;
}

bool binaryStructureIsSafe(const uint8_t* bytes, size_t size, std::string& problem) {
    if (size < 8 + 32) {
        problem = "too short for a binary property list";
        return false;
    }
    const uint8_t* trailer = bytes + size - 32;
    size_t offsetSize = trailer[6], referenceSize = trailer[7];
    uint64_t objectCount = readBigEndian(trailer + 8, 8);
    uint64_t top = readBigEndian(trailer + 16, 8);
    uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    size_t body = size - 32;
    if (offsetSize < 1 || offsetSize > 8 || referenceSize < 1 || referenceSize > 8 || objectCount == 0 ||
        top >= objectCount || tableOffset < 8 || tableOffset > body ||
        objectCount > (body - tableOffset) / offsetSize) {
        problem = "damaged trailer";
        return false;
    }
    const uint64_t limit = std::max(kMaximumNodes, kMaximumExpansion * objectCount);
    auto offsetOf = [&](uint64_t object) {
        return readBigEndian(bytes + tableOffset + object * offsetSize, offsetSize);
    };
    // The element count of the object at `at` and where its contents begin.
    auto countOf = [&](uint64_t at, uint64_t& count, uint64_t& contents) {
        count = bytes[at] & 0x0F;
        contents = at + 1;
        if (count != 0x0F) return true;
        if (contents >= tableOffset || (bytes[contents] >> 4) != 0x1) return false;
        size_t width = size_t(1) << (bytes[contents] & 0x0F);
        if (width > 8 || contents + 1 + width > tableOffset) return false;
        count = readBigEndian(bytes + contents + 1, width);
        contents += 1 + width;
        return count <= tableOffset;
    };
    // The references of a container object, or false when the object is malformed; other objects have none.
    auto childrenOf = [&](uint64_t object, std::vector<uint64_t>& children) {
        children.clear();
        uint64_t at = offsetOf(object);
        if (at < 8 || at >= tableOffset) return false;
        uint8_t kind = bytes[at] >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) return true;
        uint64_t count = 0, next = 0;
        if (!countOf(at, count, next)) return false;
        uint64_t references = kind == 0xD ? count * 2 : count;
        if (references > (tableOffset - next) / referenceSize) return false;
        children.reserve(static_cast<size_t>(references));
        for (uint64_t i = 0; i < references; ++i) {
            uint64_t child = readBigEndian(bytes + next + i * referenceSize, referenceSize);
            if (child >= objectCount) return false;
            children.push_back(child);
        }
        return true;
    };
    // libplist 2.2 aborts the process (an assertion) when a text or key it hands out holds a NUL
    // character, so such files are refused here.
    for (uint64_t object = 0; object < objectCount; ++object) {
        uint64_t at = offsetOf(object);
        if (at < 8 || at >= tableOffset) continue;  // the walk below refuses it if it is used
        uint8_t kind = bytes[at] >> 4;
        if (kind != 0x5 && kind != 0x6) continue;
        uint64_t count = 0, contents = 0;
        if (!countOf(at, count, contents)) continue;
        size_t unit = kind == 0x5 ? 1 : 2;
        if (count > (tableOffset - contents) / unit) continue;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* character = bytes + contents + i * unit;
            if (character[0] == 0 && (unit == 1 || character[1] == 0)) {
                problem = "a text holds a NUL character";
                return false;
            }
        }
    }

    enum : uint8_t { Unvisited, Open, Done };
    std::vector<uint8_t> state(static_cast<size_t>(objectCount), Unvisited);
    std::vector<uint32_t> depth(static_cast<size_t>(objectCount), 0);
    std::vector<uint64_t> nodes(static_cast<size_t>(objectCount), 0);
    struct Frame {
        uint64_t object;
        std::vector<uint64_t> children;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    auto open = [&](uint64_t object) {
        Frame frame{object, {}, 0};
        if (!childrenOf(object, frame.children)) return false;
        state[object] = Open;
        stack.push_back(std::move(frame));
        return true;
    };
    if (!open(top)) {
        problem = "damaged object";
        return false;
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.children.size()) {
            uint64_t child = frame.children[frame.next++];
            if (state[child] == Open) {
                problem = "an object contains itself";
                return false;
            }
            if (state[child] == Unvisited) {
                if (stack.size() > static_cast<size_t>(PropertyList::kMaximumDepth)) {
                    problem = "nested too deep";
                    return false;
                }
                if (!open(child)) {
                    problem = "damaged object";
                    return false;
                }
            }
            continue;
        }
        uint32_t deepest = 0;
        uint64_t total = 1;
        for (uint64_t child : frame.children) {
            deepest = std::max(deepest, depth[child] + 1);
            total = std::min(limit + 1, total + nodes[child]);
        }
        if (deepest > static_cast<uint32_t>(PropertyList::kMaximumDepth)) {
            problem = "nested too deep";
            return false;
        }
        if (total > limit) {
            problem = "expands to too many objects";
            return false;
        }
        depth[frame.object] = deepest;
        nodes[frame.object] = total;
        state[frame.object] = Done;
        stack.pop_back();
    }
    return true;
}

// Counts the nesting of containers in an XML property list; markup that is not an element (comments,
// character data, declarations) is skipped.
bool xmlNestingIsSafe(std::string_view text, std::string& problem) {
    int depth = 0;
    size_t at = 0;
    auto skipPast = [&](std::string_view end) {
        size_t found = text.find(end, at);
        at = found == std::string_view::npos ? text.size() : found + end.size();
    };
    while ((at = text.find('<', at)) != std::string_view::npos) {
        std::string_view rest = text.substr(at);
        if (rest.substr(0, 4) == "<!--") {
            skipPast("-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            skipPast("]]>");
        } else if (rest.substr(0, 2) == "<!" || rest.substr(0, 2) == "<?") {
            skipPast(">");
        } else {
            bool closing = rest.substr(0, 2) == "</";
            size_t nameStart = closing ? 2 : 1;
            size_t end = rest.find('>');
            if (end == std::string_view::npos) break;
            std::string_view tag = rest.substr(nameStart, end - nameStart);
            bool selfClosing = !tag.empty() && tag.back() == '/';
            std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
            if ((name == "array" || name == "dict") && !selfClosing) {
                depth += closing ? -1 : 1;
                if (depth > PropertyList::kMaximumDepth) {
                    problem = "nested too deep";
                    return false;
                }
            }
            at += end + 1;
        }
    }
    return true;
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

std::vector<plist_t> PropertyList::arrayItems(plist_t array) {
    std::vector<plist_t> items;
    if (!array || plist_get_node_type(array) != PLIST_ARRAY) return items;
    items.reserve(plist_array_get_size(array));
    plist_array_iter iter = nullptr;
    plist_array_new_iter(array, &iter);
    while (iter) {
        plist_t item = nullptr;
        plist_array_next_item(array, iter, &item);
        if (!item) break;
        items.push_back(item);
    }
    std::free(iter);
    return items;
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
    std::string problem;
    bool safe = binary ? binaryStructureIsSafe(data.bytes(), data.size(), problem)
                       : xmlNestingIsSafe(std::string_view(bytes, length), problem);
    if (!safe) {
        logf("Property list: %u bytes refused (%s)", length, problem.c_str());
        return nullptr;
    }
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
    if (format == Format::Binary) {
        auto data = BinaryPropertyListWriter::write(node);
        if (!data) logf("Property list: could not write the binary form");
        return data;
    }
    plist_to_xml(node, &bytes, &length);
    if (!bytes) {
        logf("Property list: could not write the XML form");
        return std::nullopt;
    }
    Data data(bytes, length);
    plist_to_xml_free(bytes);
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
