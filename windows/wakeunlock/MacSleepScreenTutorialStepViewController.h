#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/wakeunlock/MacSleepScreenTutorialStepViewControllerDelegate.h"

namespace kestrune {

// The wake-unlock tutorial's main step: choose how the phone confirms an unlock on wake (yes or no,
// Touch ID or passcode, a double knock), then put the Mac to sleep and try it.
class MacSleepScreenTutorialStepViewController : public BaseViewController {
public:
    enum Choice : int32_t { kMethodChanged = 0, kSleepNow = 1 };
    // The radios' tags are the stored confirmation methods.
    enum Method : int32_t { kYesNo = 1, kTouchId = 2, kDoubleKnock = 3 };

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void updateStrings() override;
    void updateViewForNewSettings();
    void radioButtonToggled(ui::Control& sender);
    // The choice is sent once the button's action has returned.
    void sleepMacToggled(ui::Control& sender);

    void setDelegate(std::weak_ptr<MacSleepScreenTutorialStepViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> topLabel;
    std::shared_ptr<ui::TextField> topLabel2;
    std::shared_ptr<ui::TextField> labelYesNo;
    std::shared_ptr<ui::TextField> labelTouchId;
    std::shared_ptr<ui::TextField> labelKnock;
    std::shared_ptr<ui::TextField> bottomLabel;
    std::shared_ptr<ui::TextField> footerLabel;
    std::shared_ptr<ui::TextField> doubleKnockDescriptionLabel;
    std::shared_ptr<ui::Button> radioYesNo;
    std::shared_ptr<ui::Button> radioTouchId;
    std::shared_ptr<ui::Button> radioKnockKnock;
    std::shared_ptr<ui::Button> sleepButton;

private:
    void select(int32_t choice);

    std::weak_ptr<MacSleepScreenTutorialStepViewControllerDelegate> delegate_;
};

}  // namespace kestrune
