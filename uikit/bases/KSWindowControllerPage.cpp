#include "uikit/bases/KSWindowControllerPage.h"

namespace kestrune {

std::shared_ptr<KSWindowControllerPage> KSWindowControllerPage::pageFor(
    const std::shared_ptr<KSWindowController>& controller) {
    if (!controller) return nullptr;
    if (auto kept = std::dynamic_pointer_cast<KSWindowControllerPage>(controller->detailPage())) return kept;
    auto page = std::make_shared<KSWindowControllerPage>();
    page->windowController_ = controller;
    // Screens of one kind are one page to the navigation, which pushes a page only once. (Several kinds
    // share the paged window's layout here, so the kind is the class, not the layout.)
    page->setComparisonIdentifier(controller->className());
    page->init();
    controller->setDetailPage(page);
    return page;
}

std::shared_ptr<KSWindowController> KSWindowControllerPage::windowControllerOf(
    const std::shared_ptr<ui::ViewController>& screen) {
    auto page = std::dynamic_pointer_cast<KSWindowControllerPage>(screen);
    return page ? page->windowController_ : nullptr;
}

void KSWindowControllerPage::loadView() {
    // The window's contents, loaded with the window when it first is asked for.
    auto contents = windowController_ ? windowController_->mainView() : nullptr;
    if (contents) {
        setView(contents);
    } else {
        BaseViewController::loadView();
    }
}

void KSWindowControllerPage::viewWillAppear() {
    BaseViewController::viewWillAppear();
    if (shownBefore_ && windowController_) windowController_->updateWindowView();
    shownBefore_ = true;
}

std::optional<std::string> KSWindowControllerPage::titleDescriptionText() const {
    if (!windowController_) return std::nullopt;
    return windowController_->titleDescriptionText();
}

bool KSWindowControllerPage::performCustomActionOnBackButtonToggled() {
    return windowController_ && windowController_->performCustomActionOnBackButtonToggled();
}

}  // namespace kestrune
