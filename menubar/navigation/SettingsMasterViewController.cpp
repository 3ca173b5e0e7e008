#include "menubar/navigation/SettingsMasterViewController.h"

#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSettingsMasterViewControllerLayout;

std::shared_ptr<SettingsMasterViewController> SettingsMasterViewController::create() {
    auto master = std::make_shared<SettingsMasterViewController>();
    master->init();
    return master;
}

std::optional<std::string> SettingsMasterViewController::nibName() const {
    return kSettingsMasterViewControllerLayout.name;
}

void SettingsMasterViewController::viewDidLoad() {
    ListViewModelController::viewDidLoad();
    if (!listView) return;
    listView->setHasVerticalScroller(false);
    // The list keeps its place when its rows are given again.
    listView->setIsScrollToTopDisabled(true);
}

void SettingsMasterViewController::setBottomText(const std::string& text) {
    bottomText_ = text;
    if (!bottomTextField) return;
    bottomTextField->setStringValue(text);
    bottomTextField->setTextColor(ui::Color::lightGrayColor());
}

}  // namespace kestrune
