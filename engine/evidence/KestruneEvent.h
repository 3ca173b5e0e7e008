#pragma once

#include <memory>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// When this application itself last unlocked and locked the Mac. Stamped and read on the main thread.
class KestruneEvent {
public:
    static KestruneEvent& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<KestruneEvent> make() { return std::make_shared<KestruneEvent>(); }

    std::shared_ptr<EventTimestamp> kestruneLoginTimestamp = std::make_shared<EventTimestamp>();
    std::shared_ptr<EventTimestamp> kestruneLogoutTimestamp = std::make_shared<EventTimestamp>();

    void kestruneLoginTrigered();
    void kestruneLogoutTrigered();
    double timeSinceLastLogin() const;
    double timeSinceLastLogout() const;
    // The smaller of the two (the logout's when equal).
    double timeSinceAnyEvent() const;
};

}  // namespace kestrune
