#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/wakeunlock/MacSleepScreenFirstViewControllerDelegate.h"

namespace kestrune {

// The wake-unlock introduction: what the feature does, with a sample of the notification the phone
// shows, and the button that starts the tutorial.
class MacSleepScreenFirstViewController : public BaseViewController {
public:
    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void buttonToggled(ui::Control& sender);

    void setDelegate(std::weak_ptr<MacSleepScreenFirstViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::Button> nextButton;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> firstLabel;
    std::shared_ptr<ui::TextField> secondLabel;
    // The sample notification: its question and its answer button.
    std::shared_ptr<ui::TextField> notificationText;
    std::shared_ptr<ui::TextField> notificationUnlock;

private:
    std::weak_ptr<MacSleepScreenFirstViewControllerDelegate> delegate_;
};

}  // namespace kestrune
