#include "reporting/UsageKit/events/USKJSON.h"

#include <cmath>
#include <cstdio>

#include "platform/base/DecimalNumber.h"
#include "platform/base/Strings.h"

namespace reporting {

namespace {

bool appendString(std::string& out, const std::string& text) {
    if (!platform::isValidUTF8(text)) return false;
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '/':
                out += "\\/";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return true;
}

bool append(std::string& out, const platform::Value& value, int depth) {
    if (depth > 64) return false;
    switch (value.type()) {
        case platform::Value::Type::Null:
            out += "null";
            return true;
        case platform::Value::Type::Number: {
            const platform::Number& n = *value.number();
            if (n.isBoolean()) {
                out += n.boolValue() ? "true" : "false";
                return true;
            }
            if (n.isReal() && !std::isfinite(n.doubleValue())) return false;
            out += n.stringValue();
            return true;
        }
        case platform::Value::Type::String:
            return appendString(out, *value.string());
        case platform::Value::Type::Array: {
            out += '[';
            bool first = true;
            for (const auto& element : *value.array()) {
                if (!first) out += ',';
                first = false;
                if (!append(out, element, depth + 1)) return false;
            }
            out += ']';
            return true;
        }
        case platform::Value::Type::Dictionary: {
            out += '{';
            bool first = true;
            for (const auto& [key, element] : *value.dictionary()) {
                if (!first) out += ',';
                first = false;
                if (!appendString(out, key)) return false;
                out += ':';
                if (!append(out, element, depth + 1)) return false;
            }
            out += '}';
            return true;
        }
        case platform::Value::Type::Object: {
            auto decimal = value.objectAs<platform::DecimalNumber>();
            if (!decimal || decimal->isNaN()) return false;
            out += decimal->stringValue();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::optional<std::string> USKJSONString(const platform::Value& value) {
    std::string out;
    if (!append(out, value, 0)) return std::nullopt;
    return out;
}

}  // namespace reporting
