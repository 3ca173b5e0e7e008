#include "engine/KestruneEvent.h"

#include "engine/SharedInstance.h"

namespace kestrune {

namespace {
SharedInstance<KestruneEvent> gEvents;
}  // namespace

KestruneEvent& KestruneEvent::shared() {
    return gEvents.get();
}

void KestruneEvent::resetSharedForTesting() {
    gEvents.reset();
}

void KestruneEvent::kestruneLoginTrigered() {
    kestruneLoginTimestamp->eventTriggered();
}

void KestruneEvent::kestruneLogoutTrigered() {
    kestruneLogoutTimestamp->eventTriggered();
}

double KestruneEvent::timeSinceLastLogin() const {
    return kestruneLoginTimestamp->secondsElapsedFromLastEvent();
}

double KestruneEvent::timeSinceLastLogout() const {
    return kestruneLogoutTimestamp->secondsElapsedFromLastEvent();
}

double KestruneEvent::timeSinceAnyEvent() const {
    double login = timeSinceLastLogin();
    double logout = timeSinceLastLogout();
    return login < logout ? login : logout;
}

}  // namespace kestrune
