#include "windows/pagers/SamplePagerVC.h"

#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

void SamplePagerVC::viewDidLoad() {
    BasePagerViewController::viewDidLoad();
    showViewController_animation(initialController(), kNone);
}

std::shared_ptr<InfoViewController> SamplePagerVC::initialController() {
    auto page = KSViewControllerFactory::macOSXNotiicationsVC();
    std::weak_ptr<SamplePagerVC> weak = sharedAs<SamplePagerVC>();
    auto showSecond = [weak](long direction) {
        return [weak, direction] {
            if (auto pager = weak.lock())
                pager->showViewController_animation(pager->secondController(), direction);
        };
    };
    page->setBackAction(showSecond(kLeft));
    page->setForwardAction(showSecond(kRight));
    page->setButtonTitle_action("test", showSecond(kDown));
    return page;
}

std::shared_ptr<InfoViewController> SamplePagerVC::secondController() {
    auto page = KSViewControllerFactory::macOSXNotiicationsVC();
    std::weak_ptr<SamplePagerVC> weak = sharedAs<SamplePagerVC>();
    page->setBackAction([weak] {
        if (auto pager = weak.lock()) pager->showViewController_animation(pager->initialController(), kLeft);
    });
    return page;
}

}  // namespace kestrune
