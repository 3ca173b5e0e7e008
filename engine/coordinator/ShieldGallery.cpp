// The panel over the lock screen as the user sees it: on a dark backdrop standing in for the login
// window, with the phone connected and its distance, away and looked for, waiting for a key, asking for
// a knock, with the ripple of a knock halfway; and the user-picture view with its icon shown.

#include "engine/coordinator/ShieldGallery.h"

#include <functional>
#include <string>

#include "app/support/Localizable.h"
#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/LoginIconNotificationImageView.h"
#include "engine/coordinator/ShieldArtwork.h"
#include "engine/coordinator/ShieldViewController.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Color.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

// The radio is on and a scan runs, long after the last wake.
class SettledSystem : public CoordinatorSystem {
public:
    bool bluetoothIsOn() override { return true; }
    bool bluetoothLEIsOn() override { return true; }
    bool macIsSleeping() override { return false; }
    bool scanningIndicatorIsActive() override { return true; }
    double secondsSinceLastWakeNotification() override { return 600; }
};

// The panel's view on the backdrop, in the state the closure sets.
ui::Scene shieldScene(const std::function<void(ShieldViewController&)>& state) {
    registerShieldArtwork();
    auto backdrop = ui::Window::create({0, 0, 400, 300}, ui::kWindowStyleBorderless);
    backdrop->contentView()->setWantsLayer(true);
    backdrop->contentView()->layer()->setBackgroundColor(
        ui::Color::colorWithSRGBRed_green_blue_alpha(0.16, 0.18, 0.24, 1));
    auto controller = ShieldViewController::init(std::make_shared<SettledSystem>());
    auto view = controller->view();
    view->setHidden(false);
    if (auto name = controller->mobileDeviceName.lock()) name->setStringValue("Ada's iPhone");
    state(*controller);
    backdrop->contentView()->addSubview(view);
    // The controller lives as long as the picture is taken.
    auto keep = std::make_shared<std::shared_ptr<ShieldViewController>>(controller);
    platform::RunLoop::main().performAfterDelay(60, [keep] {});
    return {backdrop, nullptr};
}

void connected(ShieldViewController& c) {
    if (auto picture = c.iphoneImageView.lock()) {
        picture->setImage(ui::Image::imageNamed("connected"));
        picture->setAlphaValue(ShieldViewController::kPictureAlpha);
    }
}

void away(ShieldViewController& c, const char* key) {
    if (auto picture = c.iphoneImageView.lock()) {
        picture->setImage(ui::Image::imageNamed("disconnected"));
        picture->setAlphaValue(ShieldViewController::kPictureAlpha);
    }
    c.showDeviceInfo(localizable(key));
    c.showPressKeyForLogin_forConnectedDevice(false, false);
}

void instruction(ShieldViewController& c, const std::string& text) {
    auto root = c.view();
    if (c.pressKeyToLogon && root && c.pressKeyToLogon->superview() != root.get())
        root->addSubview(c.pressKeyToLogon);
    if (c.pressKeyToLogon) c.pressKeyToLogon->setStringValue(text);
}

}  // namespace

void registerShieldGallery() {
    ui::SceneRegistry::add("shield-connected", [] {
        return shieldScene([](ShieldViewController& c) {
            connected(c);
            c.showRSSIStrigng("1.2 m");
            instruction(c, ShieldViewController::distanceToUnlockText("0.8 m"));
        });
    });
    ui::SceneRegistry::add("shield-press-key", [] {
        return shieldScene([](ShieldViewController& c) {
            connected(c);
            c.showRSSIStrigng("0.6 m");
            c.showPressKeyForLogin_forConnectedDevice(true, true);
        });
    });
    ui::SceneRegistry::add("shield-knock", [] {
        return shieldScene([](ShieldViewController& c) {
            connected(c);
            c.showRSSIStrigng("0.5 m");
            instruction(c, localizable("double_knock_on_your_iphone"));
            // The ripple halfway through its growth.
            auto ripple = ui::ImageView::create(c.startFrameForKnockAnimation());
            const auto start = c.startFrameForKnockAnimation();
            const auto end = c.endFrameForKnockAnimation();
            ripple->setFrame({(start.minX() + end.minX()) / 2, (start.minY() + end.minY()) / 2,
                              (start.width() + end.width()) / 2, (start.height() + end.height()) / 2});
            ripple->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
            ripple->setImage(ui::Image::imageNamed("empty"));
            ripple->setAlphaValue(0.3);
            c.view()->addSubview_positioned_relativeTo(ripple, ui::WindowOrderingMode::Below,
                                                       c.iphoneImageView.lock().get());
        });
    });
    ui::SceneRegistry::add("shield-scanning",
                           [] { return shieldScene([](ShieldViewController& c) { away(c, "scanning"); }); });
    ui::SceneRegistry::add("shield-bluetooth-off", [] {
        return shieldScene([](ShieldViewController& c) { away(c, "bluetooth_is_off_short"); });
    });
    ui::SceneRegistry::add("login-icon-notification", [] {
        auto view = LoginIconNotificationImageView::loadFromLayout();
        auto backdrop = ui::Window::create({0, 0, 240, 180}, ui::kWindowStyleBorderless);
        backdrop->contentView()->setWantsLayer(true);
        backdrop->contentView()->layer()->setBackgroundColor(
            ui::Color::colorWithSRGBRed_green_blue_alpha(0.16, 0.18, 0.24, 1));
        if (view) {
            if (auto picture = view->userImage.lock()) picture->setImage(drawnAccountPicture());
            if (auto name = view->userNameLabel.lock()) name->setStringValue("Ada Lovelace");
            if (auto picture = view->userImage.lock()) {
                picture->setWantsLayer(true);
                picture->layer()->setCornerRadius(picture->frame().width() / 2);
                picture->layer()->setMasksToBounds(true);
                picture->layer()->setBorderWidth(2.0);
                picture->layer()->setBorderColor(ui::Color::whiteColor());
            }
            backdrop->contentView()->addSubview(view);
        }
        return ui::Scene{backdrop, nullptr};
    });
}

}  // namespace kestrune
