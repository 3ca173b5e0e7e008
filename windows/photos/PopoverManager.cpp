#include "windows/photos/PopoverManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "features/photos/PhotoNotices.h"

namespace kestrune {

std::shared_ptr<PopoverManager> PopoverManager::initWithDelegate(
    std::weak_ptr<PopoverManagerDelegate> delegate) {
    auto manager = std::make_shared<PopoverManager>();
    manager->delegate_ = std::move(delegate);
    manager->popoverModelFactory_ = PopoverModelFactory::init();
    manager->popoverModelFactory_->setDelegate(manager);
    return manager;
}

void PopoverManager::updatePopoverModelForFailedLoginAttempts(bool failedLoginAttempts) {
    const int32_t type =
        PhotoNotices::popoverTypeForFailedLoginAttempts(failedLoginAttempts, PhotoNotices::Facts::current());
    currentPopoverModel_ = popoverModelFactory_->popoverModelForType(type);
}

void PopoverManager::showPopoverFromView(const std::shared_ptr<ui::View>& view) {
    if (!currentPopoverModel_ || !view) return;
    content_ = PpopverContentInfoController::create();
    popover_ = ui::Popover::create();
    popover_->setBehavior(ui::PopoverBehavior::Transient);
    popover_->setDelegate(shared_from_this());
    popover_->setContentViewController(content_);
    popover_->showRelativeToRect_ofView_preferredEdge(view->bounds(), view, ui::RectEdge::MinY);
    content_->setPopoverModel(currentPopoverModel_);
}

void PopoverManager::hidePopover() {
    if (popover_) popover_->close();
}

void PopoverManager::popoverModelFactory_didSelectOption(PopoverModelFactory&, int32_t option) {
    auto keep = shared_from_this();
    auto d = delegate();
    switch (option) {
        case PopoverModelFactory::kOptionEnableLoginPhotos:
            DeviceLocalSettings::shared().setTakePhotoAfterEachLogin(true);
            break;
        case PopoverModelFactory::kOptionEnableFailedLoginPhotos:
            DeviceLocalSettings::shared().setTakePhotoOnFailedLogin(true);
            break;
        case PopoverModelFactory::kOptionLearnMoreLoginPhotos:
            if (d) d->popoverManager_didSelectOption(*this, 1);
            break;
        case PopoverModelFactory::kOptionLearnMoreFailedLoginPhotos:
            if (d) d->popoverManager_didSelectOption(*this, 2);
            break;
        default:
            break;
    }
    hidePopover();
    if (d) d->popoverManager_didSelectOption(*this, 0);
}

}  // namespace kestrune
