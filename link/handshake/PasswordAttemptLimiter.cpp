#include "link/handshake/PasswordAttemptLimiter.h"

#include <algorithm>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"

namespace kestrune {

bool PasswordAttemptLimiter::mayCheckPassword() const {
    return secondsUntilNextCheck() <= 0;
}

double PasswordAttemptLimiter::secondsUntilNextCheck() const {
    if (!blockedUntil_) return 0;
    return std::max(0.0, *blockedUntil_ - platform::Clock::now());
}

void PasswordAttemptLimiter::passwordRefused(const std::string& phone, bool checked) {
    if (!checked) {
        // Refused unchecked inside the back-off: the wait is not lengthened, so the user can still get in
        // once it has passed.
        platform::logf(
            "Credentials from phone %s refused without a check: %.0f s left after %d wrong passwords",
            phone.c_str(), secondsUntilNextCheck(), consecutiveRefusals_);
        return;
    }
    ++consecutiveRefusals_;
    if (consecutiveRefusals_ >= kRefusalsBeforeBackOff) {
        backOff_ = backOff_ <= 0 ? kFirstBackOff : std::min(backOff_ * 2, kLongestBackOff);
        blockedUntil_ = platform::Clock::now() + backOff_;
        platform::logf("Wrong password from phone %s (%d in a row): no password is checked for %.0f s",
                       phone.c_str(), consecutiveRefusals_, backOff_);
    } else {
        platform::logf("Wrong password from phone %s (%d in a row)", phone.c_str(), consecutiveRefusals_);
    }
}

void PasswordAttemptLimiter::passwordAccepted() {
    consecutiveRefusals_ = 0;
    backOff_ = 0;
    blockedUntil_.reset();
}

}  // namespace kestrune
