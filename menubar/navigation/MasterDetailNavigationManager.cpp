#include "menubar/navigation/MasterDetailNavigationManager.h"

#include <algorithm>

#include "menubar/SettingsArtwork.h"

namespace kestrune {

namespace {
const ui::Rect kWindowFrame{200, 200, 1095, 575};
constexpr double kMasterWidth = 245;
}  // namespace

void MasterDetailNavigationManager::setup(const std::shared_ptr<WAYSourceListWindow>& window) {
    viewModelStack_.clear();
    splitWindow_ = window;
    if (!window) return;
    registerSettingsArtwork();
    window->setFrame_display(kWindowFrame, true);
    window->setMinSize(kWindowFrame.size);
    window->setDarkMasterViewMaterial(true);

    master_ = SettingsMasterViewController::create();
    window->setMasterView(master_->view());
    window->setMinimumMasterViewWidth(kMasterWidth);
    window->setMaximumMasterViewWidth(kMasterWidth);
    window->setInitialMasterViewWidth(kMasterWidth);

    detail_ = BaseViewController::create<SettingsDetailViewController>();
    window->setDetailView(detail_->view());

    for (auto button : {ui::Window::StandardButton::Close, ui::Window::StandardButton::Miniaturize,
                        ui::Window::StandardButton::Zoom})
        window->setStandardButtonHidden(button, false);

    std::weak_ptr<MasterDetailNavigationManager> weak = weak_from_this();
    detail_->backToggled = [weak] {
        if (auto self = weak.lock()) self->backToggled();
    };
}

void MasterDetailNavigationManager::setFooterText(const std::string& text) {
    if (master_) master_->setBottomText(text);
}

void MasterDetailNavigationManager::setInitialListViewModel(
    std::vector<std::shared_ptr<ListCellViewModel>> rows) {
    if (!master_) return;
    auto first = rows.empty() ? nullptr : rows.front();
    master_->setListViewModel(std::move(rows));
    master_->reloadListView();
    master_->selectViewModel(first);
}

void MasterDetailNavigationManager::selectRowId_completion(const std::string& rowId, Block completion) {
    if (master_) master_->selectRowId_completion(rowId, std::move(completion));
}

void MasterDetailNavigationManager::showDetailList_source(std::shared_ptr<BaseViewController> list,
                                                          int64_t source) {
    addContentViewForDetailView_source(ListDetailViewModel::initWithTitle_list("", std::move(list)), source);
}

void MasterDetailNavigationManager::showDetailController_source(
    std::shared_ptr<KSWindowController> controller, int64_t source) {
    addContentViewForDetailView_source(
        ListDetailViewModel::initWithTitle_controller("", std::move(controller)), source);
}

void MasterDetailNavigationManager::addContentViewForDetailView_source(const Page& page, int64_t source) {
    addContentViewForDetailView_source_popToRoot(page, source, false);
}

void MasterDetailNavigationManager::addContentViewForDetailView_source_popToRoot(const Page& page,
                                                                                 int64_t source,
                                                                                 bool popToRoot) {
    if (!page) return;
    if (!viewModelStack_.empty() && viewModelStack_.front()->isEqual(*page)) {
        // The root page chosen again is not reloaded.
        if (popToRoot) popToRootView();
        return;
    }
    if (source == kSourceMasterList) {
        showRootViewModel(page);
    } else if (!containsDetailView(page)) {
        pushAndPopIfNeeded_animted(page, true);
    }
    page->updateShownView();
}

void MasterDetailNavigationManager::pushViewModel(const Page& page) {
    pushViewModel_animated(page, true);
}

void MasterDetailNavigationManager::pushViewModel_animated(const Page& page, bool animated) {
    if (!page) return;
    if (!viewModelStack_.empty() && viewModelStack_.back()->isEqual(*page)) return;
    viewModelStack_.push_back(page);
    presentViewModel_animationDirection(page, animated ? kDirectionPush : kDirectionNone);
}

void MasterDetailNavigationManager::replaceTopViewModel(const Page& page) {
    if (!viewModelStack_.empty()) viewModelStack_.pop_back();
    pushViewModel(page);
}

void MasterDetailNavigationManager::showRootViewModel(const Page& page) {
    if (!page) return;
    viewModelStack_ = {page};
    presentViewModel_animationDirection(page, animationDirectionForSource(kSourceMasterList));
}

void MasterDetailNavigationManager::popViewModel() {
    popViewModelAnimated(true);
}

void MasterDetailNavigationManager::pop() {
    popViewModelAnimated(true);
}

void MasterDetailNavigationManager::popViewModelAnimated(bool animated) {
    if (viewModelStack_.size() < 2) return;
    viewModelStack_.pop_back();
    presentViewModel_animationDirection(viewModelStack_.back(), animated ? kDirectionPop : kDirectionNone);
}

void MasterDetailNavigationManager::popToRootAnimated(bool animated) {
    if (viewModelStack_.size() < 2) return;
    viewModelStack_.resize(1);
    presentViewModel_animationDirection(viewModelStack_.front(), animated ? kDirectionPop : kDirectionNone);
}

void MasterDetailNavigationManager::popToRootView() {
    popToRootAnimated(true);
}

void MasterDetailNavigationManager::pushAndPopIfNeeded_animted(const Page& page, bool animated) {
    auto equal = find(page);
    if (equal == viewModelStack_.end()) return pushViewModel(page);
    viewModelStack_.erase(equal + 1, viewModelStack_.cend());
    presentViewModel_animationDirection(viewModelStack_.back(), animated ? kDirectionPop : kDirectionNone);
}

bool MasterDetailNavigationManager::containsDetailView(const Page& page) const {
    return find(page) != viewModelStack_.end();
}

void MasterDetailNavigationManager::presentViewModel_animationDirection(const Page& page, int64_t direction) {
    if (!page) return;
    if (detail_)
        detail_->updateContentView_animationDirection_hasNavbar(page->mainView(), direction,
                                                                !stackHasOnlyRootController());
    updateBackButton();
    updateTitle(page);
}

int64_t MasterDetailNavigationManager::animationDirectionForSource(int64_t source) const {
    if (source != kSourceMasterList) return kDirectionPush;
    if (!master_ || !master_->listView) return kDirectionFromBelow;
    return animationDirectionForList(*master_->listView);
}

int64_t MasterDetailNavigationManager::animationDirectionForList(const KestruneListView& list) const {
    return list.selectionChangeDirectionisUpward() ? kDirectionFromAbove : kDirectionFromBelow;
}

bool MasterDetailNavigationManager::stackHasOnlyRootController() const {
    return viewModelStack_.size() < 2;
}

void MasterDetailNavigationManager::updateTitle(const Page& page) {
    if (detail_ && detail_->titleText)
        detail_->titleText->setStringValue(page ? page->titleDescriptionText() : "");
}

void MasterDetailNavigationManager::updateBackButton() {
    if (detail_ && detail_->backButton) detail_->backButton->setHidden(stackHasOnlyRootController());
}

void MasterDetailNavigationManager::backToggled() {
    if (viewModelStack_.empty()) return;
    if (!viewModelStack_.back()->performCustomActionOnBackButtonToggled()) popViewModel();
}

std::vector<MasterDetailNavigationManager::Page>::const_iterator MasterDetailNavigationManager::find(
    const Page& page) const {
    if (!page) return viewModelStack_.end();
    return std::find_if(viewModelStack_.begin(), viewModelStack_.end(),
                        [&](const Page& other) { return other && other->isEqual(*page); });
}

}  // namespace kestrune
