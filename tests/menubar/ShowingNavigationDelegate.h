#pragma once

// A recording navigation delegate that also does the coordinator's part in showing pages: what a page,
// row or screen asks to show lands in the settings window's detail pane through the navigation.

#include <memory>

#include "menubar/navigation/SettingsWindowNavigation.h"
#include "tests/support/RecordingNavigationDelegate.h"

namespace pagetests {

class ShowingNavigationDelegate : public testsupport::RecordingNavigationDelegate {
public:
    std::weak_ptr<kestrune::SettingsWindowNavigation> navigation;

    void showDetailList_source(Controller list, int64_t source) override {
        RecordingNavigationDelegate::showDetailList_source(list, source);
        if (auto shown = navigation.lock())
            shown->showDetailList_title_source_popToRoot(list, "", source, false);
    }
    void showDetailController_source(Controller controller, int64_t source) override {
        RecordingNavigationDelegate::showDetailController_source(controller, source);
        if (auto shown = navigation.lock())
            shown->showDetailController_title_source_popToRoot(controller, "", source, false);
    }
    void showDetailList_source_popToRoot(Controller list, int64_t source, bool popToRoot) override {
        RecordingNavigationDelegate::showDetailList_source_popToRoot(list, source, popToRoot);
        if (auto shown = navigation.lock())
            shown->showDetailList_title_source_popToRoot(list, "", source, popToRoot);
    }
    void popViewModelAnimated(bool animated) override {
        RecordingNavigationDelegate::popViewModelAnimated(animated);
        if (auto shown = navigation.lock()) shown->popViewModelAnimated(animated);
    }
};

}  // namespace pagetests
