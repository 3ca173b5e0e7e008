#pragma once

#include <memory>
#include <string>

#include "app/support/EventTimestamp.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ViewController.h"

namespace platform {
class Timer;
}
namespace platform::ui {
class ImageView;
class TextField;
}  // namespace platform::ui

namespace kestrune {

class CoordinatorSystem;
class MobileSettings;
class ShieldViewController;

class ShieldViewControllerDelegate {
public:
    virtual ~ShieldViewControllerDelegate() = default;
    virtual void shieldViewControllerReloadView(ShieldViewController& controller) = 0;
};

// The contents of the panel over the lock screen: the tracked phone's picture, name and connection
// state, its distance or what the user has to do (confirm on the phone, knock twice, press a key), and
// the ripple around the picture when the phone reports a knock. Its layout is "ShieldViewController".
class ShieldViewController : public platform::ui::ViewController {
public:
    static constexpr const char* kLayoutName = "ShieldViewController";

    // Made from its layout, whatever name it is given, then initialised. The machine's facts (the radio,
    // sleep and wake) are read through the system given.
    static std::shared_ptr<ShieldViewController> init(std::shared_ptr<CoordinatorSystem> system);
    ~ShieldViewController() override;
    void initWithNibName_bundle(const std::string& nibName) override;
    void initialize();
    void viewDidLoad() override;

    void updateViewForTrackingMobileDevice();
    void animateKnockEffect();
    void showDeviceInfo(const std::string& text);
    void showRSSIStrigng(const std::string& text);
    void showPressKeyForLogin_forConnectedDevice(bool pressKey, bool connected);
    static bool shouldAddPressKeyToLoginForSettings(const MobileSettings& settings);
    // The instruction under a connected phone: where the Mac unlocks, in the interface's language
    // ("Unlocks at 0.8 m").
    static std::string distanceToUnlockText(const std::string& distance);
    platform::ui::Rect startFrameForKnockAnimation() const;
    platform::ui::Rect endFrameForKnockAnimation() const;

    // Outlets, connected by the layout.
    std::weak_ptr<platform::ui::ImageView> iphoneImageView;
    std::weak_ptr<platform::ui::TextField> mobileDeviceName;
    std::weak_ptr<platform::ui::TextField> mobileDeviceRSSI;
    std::weak_ptr<platform::ui::TextField> mobileDeviceInfo;
    // Held here as well: the label is taken out of the view and put back as the state changes.
    std::shared_ptr<platform::ui::TextField> pressKeyToLogon;
    std::weak_ptr<ShieldViewControllerDelegate> delegate;

    const EventTimestamp& rssiUpdater() const { return rssiUpdater_; }
    // A refresh is waiting while the Bluetooth radio settles after a wake.
    bool refreshPending() const { return refreshTimer_ != nullptr; }

    static constexpr double kRSSITextSpacing = 1.5;
    static constexpr double kWakeSettlingSeconds = 2.0;
    static constexpr double kSettlingRefreshDelay = 2.5;
    static constexpr double kKnockAnimationSeconds = 1.1;
    static constexpr double kPictureAlpha = 0.8;

private:
    void refreshLater();

    std::shared_ptr<CoordinatorSystem> system_;
    EventTimestamp rssiUpdater_;
    std::shared_ptr<platform::Timer> refreshTimer_;
};

}  // namespace kestrune
