#include "menubar/statusitem/StatusItemController.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "menubar/MenuBarFacts.h"

namespace kestrune {

std::shared_ptr<StatusItemController> StatusItemController::initWithDelegate(
    std::weak_ptr<MenubarControllerDelegate> delegate) {
    std::shared_ptr<StatusItemController> controller(new StatusItemController());
    controller->setUpStatusItem();
    controller->delegate_ = std::move(delegate);
    return controller;
}

StatusItemController::~StatusItemController() {
    auto item = statusItem();
    if (!item) return;
    ui::StatusBar::systemStatusBar().removeStatusItem(item);
    // The item and its view hold each other.
    item->setView(nullptr);
}

void StatusItemController::setUpStatusItem() {
    if (!statusItemView_) {
        auto item = ui::StatusBar::systemStatusBar().statusItemWithLength(kStatusItemLength);
        statusItemView_ = StatusItemView::initWithStatusItem(item);
        std::weak_ptr<StatusItemController> weak = weak_from_this();
        statusItemView_->setAction([weak] {
            if (auto self = weak.lock()) self->togglePanel();
        });
        statusItemView_->setRightClickAction([weak] {
            if (auto self = weak.lock()) self->rightClickTogglePanel();
        });
    }
    auto image = imageForStatusBarHighlighted(false);
    auto alternate = imageForStatusBarHighlighted(true);
    // The system tints template images for the menu bar's appearance.
    if (image) image->setTemplate(true);
    if (alternate) alternate->setTemplate(true);
    statusItemView_->setImage(image);
    statusItemView_->setAlternateImage(alternate);
}

void StatusItemController::updateStatusItem() {
    setUpStatusItem();
}

std::string StatusItemController::imageNameForStatusBarHighlighted(bool highlighted) {
    const char* link = isOnlineAndTracking() ? "online" : (isConnected() ? "offline" : "disconnected");
    auto& facts = MenuBarFacts::current();
    // One attention mark for both: an update waits, or Bluetooth is off.
    const bool attention = facts.anyNewVersionAvailable() || !facts.bluetoothIsOn();
    return std::string("menubar_icon_") + link + (highlighted ? "_hl" : "_nonhl") +
           (attention ? "_update" : "_noupdate");
}

std::shared_ptr<ui::Image> StatusItemController::imageForStatusBarHighlighted(bool highlighted) const {
    return ui::Image::imageNamed(imageNameForStatusBarHighlighted(highlighted));
}

bool StatusItemController::isConnected() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !phone->mobileDeviceConnectionInfo()) return false;
    const auto& connected = phone->mobileDeviceConnectionInfo()->isConnected();
    return connected && connected->boolValue();
}

bool StatusItemController::isOnlineAndTracking() {
    if (!isConnected()) return false;
    auto& data = DataManager::shared();
    auto phone = data.getTrackingMobileDevice();
    auto settings = phone ? data.settingsForDeviceId(phone->unId()) : nullptr;
    return settings && settings->shouldTrackMobileDeviceOrTrackingTemporarilyDisabled();
}

bool StatusItemController::hasActiveIcon() const {
    return statusItemView_ && statusItemView_->isHighlighted();
}

void StatusItemController::setHasActiveIcon(bool active) {
    if (statusItemView_) statusItemView_->setHighlighted(active);
}

void StatusItemController::togglePanel() {
    if (auto d = delegate()) d->menubarControllerDidToggleMenuItem(*this);
}

void StatusItemController::rightClickTogglePanel() {
    if (auto d = delegate()) d->menubarControllerDidToggleMenuItemWithRightClick(*this);
}

void StatusItemController::removeIcon() {
    if (statusItemView_) statusItemView_->setImage(nullptr);
}

std::shared_ptr<ui::StatusItem> StatusItemController::statusItem() const {
    return statusItemView_ ? statusItemView_->statusItem() : nullptr;
}

}  // namespace kestrune
