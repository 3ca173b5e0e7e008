#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "menubar/panel/NotificationViewControllerDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace kestrune {

namespace ui = platform::ui;

// The notice the panel lays over its phone row when something needs the user: a picture, a line at the
// top or a larger centred text, a main button and, for a suspected Bluetooth cache fault, an info button.
// Twelve states, each with its own texts and controls; the panel chooses the state and acts on the
// buttons.
class NotificationViewController : public ui::ViewController {
public:
    enum State : int64_t {
        kBluetoothOff = 0,
        kBluetoothLENotSupported = 1,
        kNoPairedPhone = 2,
        kNoPairedPhoneCorruptedCache = 3,
        kNewPhoneApplication = 4,
        kPhoneUnlinkedThisMac = 5,
        kBluetoothErrorNeedsCacheReset = 6,
        kNewMacApplication = 7,
        kConnectionProblem = 8,
        kProximityTemporarilyDisabled = 9,
        kUnableToLockMac = 10,
        kUnableToUnlockMac = 11,
        kStateCount = 12,
    };
    // Vertical offsets of the two labels' middles above the view's middle.
    static constexpr double kCenteredTextOffset = 5;
    static constexpr double kTopLabelOffset = 23;

    // Loads the view from its layout.
    static std::shared_ptr<NotificationViewController> init();
    void viewDidLoad() override;

    int64_t state() const { return state_; }
    // Stores the state and shows it; a state of 12 or more shows nothing.
    void setState(int64_t state);
    const std::string& mobileDeviceName() const { return mobileDeviceName_; }
    void setMobileDeviceName(std::string name) { mobileDeviceName_ = std::move(name); }
    std::shared_ptr<NotificationViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<NotificationViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Lays the two labels out again around the middle, as tall as their texts.
    void updateSubviewLayout();
    void updateLabelFrames();
    void updateLabelFrame_withHorizontalOffset(ui::TextField& label, double offset);
    // The label's text set, the height it needs at its width.
    static double heightForTextField_setText(ui::TextField& label, const std::string& text);

    void didToggleMainButton();
    void didToggleInfoButton();

    // Outlets.
    std::shared_ptr<ui::TextField> topLabel;
    std::shared_ptr<ui::TextField> centeredNotificationTextBig;
    std::shared_ptr<ui::ImageView> mainImageView;
    std::shared_ptr<ui::Button> mainButton;
    std::shared_ptr<ui::Button> infoButton;

private:
    void hideEverything();
    void showState();

    int64_t state_ = kStateCount;
    std::weak_ptr<NotificationViewControllerDelegate> delegate_;
    std::string mobileDeviceName_;
};

}  // namespace kestrune
