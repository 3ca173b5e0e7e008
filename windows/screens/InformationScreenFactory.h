#pragma once

#include "engine/coordinator/CoordinatorServices.h"

namespace kestrune {

// The one-page information screens as the coordinator asks for them: each a new screen of the screen
// factory, whose button runs the closure given.
class InformationScreenFactory : public InformationScreens {
public:
    ScreenController authOptionsVC() override;
    ScreenController macOSXNotiicationsVC() override;
    ScreenController siriTutorialVCAction(Action action) override;
    ScreenController setupSiriTutorialVCAction(Action action) override;
    ScreenController touchIdTutorialVCAction(Action action) override;
    ScreenController showYesNoTutorialVCAction(Action action) override;
    ScreenController showKnockKnockTutorialVCAction(Action action) override;
    ScreenController macSleepScreenOverlayVC() override;
    ScreenController openSpaceInfoVC() override;
    ScreenController manualPhotosVCWithCompletion(Action completion) override;
    ScreenController distanceEstimationVC() override;
    ScreenController proximityLockDisabledBecauseWifiVC() override;
    ScreenController proximityLockDisabledManualLoginVC() override;
    ScreenController updateKestruneOnYourPhoneDone(Action done) override;
    ScreenController updateMacVersion_check_next(const std::string& title, Action check,
                                                 Action next) override;
    ScreenController closeMainWindowTutorial(Action action) override;
    ScreenController rateOnAppStore(Action action) override;
    ScreenController confirmProximityUnlockTutorial(Action action) override;
};

}  // namespace kestrune
