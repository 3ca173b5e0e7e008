#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhoneDelegate.h"

namespace kestrune {

// Asks the user to connect the phone: with Bluetooth on, the way to troubleshooting; with it off, the
// way to switch it on. The button reports by the Bluetooth state at the moment of the press.
class MacSleepScreenConnectToiPhone : public BaseViewController {
public:
    // 0 the wake-unlock tutorial, 1 the proximity set-up.
    enum Type : int32_t { kWakeUnlock = 0, kProximitySetUp = 1 };
    enum Choice : int32_t { kTurnBluetoothOn = 0, kTroubleConnecting = 1 };

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void setConnectTutorialType(int32_t type);
    void updateStrings() override;
    void updateViewForNewBluetoothState();
    void buttonToggled(ui::Control& sender);

    int32_t connectTutorialType() const { return connectTutorialType_; }
    void setDelegate(std::weak_ptr<MacSleepScreenConnectToiPhoneDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::weak_ptr<ui::TextField> titleLabel;
    std::weak_ptr<ui::TextField> connectLabel;
    std::weak_ptr<ui::ImageView> mainImage;
    std::weak_ptr<ui::Button> button;
    std::weak_ptr<ui::View> bottomSeparatorView;

private:
    int32_t connectTutorialType_ = -1;
    std::weak_ptr<MacSleepScreenConnectToiPhoneDelegate> delegate_;
};

}  // namespace kestrune
