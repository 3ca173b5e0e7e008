#pragma once

#include <compare>

namespace platform {

// A moment in time: seconds since 1 January 1970 UTC as a double, as the clock gives it.
class Date {
public:
    // Seconds between 1 January 1970 and 1 January 2001, the reference date of the stored formats.
    static constexpr double kReferenceDateOffset = 978307200.0;

    Date() = default;
    static Date now();
    static Date dateWithTimeIntervalSince1970(double seconds) { return Date(seconds); }
    static Date dateWithTimeIntervalSinceReferenceDate(double seconds) {
        return Date(seconds + kReferenceDateOffset);
    }
    static Date distantPast() { return Date(-62135769600.0); }

    double timeIntervalSince1970() const { return seconds_; }
    double timeIntervalSinceReferenceDate() const { return seconds_ - kReferenceDateOffset; }
    double timeIntervalSinceNow() const;
    double timeIntervalSinceDate(const Date& other) const { return seconds_ - other.seconds_; }
    Date dateByAddingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    auto operator<=>(const Date&) const = default;

private:
    explicit Date(double seconds) : seconds_(seconds) {}
    double seconds_ = 0;
};

}  // namespace platform
