#include "uikit/pagers/KSPageViewControllerExtended.h"

namespace kestrune {

void KSPageViewControllerExtended::windowDidLoad() {
    KSPageViewController::windowDidLoad();
    updateViewVisibility();
}

void KSPageViewControllerExtended::addController_asPageAtIndex(
    const std::shared_ptr<BaseViewController>& page, int64_t index) {
    KSPageViewController::addController_asPageAtIndex(page, index);
    addAppearCallback();
}

void KSPageViewControllerExtended::removeControllerAtPageIndex(int64_t index) {
    removeAppearCallback();
    KSPageViewController::removeControllerAtPageIndex(index);
    addAppearCallback();
}

void KSPageViewControllerExtended::addAppearCallback() {
    std::weak_ptr<KSPageViewControllerExtended> weak = sharedAs<KSPageViewControllerExtended>();
    for (const auto& page : addedViewControllers())
        page->setViewVisibilityHandler([weak](bool) {
            if (auto pager = weak.lock()) pager->updateViewVisibility();
        });
}

void KSPageViewControllerExtended::removeAppearCallback() {
    for (const auto& page : addedViewControllers()) page->setViewVisibilityHandler(nullptr);
}

bool KSPageViewControllerExtended::currentViewVisibility() const {
    for (const auto& page : addedViewControllers())
        if (page->isVisible()) return true;
    return false;
}

void KSPageViewControllerExtended::updateViewVisibility() {
    const bool visible = currentViewVisibility();
    if (visible == viewIsVisible_) return;
    viewIsVisible_ = visible;
    if (viewVisibilityAction_) viewVisibilityAction_(visible);
}

void KSPageViewControllerExtended::addViewVisibilityActions() {
    if (viewVisibilityAction_) viewVisibilityAction_(viewIsVisible_);
}

}  // namespace kestrune
