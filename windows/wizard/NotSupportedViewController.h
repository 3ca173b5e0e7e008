#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/wizard/NotSupportedViewControllerDelegate.h"

namespace kestrune {

// Tells the user that this Mac cannot run Kestrune, and offers to quit.
class NotSupportedViewController : public BaseViewController {
public:
    // 0 no Bluetooth LE, 1 the system is too old.
    enum Reason : int32_t { kNoBluetoothLE = 0, kSystemTooOld = 1 };

    std::optional<std::string> nibName() const override;
    void setNotSupportedReason(int32_t reason);
    void updateStrings() override;
    void quitToggled(ui::Control& sender);

    int32_t notSupportedReason() const { return notSupportedReason_; }
    void setDelegate(std::weak_ptr<NotSupportedViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> mainTextLabel;
    std::shared_ptr<ui::Button> mainButton;

private:
    int32_t notSupportedReason_ = kNoBluetoothLE;
    std::weak_ptr<NotSupportedViewControllerDelegate> delegate_;
};

}  // namespace kestrune
