#include "platform/base/DecimalNumber.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace platform {

DecimalNumber::DecimalNumber(bool negative, std::string digits, int exponent)
    : negative_(negative), digits_(std::move(digits)), exponent_(exponent) {
    normalize();
}

void DecimalNumber::normalize() {
    size_t first = digits_.find_first_not_of('0');
    if (first == std::string::npos) {
        digits_.clear();
        exponent_ = 0;
        negative_ = false;
        return;
    }
    digits_.erase(0, first);
    while (!digits_.empty() && digits_.back() == '0') {
        digits_.pop_back();
        ++exponent_;
    }
}

DecimalNumber DecimalNumber::notANumber() {
    DecimalNumber n;
    n.nan_ = true;
    return n;
}

DecimalNumber DecimalNumber::maximum() {
    return DecimalNumber(false, std::string(kMaximumDigits, '9'), kMaximumExponent);
}

std::optional<DecimalNumber> DecimalNumber::fromString(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string digits;
    int exponent = 0;
    bool sawDigit = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') digits += text[i++], sawDigit = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            digits += text[i++];
            --exponent;
            sawDigit = true;
        }
    }
    if (!sawDigit) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) negativeExponent = text[i++] == '-';
        long value = 0;
        bool sawExponentDigit = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + (text[i++] - '0');
            sawExponentDigit = true;
            if (value > 100000) return std::nullopt;
        }
        if (!sawExponentDigit) return std::nullopt;
        exponent += static_cast<int>(negativeExponent ? -value : value);
    }
    if (i != text.size()) return std::nullopt;
    DecimalNumber n(negative, std::move(digits), exponent);
    // Digits beyond the precision are refused rather than rounded: a price must stay exact.
    if (static_cast<int>(n.digits_.size()) > kMaximumDigits) return std::nullopt;
    if (!n.digits_.empty() && (n.exponent_ > kMaximumExponent || n.exponent_ < kMinimumExponent))
        return std::nullopt;
    return n;
}

std::optional<DecimalNumber> DecimalNumber::multiplyingByPowerOf10(int power) const {
    if (nan_ || digits_.empty()) return *this;
    DecimalNumber n = *this;
    long exponent = static_cast<long>(n.exponent_) + power;
    if (exponent > kMaximumExponent || exponent < kMinimumExponent) return std::nullopt;
    n.exponent_ = static_cast<int>(exponent);
    return n;
}

std::partial_ordering DecimalNumber::compare(const DecimalNumber& other) const {
    if (nan_ || other.nan_) return std::partial_ordering::unordered;
    const bool zeroA = digits_.empty();
    const bool zeroB = other.digits_.empty();
    if (zeroA && zeroB) return std::partial_ordering::equivalent;
    const int signA = zeroA ? 0 : (negative_ ? -1 : 1);
    const int signB = zeroB ? 0 : (other.negative_ ? -1 : 1);
    if (signA != signB) return signA < signB ? std::partial_ordering::less : std::partial_ordering::greater;
    // Same sign, both non-zero: compare magnitudes by the position of the leading digit, then digits.
    const long leadA = static_cast<long>(digits_.size()) + exponent_;
    const long leadB = static_cast<long>(other.digits_.size()) + other.exponent_;
    int magnitude = 0;
    if (leadA != leadB) {
        magnitude = leadA < leadB ? -1 : 1;
    } else {
        const size_t n = std::max(digits_.size(), other.digits_.size());
        for (size_t k = 0; k < n && magnitude == 0; ++k) {
            const char a = k < digits_.size() ? digits_[k] : '0';
            const char b = k < other.digits_.size() ? other.digits_[k] : '0';
            if (a != b) magnitude = a < b ? -1 : 1;
        }
    }
    if (magnitude == 0) return std::partial_ordering::equivalent;
    if (signA < 0) magnitude = -magnitude;
    return magnitude < 0 ? std::partial_ordering::less : std::partial_ordering::greater;
}

std::string DecimalNumber::stringValue() const {
    if (nan_) return "NaN";
    if (digits_.empty()) return "0";
    std::string out = negative_ ? "-" : "";
    if (exponent_ >= 0) {
        out += digits_;
        out.append(static_cast<size_t>(exponent_), '0');
    } else {
        const size_t fraction = static_cast<size_t>(-exponent_);
        if (fraction >= digits_.size()) {
            out += "0.";
            out.append(fraction - digits_.size(), '0');
            out += digits_;
        } else {
            out += digits_.substr(0, digits_.size() - fraction);
            out += '.';
            out += digits_.substr(digits_.size() - fraction);
        }
    }
    return out;
}

double DecimalNumber::doubleValue() const {
    if (nan_) return std::numeric_limits<double>::quiet_NaN();
    if (digits_.empty()) return 0;
    std::string text = (negative_ ? "-" : "") + digits_ + "e" + std::to_string(exponent_);
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace platform
