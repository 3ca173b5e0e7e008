#include "engine/coordinator/ShieldManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/ShieldViewController.h"
#include "engine/coordinator/ViewHelpers.h"
#include "engine/evidence/MacDisplayControl.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Color.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowLevels.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

constexpr const char* kDeviceLockedAndLockOnScreenShown = "DeviceLockedAndLockOnScreenShownNotification";
constexpr const char* kLockOnScreenHidden = "LockOnScreenHiddenNotification";
constexpr const char* kScreenHasLocked = "ScreenHasLockedNotification";
constexpr const char* kScreenHasUnlocked = "ScreenHasUnlockedNotification";
constexpr const char* kMainScreenHasChanged = "MainScreenHasChanged";

}  // namespace

// The window ----------------------------------------------------------------------------------------------

ShieldWindowManger::~ShieldWindowManger() {
    if (shieldWindow_) shieldWindow_->orderOut(nullptr);
}

void ShieldWindowManger::addViewController(const std::shared_ptr<ShieldViewController>& controller) {
    currentViewController_ = controller;
    updateViewController();
}

ui::Rect ShieldWindowManger::createFrameWithSize_inCenterOfFrame_andMoveUpwardFor(ui::Size size,
                                                                                  ui::Rect frame,
                                                                                  double upward) {
    return {frame.width() / 2 - size.width / 2, frame.height() / 2 - size.height / 2 + upward, size.width,
            size.height};
}

void ShieldWindowManger::updateViewController() {
    auto screen = ui::Screen::mainScreen();
    auto content = currentViewController_ ? currentViewController_->view() : nullptr;
    if (!screen || !content) return;
    const int level = ui::shieldingWindowLevel();
    const auto frame = createFrameWithSize_inCenterOfFrame_andMoveUpwardFor(content->frame().size,
                                                                            screen->frame(), kMoveUpward);
    if (shieldWindow_) {
        shieldWindow_->orderOut(nullptr);
        if (auto old = shieldWindow_->contentView()) old->setHidden(true);
        shieldWindow_.reset();
    }
    // Borderless, click-through, transparent, one level above the system's shield.
    shieldWindow_ = ui::Window::create(frame, ui::kWindowStyleBorderless);
    shieldWindow_->setLevel(level + 1);
    shieldWindow_->setIgnoresMouseEvents(true);
    shieldWindow_->setAlphaValue(1.0);
    shieldWindow_->setOpaque(false);
    setBackgroundColor();
}

void ShieldWindowManger::setBackgroundColor() {
    if (!shieldWindow_) return;
    const auto clear = ui::Color::colorWithCalibratedWhite_alpha(1.0, 0.0);
    shieldWindow_->setBackgroundColor(clear);
    auto content = shieldWindow_->contentView();
    auto view = currentViewController_ ? currentViewController_->view() : nullptr;
    if (content && view) content->addSubview(view);
    auto helpers = ViewHelpers::current();
    if (content) helpers->setBackgouroundColor(*content, clear);
    if (view) helpers->setBackgouroundColor(*view, clear);
}

void ShieldWindowManger::showShieldWindowView() {
    if (shieldWindow_) shieldWindow_->orderFront(nullptr);
}

void ShieldWindowManger::hideShieldWindowView() {
    if (shieldWindow_) shieldWindow_->orderOut(nullptr);
}

// The manager ---------------------------------------------------------------------------------------------

ShieldManager::ShieldManager(std::shared_ptr<CoordinatorSystem> system)
    : system_(system ? std::move(system) : std::make_shared<CoordinatorSystem>()) {
    effectAnimationTimestamp_.reset();
    registerForViewUpdates();
    reloadShieldViewController();
}

ShieldManager::~ShieldManager() {
    *alive_ = false;
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void ShieldManager::registerForViewUpdates() {
    auto& center = platform::NotificationCenter::defaultCenter();
    std::weak_ptr<bool> alive = alive_;
    auto on = [&](const char* name, void (ShieldManager::*handler)()) {
        center.addObserver(this, name, nullptr, [this, alive, handler](const platform::Notification&) {
            if (alive.lock()) (this->*handler)();
        });
    };
    on(kDeviceLockedAndLockOnScreenShown, &ShieldManager::updateShieldWindowIfShown);
    on(kLockOnScreenHidden, &ShieldManager::updateShieldWindowIfShown);
    on(kScreenHasLocked, &ShieldManager::updateShieldWindowIfShown);
    on(kScreenHasUnlocked, &ShieldManager::updateShieldWindowIfShown);
    on(kMainScreenHasChanged, &ShieldManager::mainScreenHasChanged);
}

bool ShieldManager::shouldShowShieldController() {
    if (!DeviceSpecificConfig::hasScreenOverlay()) return false;
    if (!MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) return false;
    if (!DeviceLocalSettings::shared().showKestruneIconOnLockedScreen()) return false;
    auto& data = DataManager::shared();
    auto phone = data.getTrackingMobileDevice();
    auto settings = phone ? data.settingsForDeviceId(phone->unId()) : nullptr;
    return settings && settings->shouldShowLockOnScreen();
}

void ShieldManager::reloadShieldViewController() {
    std::weak_ptr<bool> alive = alive_;
    ++queuedRebuilds_;
    runOnMainQueueAsync([this, alive] {
        if (!alive.lock()) return;
        --queuedRebuilds_;
        hideShieldWindow();
        creatAndPrepareShieldView();
        // A panel built for a request to show it is brought to the front once built, if still wanted.
        if (showAfterRebuild_ && shieldManager_ && shouldShowShieldController())
            shieldManager_->showShieldWindowView();
        if (queuedRebuilds_ == 0) showAfterRebuild_ = false;
    });
}

void ShieldManager::hideShieldWindow() {
    if (!DeviceSpecificConfig::hasScreenOverlay()) return;
    if (shieldViewController_ && shieldViewController_->isViewLoaded())
        if (auto view = shieldViewController_->view()) view->removeFromSuperview();
    if (shieldManager_) shieldManager_->hideShieldWindowView();
    shieldManager_.reset();
}

void ShieldManager::creatAndPrepareShieldView() {
    if (!shouldShowShieldController()) return;
    shieldManager_ = std::make_unique<ShieldWindowManger>();
    shieldViewController_ = ShieldViewController::init(system_);
    shieldManager_->addViewController(shieldViewController_);
}

void ShieldManager::reloadAndShowShieldViewIfNeeded() {
    reloadShieldViewController();
    if (shouldShowShieldController()) {
        showAfterRebuild_ = true;
        if (shieldManager_) shieldManager_->showShieldWindowView();
    }
}

void ShieldManager::mainScreenHasChanged() {
    reloadAndShowShieldViewIfNeeded();
}

void ShieldManager::updateShieldWindowIfShown() {
    std::weak_ptr<bool> alive = alive_;
    runOnMainQueueAsync([this, alive] {
        if (!alive.lock()) return;
        if (!shouldShowShieldController()) {
            hideShieldWindow();
            return;
        }
        const bool windowExists = shieldManager_ && shieldManager_->ifShieldWindowShown();
        if (effectAnimationTimestamp_.moreSecondsElapsedSinceLastTrigger(kKnockAnimationSeconds) &&
            !windowExists)
            reloadAndShowShieldViewIfNeeded();
        if (shieldViewController_) shieldViewController_->updateViewForTrackingMobileDevice();
    });
}

void ShieldManager::animateEffect(int32_t) {
    if (!shieldManager_ || !shieldManager_->ifShieldWindowShown()) return;
    effectAnimationTimestamp_.eventTriggered();
    if (shieldViewController_) shieldViewController_->animateKnockEffect();
}

}  // namespace kestrune
