#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

// Builds the kit's request addresses piece by piece: a base, path components (escaped or as given) and
// query parameters. One builder per address.
class RKTURLBuilder {
public:
    static std::shared_ptr<RKTURLBuilder> URLWithBase(const std::string& base);

    RKTURLBuilder() = default;

    void appendComponent(const std::string& component);
    void escapeAndAppendComponent(const std::string& component);
    // Percent-escapes (UTF-8, upper-case hex) every byte that may not stand in an address; letters,
    // digits and the characters - . _ ~ ! $ & ' ( ) * + , / : ; = ? @ stay as they are, so reserved
    // characters keep their meaning.
    std::string escapeString(const std::string& text) const;
    // Nothing for a null value; otherwise "?" for the first parameter and "&" after it, the name as
    // given, "=", and the value escaped (a value that is no text in its text form).
    void appendValue_forQueryParam(const platform::Value& value, const std::string& name);
    // The built address, or none when it is not a well-formed one (a byte that needed escaping was
    // appended unescaped, a broken percent escape, or nothing at all).
    std::optional<std::string> URL() const;

    const std::string& URLString() const { return URLString_; }
    unsigned long queryParams() const { return queryParams_; }

private:
    std::string URLString_;
    unsigned long queryParams_ = 0;
};

}  // namespace reporting
