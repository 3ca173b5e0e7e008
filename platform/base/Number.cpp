#include "platform/base/Number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

template <typename T>
T saturate(double d) {
    if (std::isnan(d)) return 0;
    if (d <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (d >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(d);
}

}  // namespace

void Number::setUnsigned(unsigned long long v) {
    if (v <= static_cast<unsigned long long>(std::numeric_limits<int64_t>::max())) {
        kind_ = Kind::Integer;
        i_ = static_cast<int64_t>(v);
    } else {
        kind_ = Kind::Unsigned;
        u_ = v;
    }
}

bool Number::boolValue() const {
    switch (kind_) {
        case Kind::Real:
            return d_ != 0.0;
        default:
            return i_ != 0;
    }
}

int32_t Number::intValue() const {
    if (kind_ == Kind::Real) return saturate<int32_t>(d_);
    return static_cast<int32_t>(static_cast<uint32_t>(u_));
}

uint32_t Number::unsignedIntValue() const {
    if (kind_ == Kind::Real)
        return d_ < 0 ? static_cast<uint32_t>(saturate<int32_t>(d_)) : saturate<uint32_t>(d_);
    return static_cast<uint32_t>(u_);
}

int64_t Number::longLongValue() const {
    if (kind_ == Kind::Real) return saturate<int64_t>(d_);
    return i_;
}

uint64_t Number::unsignedLongLongValue() const {
    if (kind_ == Kind::Real)
        return d_ < 0 ? static_cast<uint64_t>(saturate<int64_t>(d_)) : saturate<uint64_t>(d_);
    return u_;
}

double Number::doubleValue() const {
    switch (kind_) {
        case Kind::Real:
            return d_;
        case Kind::Unsigned:
            return static_cast<double>(u_);
        default:
            return static_cast<double>(i_);
    }
}

std::string Number::stringValue() const {
    switch (kind_) {
        case Kind::Boolean:
            return i_ ? "1" : "0";
        case Kind::Integer:
            return std::to_string(i_);
        case Kind::Unsigned:
            return std::to_string(u_);
        case Kind::Real:
            break;
    }
    if (std::isnan(d_)) return "nan";
    if (std::isinf(d_)) return d_ < 0 ? "-inf" : "inf";
    if (d_ == std::trunc(d_) && std::fabs(d_) < 1e15) {
        return std::to_string(static_cast<int64_t>(d_));
    }
    // Numbers travel as whole texts without an exponent: a whole real of any size is written in full
    // (the largest double has 309 digits).
    char buffer[400];
    auto result = d_ == std::trunc(d_)
                      ? std::to_chars(buffer, buffer + sizeof buffer, d_, std::chars_format::fixed)
                      : std::to_chars(buffer, buffer + sizeof buffer, d_);
    return std::string(buffer, result.ptr);
}

std::optional<Number> Number::parse(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::string_view body = text;
    if (body.front() == '+') body.remove_prefix(1);
    if (body.empty() || body.front() == '+' || (body.front() == '-' && body.size() > 1 && body[1] == '+')) {
        return std::nullopt;
    }
    bool integral = body.find_first_of(".eE") == std::string_view::npos;
    if (integral) {
        int64_t value = 0;
        auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
        if (ec == std::errc() && ptr == body.data() + body.size())
            return Number(static_cast<long long>(value));
        if (ec != std::errc::result_out_of_range) return std::nullopt;
    }
    double real = 0;
    auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), real);
    if (ptr != body.data() + body.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        real = (body.front() == '-') ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    if (std::isnan(real) || (std::isinf(real) && ec == std::errc()))
        return std::nullopt;  // "nan"/"inf" words
    return Number(real);
}

std::partial_ordering Number::compare(const Number& other) const {
    if (kind_ != Kind::Real && other.kind_ != Kind::Real) {
        if (kind_ == Kind::Unsigned || other.kind_ == Kind::Unsigned) {
            if (kind_ != Kind::Unsigned && i_ < 0) return std::partial_ordering::less;
            if (other.kind_ != Kind::Unsigned && other.i_ < 0) return std::partial_ordering::greater;
            return u_ <=> other.u_;
        }
        return i_ <=> other.i_;
    }
    return doubleValue() <=> other.doubleValue();
}

}  // namespace platform
