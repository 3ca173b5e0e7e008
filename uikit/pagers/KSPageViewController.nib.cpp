// The paged window: a borderless, transparent window of one page, filled by the horizontal page
// scroller.

#include "uikit/pagers/KSPageViewController.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Window.h"

namespace kestrune {

std::shared_ptr<ui::Window> KSPageViewController::loadPagedWindow(ui::NibLoader& nib) {
    auto window = nib.make<ui::Window>(
        {0, 0, KSPageViewController::kPageWidth, KSPageViewController::kPageHeight},
        ui::kWindowStyleTitled | ui::kWindowStyleClosable | ui::kWindowStyleFullSizeContentView);
    window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
    window->setTitlebarAppearsTransparent(true);
    window->setOpaque(false);
    nib.addTopLevel(window);
    auto scroller =
        nib.make<MyScrollView>({0, 0, KSPageViewController::kPageWidth, KSPageViewController::kPageHeight});
    scroller->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    window->contentView()->addSubview(scroller);
    auto owner = nib.owner<KSPageViewController>();
    if (!owner) return window;
    owner->setWindow(window);
    window->setDelegate(owner);
    owner->setScrollView(scroller);
    return window;
}

extern const ui::NibRegistry::Registration kKSPageViewControllerLayout;
const ui::NibRegistry::Registration kKSPageViewControllerLayout(
    "KSPageViewController", [](ui::NibLoader& nib) { KSPageViewController::loadPagedWindow(nib); });

}  // namespace kestrune
