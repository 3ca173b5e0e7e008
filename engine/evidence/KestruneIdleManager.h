#pragma once

#include <memory>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// Whether the user is at work: the idle time, and the stamp of the last unlock refused because of it.
class KestruneIdleManager {
public:
    static KestruneIdleManager& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<KestruneIdleManager> make() { return std::make_shared<KestruneIdleManager>(); }

    // Stamps refused unlocks, despite its name.
    std::shared_ptr<EventTimestamp> userDidNotLogoutBecauseUserActive = std::make_shared<EventTimestamp>();

    void kestruneRefusedToLoginBecauseUserActive();
    // At most 6.0 s (inclusive) since the refusal.
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() const;
    bool userWasActiveInTheLastSeconds(double seconds) const;
    bool userWasVeryRecentlyActive() const;
    bool userWasRecentlyActive() const;
};

}  // namespace kestrune
