#pragma once

#include <mutex>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// Remembers when the last lock by the sleep road was started (read by the failed-login watch).
class LogoutExecution {
public:
    static LogoutExecution& shared();
    void executeSleep();
    double secondsSinceLastSleepCommandExecution() const;
    // Tests: as a new process would start.
    void resetForTesting();

private:
    mutable std::mutex mutex_;
    EventTimestamp logoutTimestamp_;
};

}  // namespace kestrune
