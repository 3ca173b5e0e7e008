#pragma once

#include "features/history/LoginLogoutPresentationEntry.h"

namespace kestrune {

// A session row: from an entry that starts a session (started, unlocked, quit) to the lock after it.
// Its history record is the lock.
class LoginLogoutPresentationSessionEntry : public LoginLogoutPresentationEntry {
public:
    platform::Date startDate;
    platform::Date endDate;
    double timeIntervalInSeconds = 0;
};

}  // namespace kestrune
