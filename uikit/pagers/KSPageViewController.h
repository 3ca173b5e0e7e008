#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Nib.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/bases/KSWindowController.h"
#include "uikit/scrolling/MyScrollView.h"

namespace kestrune {

// A window of equal pages side by side in a horizontal scroll view, scrolled from page to page. Each
// page is 850 x 530 points; page i lies at (i x 850, 0). The number of pages is set before pages are
// added: setting it makes a new, empty strip.
class KSPageViewController : public KSWindowController {
public:
    static constexpr double kPageWidth = 850;
    static constexpr double kPageHeight = 530;

    void init() override;
    // The paged window of a layout, connected to the layout's owner when it is a pager: subclasses whose
    // layouts add controls build on it.
    static std::shared_ptr<ui::Window> loadPagedWindow(ui::NibLoader& nib);
    std::optional<std::string> nibName() const override;
    void windowDidLoad() override;
    void initializePageView();
    void setupPageView();

    void setNumberOfPages(int64_t count);
    // Replaces any page at the index.
    virtual void addController_asPageAtIndex(const std::shared_ptr<BaseViewController>& page, int64_t index);
    virtual void removeControllerAtPageIndex(int64_t index);
    std::vector<std::shared_ptr<BaseViewController>> addedViewControllers() const;
    std::shared_ptr<BaseViewController> controllerAtPageIndex(int64_t index) const;
    void showPageAtIndex_animated(int64_t index, bool animated);
    // Subclasses react to the page shown; nothing here.
    virtual void didFinishShowingPageAtIndex(int64_t) {}

    const std::shared_ptr<MyScrollView>& scrollView() const { return scrollView_; }
    void setScrollView(std::shared_ptr<MyScrollView> view) { scrollView_ = std::move(view); }
    const std::shared_ptr<ui::View>& pageContentView() const { return pageContentView_; }
    int64_t numberOfPages() const { return numberOfPages_; }
    int64_t pageIndex() const { return pageIndex_; }

private:
    void updateContentView();
    std::shared_ptr<ui::View> createPageViewWithNumberOfPages(int64_t count);

    std::shared_ptr<MyScrollView> scrollView_;
    std::shared_ptr<ui::View> pageContentView_;
    int64_t numberOfPages_ = 0;
    int64_t pageIndex_ = 0;
    std::map<std::string, std::shared_ptr<BaseViewController>> addedControllers_;
};

}  // namespace kestrune
