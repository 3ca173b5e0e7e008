#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrune {

// Limits how fast a connected phone can guess the Mac user's password through pairing credentials.
// After three refused passwords in a row, no password is checked until a back-off has passed: 30 s at
// first, doubling with every further refusal up to one hour. An accepted password starts afresh. The
// limit is the Mac's, not a phone's: a guesser can claim any phone identifier. Main thread.
class PasswordAttemptLimiter {
public:
    static constexpr int kRefusalsBeforeBackOff = 3;
    static constexpr double kFirstBackOff = 30.0;
    static constexpr double kLongestBackOff = 3600.0;

    // Whether a password may be checked now.
    bool mayCheckPassword() const;
    // Seconds until a password may be checked again (0 when it may now).
    double secondsUntilNextCheck() const;
    // A password was refused (checked or not): counts it and, from the third in a row, starts or
    // lengthens the back-off. Logs a line naming the phone, never the password.
    void passwordRefused(const std::string& phone, bool checked);
    void passwordAccepted();

    int consecutiveRefusals() const { return consecutiveRefusals_; }
    double backOff() const { return backOff_; }

private:
    int consecutiveRefusals_ = 0;
    double backOff_ = 0;
    std::optional<double> blockedUntil_;
};

}  // namespace kestrune
