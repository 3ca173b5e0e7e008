#include "engine/evidence/KestruneEvent.h"

#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<KestruneEvent> gEvents;
}  // namespace

KestruneEvent& KestruneEvent::shared() {
    return gEvents.get([] { return KestruneEvent::make(); });
}

void KestruneEvent::resetSharedForTesting() {
    gEvents.resetForTesting();
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
