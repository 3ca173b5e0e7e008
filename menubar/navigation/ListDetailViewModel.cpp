#include "menubar/navigation/ListDetailViewModel.h"

namespace kestrune {

std::shared_ptr<ListDetailViewModel> ListDetailViewModel::initWithTitle_list(
    const std::string&, std::shared_ptr<BaseViewController> list) {
    auto page = std::make_shared<ListDetailViewModel>();
    page->baseController_ = std::move(list);
    return page;
}

std::shared_ptr<ListDetailViewModel> ListDetailViewModel::initWithTitle_controller(
    const std::string&, std::shared_ptr<KSWindowController> controller) {
    auto page = std::make_shared<ListDetailViewModel>();
    page->windowController_ = std::move(controller);
    return page;
}

std::shared_ptr<ui::View> ListDetailViewModel::mainView() const {
    if (baseController_) return baseController_->mainView();
    if (windowController_) return windowController_->mainView();
    return nullptr;
}

std::string ListDetailViewModel::titleDescriptionText() const {
    if (baseController_) return baseController_->titleDescriptionText().value_or("");
    if (windowController_) return windowController_->titleDescriptionText();
    return "";
}

bool ListDetailViewModel::performCustomActionOnBackButtonToggled() const {
    if (baseController_) return baseController_->performCustomActionOnBackButtonToggled();
    if (windowController_) return windowController_->performCustomActionOnBackButtonToggled();
    return false;
}

void ListDetailViewModel::updateShownView() const {
    if (windowController_) windowController_->updateWindowView();
}

bool ListDetailViewModel::isEqual(const ListDetailViewModel& other) const {
    if (baseController_ && other.baseController_) {
        const auto& mine = baseController_->comparisonIdentifier();
        const auto& theirs = other.baseController_->comparisonIdentifier();
        if (mine || theirs) return mine == theirs;
        return baseController_ == other.baseController_ &&
               baseController_->comutedNibName() == other.baseController_->comutedNibName();
    }
    if (windowController_ && other.windowController_) {
        if (windowController_ == other.windowController_) return true;
        const auto mine = windowController_->existingUserDefinedOrFallbackNibName();
        return mine && mine == other.windowController_->existingUserDefinedOrFallbackNibName();
    }
    return false;
}

}  // namespace kestrune
