#include "uikit/pagers/KSPageViewController.h"

#include "platform/base/Log.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kKSPageViewControllerLayout;

void KSPageViewController::init() {
    addedControllers_.clear();
    KSWindowController::init();
}

std::optional<std::string> KSPageViewController::nibName() const {
    return kKSPageViewControllerLayout.name;
}

void KSPageViewController::windowDidLoad() {
    KSWindowController::windowDidLoad();
    initializePageView();
    if (!scrollView_) return;
    scrollView_->setHasHorizontalScroller(false);
    scrollView_->setHorizontalScrollElasticity(ui::ScrollElasticity::Automatic);
    scrollView_->setVerticalScrollElasticity(ui::ScrollElasticity::Automatic);
}

void KSPageViewController::initializePageView() {
    setupPageView();
}

void KSPageViewController::setupPageView() {
    if (scrollView_) scrollView_->setDrawsBackground(false);
}

void KSPageViewController::setNumberOfPages(int64_t count) {
    numberOfPages_ = count;
    updateContentView();
}

void KSPageViewController::updateContentView() {
    pageContentView_ = createPageViewWithNumberOfPages(numberOfPages_);
}

std::shared_ptr<ui::View> KSPageViewController::createPageViewWithNumberOfPages(int64_t count) {
    auto strip =
        ui::View::create({0, 0, static_cast<double>(std::max<int64_t>(count, 0)) * kPageWidth, kPageHeight});
    if (scrollView_) scrollView_->setDocumentView(strip);
    return strip;
}

void KSPageViewController::addController_asPageAtIndex(const std::shared_ptr<BaseViewController>& page,
                                                       int64_t index) {
    removeControllerAtPageIndex(index);
    if (!page) return;
    addedControllers_[std::to_string(index)] = page;
    auto view = page->view();
    view->setFrame({static_cast<double>(index) * kPageWidth, 0, kPageWidth, kPageHeight});
    if (pageContentView_) pageContentView_->addSubview(view);
}

void KSPageViewController::removeControllerAtPageIndex(int64_t index) {
    auto found = addedControllers_.find(std::to_string(index));
    if (found == addedControllers_.end()) return;
    auto page = found->second;
    addedControllers_.erase(found);
    if (page->isViewLoaded()) page->view()->removeFromSuperview();
}

std::vector<std::shared_ptr<BaseViewController>> KSPageViewController::addedViewControllers() const {
    std::vector<std::shared_ptr<BaseViewController>> pages;
    for (const auto& [key, page] : addedControllers_) pages.push_back(page);
    return pages;
}

std::shared_ptr<BaseViewController> KSPageViewController::controllerAtPageIndex(int64_t index) const {
    auto found = addedControllers_.find(std::to_string(index));
    return found == addedControllers_.end() ? nullptr : found->second;
}

void KSPageViewController::showPageAtIndex_animated(int64_t index, bool animated) {
    platform::logDebugf("pageIndex: %ld", static_cast<long>(index));
    if (scrollView_)
        scrollView_->scrollToPoint_animated({static_cast<double>(index) * kPageWidth, 0}, animated);
    pageIndex_ = index;
    didFinishShowingPageAtIndex(pageIndex_);
}

}  // namespace kestrune
