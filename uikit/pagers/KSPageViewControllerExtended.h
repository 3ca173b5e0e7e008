#pragma once

#include <functional>

#include "uikit/pagers/KSPageViewController.h"

namespace kestrune {

// A paged window that is visible while any of its pages is, and reports each change of that once. With
// `isVisible` and `setViewVisibilityHandler` a series of pages acts itself as a page whose owner follows
// its visibility.
class KSPageViewControllerExtended : public KSPageViewController {
public:
    void windowDidLoad() override;
    void addController_asPageAtIndex(const std::shared_ptr<BaseViewController>& page, int64_t index) override;
    void removeControllerAtPageIndex(int64_t index) override;
    void addAppearCallback();
    void removeAppearCallback();
    bool currentViewVisibility() const;
    void updateViewVisibility();
    void addViewVisibilityActions();
    void setViewVisibilityHandler(std::function<void(bool)> handler) {
        viewVisibilityAction_ = std::move(handler);
    }
    bool isVisible() const { return viewIsVisible_; }

private:
    bool viewIsVisible_ = false;
    std::function<void(bool)> viewVisibilityAction_;
};

}  // namespace kestrune
