#include "windows/screens/InformationScreenFactory.h"

#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

using Factory = KSViewControllerFactory;

ScreenController InformationScreenFactory::authOptionsVC() {
    return Factory::authOptionsVC();
}
ScreenController InformationScreenFactory::macOSXNotiicationsVC() {
    return Factory::macOSXNotiicationsVC();
}
ScreenController InformationScreenFactory::siriTutorialVCAction(Action action) {
    return Factory::siriTutorialVCAction(std::move(action));
}
ScreenController InformationScreenFactory::setupSiriTutorialVCAction(Action action) {
    return Factory::setupSiriTutorialVCAction(std::move(action));
}
ScreenController InformationScreenFactory::touchIdTutorialVCAction(Action action) {
    return Factory::touchIdTutorialVCAction(std::move(action));
}
ScreenController InformationScreenFactory::showYesNoTutorialVCAction(Action action) {
    return Factory::showYesNoTutorialVCAction(std::move(action));
}
ScreenController InformationScreenFactory::showKnockKnockTutorialVCAction(Action action) {
    return Factory::showKnockKnockTutorialVCAction(std::move(action));
}
ScreenController InformationScreenFactory::macSleepScreenOverlayVC() {
    return Factory::macSleepScreenOverlayVC();
}
ScreenController InformationScreenFactory::openSpaceInfoVC() {
    return Factory::openSpaceInfoVC();
}
ScreenController InformationScreenFactory::manualPhotosVCWithCompletion(Action completion) {
    return Factory::manualPhotosVCWithCompletion(std::move(completion));
}
ScreenController InformationScreenFactory::distanceEstimationVC() {
    return Factory::distanceEstimationVC();
}
ScreenController InformationScreenFactory::proximityLockDisabledBecauseWifiVC() {
    return Factory::proximityLockDisabledBecauseWifiVC();
}
ScreenController InformationScreenFactory::proximityLockDisabledManualLoginVC() {
    return Factory::proximityLockDisabledManualLoginVC();
}
ScreenController InformationScreenFactory::updateKestruneOnYourPhoneDone(Action done) {
    return Factory::updateKestruneOnYourPhoneDone(std::move(done));
}
ScreenController InformationScreenFactory::updateMacVersion_check_next(const std::string& title, Action check,
                                                                       Action next) {
    return Factory::updateMacVersion_check_next(title, std::move(check), std::move(next));
}
ScreenController InformationScreenFactory::closeMainWindowTutorial(Action action) {
    return Factory::closeMainWindowTutorial(std::move(action));
}
ScreenController InformationScreenFactory::rateOnAppStore(Action action) {
    return Factory::rateOnAppStore(std::move(action));
}
ScreenController InformationScreenFactory::confirmProximityUnlockTutorial(Action action) {
    return Factory::confirmProximityUnlockTutorial(std::move(action));
}

}  // namespace kestrune
