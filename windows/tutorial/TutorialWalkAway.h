#pragma once

#include <memory>

#include "app/records/MobileDevice.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/tutorial/TutorialWalkAwayDelegate.h"

namespace kestrune {

// Asks the user to walk away, showing the phone's live distance beside the distance at which the Mac
// locks.
class TutorialWalkAway : public BaseViewController {
public:
    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void updateViewForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void finishToggled(ui::Control& sender);
    void setDelegate(std::weak_ptr<TutorialWalkAwayDelegate> delegate) { delegate_ = std::move(delegate); }

    std::shared_ptr<ui::TextField> walkAwayLable;
    std::shared_ptr<ui::TextField> noteLabel;
    std::shared_ptr<ui::TextField> currentDistanceTextLabel;
    std::shared_ptr<ui::TextField> currentDistanceValueLabel;
    std::shared_ptr<ui::TextField> kestruneDistanceTextLabel;
    std::shared_ptr<ui::TextField> kestruneDistanceValueLabel;
    std::shared_ptr<ui::TextField> metricLabel1;
    std::shared_ptr<ui::TextField> metricLabel2;
    std::shared_ptr<ui::TextField> userActiveLabel;
    std::shared_ptr<ui::Button> finishButton;

private:
    std::weak_ptr<TutorialWalkAwayDelegate> delegate_;
};

}  // namespace kestrune
