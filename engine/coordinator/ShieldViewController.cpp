#include "engine/coordinator/ShieldViewController.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/OSXPreferences.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/ShieldArtwork.h"
#include "engine/coordinator/ViewHelpers.h"
#include "engine/evidence/MacDisplayControl.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Color.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The layout, named by its registration so that every program with the shield has it.
extern const ui::NibRegistry::Registration kShieldViewControllerLayout;

namespace {

ui::Color transparent() {
    return ui::Color::colorWithCalibratedWhite_alpha(1.0, 0.0);
}

constexpr int32_t kConfirmedInside = 2;

// A record without the connection flag counts as connected.
bool connectionFlagIsNo(const MobileDevice& phone) {
    const auto& info = phone.mobileDeviceConnectionInfo();
    return info && info->isConnected() && !info->isConnected()->boolValue();
}

bool connectionFlagIsYes(const MobileDevice& phone) {
    const auto& info = phone.mobileDeviceConnectionInfo();
    return info && info->isConnected() && info->isConnected()->boolValue();
}

}  // namespace

std::shared_ptr<ShieldViewController> ShieldViewController::init(std::shared_ptr<CoordinatorSystem> system) {
    auto controller = std::make_shared<ShieldViewController>();
    controller->system_ = system ? std::move(system) : std::make_shared<CoordinatorSystem>();
    controller->initWithNibName_bundle(kLayoutName);
    return controller;
}

ShieldViewController::~ShieldViewController() {
    if (refreshTimer_) refreshTimer_->invalidate();
}

// Whatever name it is given, the shield loads its own layout.
void ShieldViewController::initWithNibName_bundle(const std::string&) {
    ui::ViewController::initWithNibName_bundle(kShieldViewControllerLayout.name);
    initialize();
}

void ShieldViewController::initialize() {
    rssiUpdater_.reset();
    // The phone's pictures and the knock's ripple are drawn by code.
    registerShieldArtwork();
}

void ShieldViewController::viewDidLoad() {
    if (auto root = view()) ViewHelpers::current()->setBackgouroundColor(*root, transparent());
    updateViewForTrackingMobileDevice();
}

void ShieldViewController::updateViewForTrackingMobileDevice() {
    auto root = view();
    if (!root) return;
    root->setHidden(false);
    auto& data = DataManager::shared();
    auto phone = data.getTrackingMobileDevice();
    if (!phone) {
        root->setHidden(true);
        return;
    }
    auto settings = data.settingsForDeviceId(phone->unId());
    auto picture = iphoneImageView.lock();
    if (auto name = mobileDeviceName.lock())
        name->setStringValue(phone->mobileDeviceInfo() && phone->mobileDeviceInfo()->deviceName()
                                 ? *phone->mobileDeviceInfo()->deviceName()
                                 : std::string());
    if (connectionFlagIsNo(*phone)) {
        if (picture) picture->setImage(ui::Image::imageNamed("disconnected"));
        std::string key;
        if (!system_->bluetoothIsOn())
            key = "bluetooth_is_off_short";
        else if (!system_->bluetoothLEIsOn())
            key = "initalizingBLE";
        else if (!system_->scanningIndicatorIsActive())
            key = "disconnected";
        else if (!system_->macIsSleeping() &&
                 system_->secondsSinceLastWakeNotification() >= kWakeSettlingSeconds)
            key = "scanning";
        else {
            // Just after a wake the radio settles: look again shortly.
            key = "initalizingBLE";
            refreshLater();
        }
        showDeviceInfo(localizable(key));
        showPressKeyForLogin_forConnectedDevice(false, false);
    } else {
        if (picture) picture->setImage(ui::Image::imageNamed("connected"));
        if (settings && rssiUpdater_.moreSecondsElapsedSinceLastTrigger(kRSSITextSpacing - 1e-6)) {
            rssiUpdater_.eventTriggered();
            showRSSIStrigng(settings->rssiPrettyPrint());
        }
        showPressKeyForLogin_forConnectedDevice(settings && shouldAddPressKeyToLoginForSettings(*settings),
                                                true);
    }
    if (picture) picture->setAlphaValue(kPictureAlpha);
}

// One refresh waits at a time, however many updates arrive meanwhile.
void ShieldViewController::refreshLater() {
    if (refreshTimer_ && refreshTimer_->isValid()) return;
    std::weak_ptr<ShieldViewController> weak = sharedAs<ShieldViewController>();
    refreshTimer_ = platform::RunLoop::main().performAfterDelay(kSettlingRefreshDelay, [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->refreshTimer_.reset();
        self->updateViewForTrackingMobileDevice();
    });
}

void ShieldViewController::showDeviceInfo(const std::string& text) {
    if (auto rssi = mobileDeviceRSSI.lock()) rssi->setHidden(true);
    if (auto info = mobileDeviceInfo.lock()) {
        info->setHidden(false);
        info->setStringValue(text);
    }
}

void ShieldViewController::showRSSIStrigng(const std::string& text) {
    if (auto info = mobileDeviceInfo.lock()) info->setHidden(true);
    if (auto rssi = mobileDeviceRSSI.lock()) {
        rssi->setHidden(false);
        rssi->setStringValue(text);
    }
}

bool ShieldViewController::shouldAddPressKeyToLoginForSettings(const MobileSettings& settings) {
    if (MacDisplayControl::shared().ifLockOnScreenShown()) return false;
    auto local = DataManager::shared().localSettingsForDevice(settings.unId());
    if (!local || local->kestruneConfirmedLocation() != kConfirmedInside) return false;
    const auto& track = settings.mobileDeviceTrackInfo();
    if (!track) return false;
    if (boolValueOf(track->proxLockTemporaryDisabledBecauseLogout())) return true;
    return !DeviceLocalSettings::shared().loginOnApproach() && boolValueOf(track->shouldTrackMobileDevice());
}

void ShieldViewController::showPressKeyForLogin_forConnectedDevice(bool pressKey, bool connected) {
    auto label = pressKeyToLogon;
    auto root = view();
    if (!label || !root) return;
    auto addLabel = [&] {
        if (label->superview() != root.get()) root->addSubview(label);
    };
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = phone ? DataManager::shared().settingsForDeviceId(phone->unId()) : nullptr;
    const auto& osx = settings ? settings->OSXSettings() : nullptr;
    if (osx && intValueOf(osx->isWaitingForConfirmation()) != 0 && phone && connectionFlagIsYes(*phone) &&
        intValueOf(osx->onApproachAuthMethod()) != 0) {
        addLabel();
        label->setStringValue(localizable(settings->shouldKnockToLogin() ? "double_knock_on_your_iphone"
                                                                         : "confirm_login_on_iphone"));
    } else if (pressKey) {
        addLabel();
        label->setStringValue(localizable("press_any_key_to_login"));
    } else if (!connected) {
        label->setStringValue("");
        label->removeFromSuperview();
    } else if (settings && settings->shouldTrackMobileDeviceOrTrackingTemporarilyDisabled()) {
        label->setStringValue(distanceToUnlockText(settings->distanceToLockString()));
    }
    label->setAlignment(ui::TextAlignment::Center);
}

std::string ShieldViewController::distanceToUnlockText(const std::string& distance) {
    const std::string format = localizable("distance_to_unlock_device");
    const auto at = format.find("%@");
    return at == std::string::npos ? format + " " + distance
                                   : format.substr(0, at) + distance + format.substr(at + 2);
}

ui::Rect ShieldViewController::startFrameForKnockAnimation() const {
    auto picture = iphoneImageView.lock();
    return picture ? picture->frame() : ui::Rect{};
}

// The ripple grows by half the picture's width on every side, the height's growth taken from the width
// too.
ui::Rect ShieldViewController::endFrameForKnockAnimation() const {
    const auto start = startFrameForKnockAnimation();
    const double grow = start.width() / 2;
    return {start.minX() - grow, start.minY() - grow, start.width() + 2 * grow, start.height() + 2 * grow};
}

void ShieldViewController::animateKnockEffect() {
    auto root = view();
    auto picture = iphoneImageView.lock();
    if (!root || !picture) return;
    auto ripple = ui::ImageView::create(startFrameForKnockAnimation());
    ripple->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    ripple->setImage(ui::Image::imageNamed("empty"));
    ripple->setAlphaValue(0.6);
    ripple->setWantsLayer(true);
    if (auto layer = ripple->layer()) layer->setMasksToBounds(true);
    root->addSubview_positioned_relativeTo(ripple, ui::WindowOrderingMode::Below, picture.get());
    const auto end = endFrameForKnockAnimation();
    std::weak_ptr<ui::ImageView> weakRipple = ripple;
    ui::AnimationContext::runGroup(
        [&](ui::AnimationContext& context) {
            context.setDuration(kKnockAnimationSeconds);
            ripple->animator().setFrame(end);
            ripple->animator().setAlphaValue(0.0);
        },
        [weakRipple] {
            if (auto done = weakRipple.lock()) done->removeFromSuperview();
        });
}

}  // namespace kestrune
