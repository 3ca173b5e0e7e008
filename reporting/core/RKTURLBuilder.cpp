#include "reporting/core/RKTURLBuilder.h"

#include <cctype>

namespace reporting {

namespace {

bool isAlphanumeric(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The characters the escaping leaves alone: unreserved and reserved ones, so "/", "?", "&", "=" and "+"
// keep their meaning in whatever the caller escapes.
bool staysUnescaped(unsigned char c) {
    if (isAlphanumeric(c)) return true;
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case '!':
        case '$':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case '/':
        case ':':
        case ';':
        case '=':
        case '?':
        case '@':
            return true;
        default:
            return false;
    }
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

std::string queryTextOf(const platform::Value& value) {
    if (const auto* text = value.string()) return *text;
    if (const auto* number = value.number()) return number->stringValue();
    return value.description();
}

}  // namespace

std::shared_ptr<RKTURLBuilder> RKTURLBuilder::URLWithBase(const std::string& base) {
    auto builder = std::make_shared<RKTURLBuilder>();
    builder->URLString_ = base;
    return builder;
}

void RKTURLBuilder::appendComponent(const std::string& component) {
    URLString_ += component;
}

void RKTURLBuilder::escapeAndAppendComponent(const std::string& component) {
    URLString_ += escapeString(component);
}

std::string RKTURLBuilder::escapeString(const std::string& text) const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (unsigned char c : text) {
        if (staysUnescaped(c)) {
            escaped.push_back(static_cast<char>(c));
        } else {
            escaped.push_back('%');
            escaped.push_back(kHex[c >> 4]);
            escaped.push_back(kHex[c & 0x0F]);
        }
    }
    return escaped;
}

void RKTURLBuilder::appendValue_forQueryParam(const platform::Value& value, const std::string& name) {
    if (value.isNull()) return;
    URLString_ += queryParams_ == 0 ? "?" : "&";
    ++queryParams_;
    URLString_ += name;
    URLString_ += "=";
    URLString_ += escapeString(queryTextOf(value));
}

std::optional<std::string> RKTURLBuilder::URL() const {
    if (URLString_.empty()) return std::nullopt;
    bool fragment = false;
    for (size_t i = 0; i < URLString_.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(URLString_[i]);
        if (staysUnescaped(c) || c == '[' || c == ']') continue;
        if (c == '#' && !fragment) {
            fragment = true;
            continue;
        }
        if (c == '%' && i + 2 < URLString_.size() && isHexDigit(URLString_[i + 1]) &&
            isHexDigit(URLString_[i + 2])) {
            i += 2;
            continue;
        }
        return std::nullopt;
    }
    return URLString_;
}

}  // namespace reporting
