#include "engine/deciders/RSSIUpdateDecider.h"

#include "app/records/MobileSettings.h"
#include "engine/deciders/KestruneRadius.h"
#include "engine/evidence/KestruneEvent.h"
#include "engine/evidence/KestruneIdleManager.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/MotionTracking.h"

namespace kestrune {

bool RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(
    const std::shared_ptr<MobileSettings>& settings) {
    // A lock refused for user activity must be retried as soon as the user stops.
    if (KestruneIdleManager::shared().kestruneRefusedToLoginRecentlyBecauseUserWasActive()) return true;
    // Readings right after the session changed describe the moment before it.
    if (KestruneEvent::shared().timeSinceAnyEvent() < 0.5) return false;
    if (!settings) return false;
    auto& display = MacDisplayControl::shared();
    // The lock screen over a locked session, and the user logged in and active, both start from whether
    // the session is locked: asked of the system once per reading.
    const bool locked = display.ifScreenIsLockedOrScreensaverShown();
    // The stored (previous) value is tested: the new reading is smoothed only after this gate.
    if (locked && display.ifLockOnScreenShown() && isInsideKestruneRadiusWithTreshold(*settings)) return true;
    if (!locked && !display.ifLockOnScreenShown() && isOutsideKestruneRadiusWithTreshold(*settings))
        return true;
    return !shouldIgnoreNewRSSISignalUpdateBecauseDeviceNotMovingForDeviceSettings(settings);
}

bool RSSIUpdateDecider::shouldIgnoreNewRSSISignalUpdateBecauseDeviceNotMovingForDeviceSettings(
    const std::shared_ptr<MobileSettings>& settings) {
    if (!settings || !settings->shouldConstantlyTrackDeviceDistance()) return false;
    return MotionTracking::shared().secondsPassesSinceLastMotion() > 16.0;
}

}  // namespace kestrune
