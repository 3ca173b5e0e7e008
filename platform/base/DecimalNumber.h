#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Object.h"

namespace platform {

// An exact decimal number: sign, up to 38 significant digits and a power of ten, the shape in which
// prices travel. Arithmetic on it is exact or refused, never rounded through binary floating point, so
// 9.99 × 10^6 is 9990000 and its JSON text is exactly that. It may travel inside a Value as an object.
class DecimalNumber : public Object {
public:
    static constexpr int kMaximumDigits = 38;
    static constexpr int kMaximumExponent = 127;
    static constexpr int kMinimumExponent = -128;

    // Parses "[-+]digits[.digits][e[-+]digits]"; none for anything else or a value outside the range.
    static std::optional<DecimalNumber> fromString(std::string_view text);
    static DecimalNumber notANumber();
    // The largest value: 38 nines followed by 127 zeros.
    static DecimalNumber maximum();

    DecimalNumber() = default;  // zero
    DecimalNumber(bool negative, std::string digits, int exponent);

    bool isNaN() const { return nan_; }
    bool isNegative() const { return negative_; }
    // Multiplies by 10^power exactly; none when the result leaves the range.
    std::optional<DecimalNumber> multiplyingByPowerOf10(int power) const;
    // Divides by a power of ten exactly (the exponent moves); none when it leaves the range.
    std::optional<DecimalNumber> dividingByPowerOf10(int power) const {
        return multiplyingByPowerOf10(-power);
    }
    // NaN compares unordered with everything.
    std::partial_ordering compare(const DecimalNumber& other) const;
    bool operator==(const DecimalNumber& other) const {
        return compare(other) == std::partial_ordering::equivalent;
    }
    // Plain decimal text without an exponent ("9990000", "-0.25", "0"); "NaN" for not-a-number. This is
    // also its JSON text.
    std::string stringValue() const;
    double doubleValue() const;

    std::string className() const override { return "NSDecimalNumber"; }

private:
    void normalize();
    bool nan_ = false;
    bool negative_ = false;
    std::string digits_;  // significant digits without leading or trailing zeros; empty for zero
    int exponent_ = 0;    // value = digits × 10^exponent
};

}  // namespace platform
