#include "windows/tutorial/TutorialWalkAway.h"

#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/deciders/RssiToDistance.h"
#include "platform/base/UnicodeClasses.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/text/TextFieldAdditions.h"

namespace kestrune {

void TutorialWalkAway::updateStrings() {
    BaseViewController::updateStrings();
    if (walkAwayLable) walkAwayLable->setStringValue(localizable("now_walk_away"));
    if (currentDistanceTextLabel) currentDistanceTextLabel->setStringValue(localizable("your_distance"));
    if (kestruneDistanceTextLabel) kestruneDistanceTextLabel->setStringValue(localizable("lock_distance"));
    if (finishButton) setKestruneEnabledButtonWithText(*finishButton, localizable("finish"));
}

void TutorialWalkAway::updateViewForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (userActiveLabel) {
        if (phone->shouldShowUserActiveIndication()) {
            userActiveLabel->setAlphaValue(1.0);
            setAnimatedStringValue(*userActiveLabel, phone->userActiveIndicationString());
        } else {
            // Hidden, its text kept for the next time it shows.
            userActiveLabel->setAlphaValue(0.0);
        }
    }
    if (currentDistanceValueLabel)
        setAnimatedStringValue(*currentDistanceValueLabel,
                               phone->distanceStringWithUserActiveIndication(false).value_or(""));
    auto settings = DataManager::shared().settingsForDeviceId(phone->unId());
    if (settings && kestruneDistanceValueLabel)
        kestruneDistanceValueLabel->setStringValue(settings->distanceToLockString());
    const int32_t metric = settings && settings->iOSSettings() && settings->iOSSettings()->chosenMetric()
                               ? settings->iOSSettings()->chosenMetric()->intValue()
                               : 0;
    const std::string metricName = platform::lowercaseString(RssiToDistance::stringFromMetric(metric));
    if (metricLabel1) metricLabel1->setStringValue(metricName);
    if (metricLabel2) metricLabel2->setStringValue(metricName);
    if (noteLabel) noteLabel->setStringValue(localizable("distance_estimation"));
}

void TutorialWalkAway::finishToggled(ui::Control&) {
    if (auto delegate = delegate_.lock()) delegate->tutorialWalkAwayDidSelectFinishTutorial(*this);
}

}  // namespace kestrune
