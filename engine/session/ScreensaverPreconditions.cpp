#include "engine/session/ScreensaverPreconditions.h"

#include "app/records/DeviceLocalSettings.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/SystemPreferences.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<ScreensaverPreconditions> gPreconditions;
constexpr int32_t kLockByScreensaver = 1;
}  // namespace

ScreensaverPreconditions& ScreensaverPreconditions::shared() {
    return gPreconditions.get([] { return ScreensaverPreconditions::make(); });
}

void ScreensaverPreconditions::resetSharedForTesting() {
    gPreconditions.resetForTesting();
}

bool ScreensaverPreconditions::screensaverPreconditionsUnknown() const {
    return !SystemPreferences::canReadBothAskForPasswordAndLockDelay();
}

bool ScreensaverPreconditions::screensaverPreferencesCurrentSetupIsWrong() const {
    return DeviceLocalSettings::shared().actionOnLogout() == kLockByScreensaver &&
           screensaverPreconditionsUnknown() &&
           MacDisplayControl::shared().didNotShowLockScreenAfterLocking();
}

void ScreensaverPreconditions::checkForValidScreensaverPreferancesAfterLogin() {
    if (screensaverPreferencesCurrentSetupIsWrong()) screensaverPreconditionsFalse_ = true;
}

bool ScreensaverPreconditions::shouldWarnUserAboutScreensaverPreconditions() const {
    return screensaverPreferencesCurrentSetupIsWrong() && screensaverPreconditionsFalse_;
}

void ScreensaverPreconditions::userUpdatedScreensaverPreconditions() {
    screensaverPreconditionsFalse_ = false;
}

}  // namespace kestrune
