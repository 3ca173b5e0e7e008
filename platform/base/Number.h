#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A stored or transmitted number: a boolean, a signed or unsigned integer or a real, remembering which
// so that it prints the way the phone and the stored files expect (60, -56, 1 for YES, 0.5).
class Number {
public:
    enum class Kind { Boolean, Integer, Unsigned, Real };

    Number() : kind_(Kind::Integer), i_(0) {}
    Number(bool b) : kind_(Kind::Boolean), i_(b ? 1 : 0) {}
    Number(int v) : kind_(Kind::Integer), i_(v) {}
    Number(long v) : kind_(Kind::Integer), i_(v) {}
    Number(long long v) : kind_(Kind::Integer), i_(v) {}
    Number(unsigned v) : kind_(Kind::Integer), i_(v) {}
    Number(unsigned long v) { setUnsigned(v); }
    Number(unsigned long long v) { setUnsigned(v); }
    Number(double v) : kind_(Kind::Real), d_(v) {}
    Number(float v) : kind_(Kind::Real), d_(v) {}

    Kind kind() const { return kind_; }
    bool isBoolean() const { return kind_ == Kind::Boolean; }
    bool isReal() const { return kind_ == Kind::Real; }
    bool isIntegral() const { return kind_ != Kind::Real; }

    // Conversions follow the C rules the phone's side also uses for integers (a 64-bit value read as
    // 32 bits keeps its low 32 bits); reals saturate instead of invoking undefined behaviour.
    bool boolValue() const;
    int32_t intValue() const;
    uint32_t unsignedIntValue() const;
    int64_t longLongValue() const;
    uint64_t unsignedLongLongValue() const;
    double doubleValue() const;

    // Decimal text: whole numbers without a fraction point, booleans as 1 or 0, other reals with the
    // shortest digits that read back to the same value.
    std::string stringValue() const;

    // Parses a decimal number text (optional sign, digits, optional fraction and exponent), with
    // surrounding blanks allowed; none for anything else. Integers too large for 64 bits become reals.
    static std::optional<Number> parse(std::string_view text);

    std::partial_ordering compare(const Number& other) const;
    bool operator==(const Number& other) const { return compare(other) == std::partial_ordering::equivalent; }

private:
    void setUnsigned(unsigned long long v);

    Kind kind_;
    union {
        int64_t i_;
        uint64_t u_;
        double d_;
    };
};

}  // namespace platform
