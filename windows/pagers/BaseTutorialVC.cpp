#include "windows/pagers/BaseTutorialVC.h"

#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

void BaseTutorialVC::addVC(const std::shared_ptr<BaseViewController>& page) {
    if (!page) return;
    std::weak_ptr<BaseTutorialVC> weak = sharedAs<BaseTutorialVC>();
    page->setBackActionViewController([weak]() -> std::shared_ptr<BaseViewController> {
        auto pager = weak.lock();
        return pager ? pager->previousViewController() : nullptr;
    });
    helpScreenArray_.push_back(page);
}

std::shared_ptr<BaseViewController> BaseTutorialVC::previousViewController() {
    const int64_t i = currentPageIndex_;
    if (i > 0 && i - 1 < static_cast<int64_t>(helpScreenArray_.size())) {
        currentPageIndex_ = i - 1;
        return helpScreenArray_[static_cast<size_t>(i - 1)];
    }
    return nullptr;
}

void BaseTutorialVC::showNextIfPossible() {
    const int64_t j = currentPageIndex_ + 1;
    if (j >= static_cast<int64_t>(helpScreenArray_.size())) return;
    showViewController_animation(helpScreenArray_[static_cast<size_t>(j)], kRight);
    currentPageIndex_ = j;
}

std::shared_ptr<BaseViewController> BaseTutorialVC::pageForIndex(int64_t index) const {
    if (index < 0 || index >= static_cast<int64_t>(helpScreenArray_.size())) return nullptr;
    return helpScreenArray_[static_cast<size_t>(index)];
}

void BaseTutorialVC::start() {
    reloadPages();
    currentPageIndex_ = 0;
    if (auto first = pageForIndex(0)) showViewController_animation(first, kNone);
}

std::shared_ptr<InfoViewController> BaseTutorialVC::macUpdateController() {
    auto& updates = UpdateController::shared();
    if (updates.newMacVersion()) return updateMacVersion();
    if (updates.macVersionIsUpToDate()) return nullptr;
    return checkForMacUpdates();
}

std::shared_ptr<InfoViewController> BaseTutorialVC::iosUpdateController() {
    auto& updates = UpdateController::shared();
    if (updates.newiOSVersion()) return updateIosVersion();
    if (updates.iOSVersionIsUpToDate()) return nullptr;
    return checkForIosUpdates();
}

Block BaseTutorialVC::nextBlock() {
    std::weak_ptr<BaseTutorialVC> weak = sharedAs<BaseTutorialVC>();
    return [weak] {
        if (auto pager = weak.lock()) pager->showNextIfPossible();
    };
}

Block BaseTutorialVC::checkBlock() {
    std::weak_ptr<BaseTutorialVC> weak = sharedAs<BaseTutorialVC>();
    return [weak] {
        if (auto pager = weak.lock()) KestruneUpdater::shared().checkForUpdates(pager.get());
    };
}

std::shared_ptr<InfoViewController> BaseTutorialVC::updateMacVersion() {
    return KSViewControllerFactory::updateMacVersion_check_next(generalTitle(), checkBlock(), nextBlock());
}

std::shared_ptr<InfoViewController> BaseTutorialVC::checkForMacUpdates() {
    return KSViewControllerFactory::checkForMacUpdates_check_next(generalTitle(), checkBlock(), nextBlock());
}

std::shared_ptr<InfoViewController> BaseTutorialVC::updateIosVersion() {
    return KSViewControllerFactory::updateIOSVersion_next(generalTitle(), nextBlock());
}

std::shared_ptr<InfoViewController> BaseTutorialVC::checkForIosUpdates() {
    return KSViewControllerFactory::checkForIOSUpdates_next(generalTitle(), nextBlock());
}

}  // namespace kestrune
