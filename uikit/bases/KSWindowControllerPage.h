#pragma once

#include <memory>
#include <optional>
#include <string>

#include "uikit/bases/BaseViewController.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// A screen made as a window controller (a wizard, a tutorial, a list or photo window), shown where pages
// go: in the settings window's detail pane, through every interface that hands view controllers on. Its
// view is the window's contents; its title, back button and identity (the window's layout) are the
// window controller's, and it asks the window to refresh whenever it is shown again.
class KSWindowControllerPage : public BaseViewController {
public:
    // The controller's page: one object for as long as anything holds it. None for none.
    static std::shared_ptr<KSWindowControllerPage> pageFor(
        const std::shared_ptr<KSWindowController>& controller);
    // The window controller a page stands for; none for any other controller.
    static std::shared_ptr<KSWindowController> windowControllerOf(
        const std::shared_ptr<ui::ViewController>& screen);

    void loadView() override;
    void viewWillAppear() override;
    std::optional<std::string> titleDescriptionText() const override;
    bool performCustomActionOnBackButtonToggled() override;

    const std::shared_ptr<KSWindowController>& windowController() const { return windowController_; }

private:
    std::shared_ptr<KSWindowController> windowController_;
    bool shownBefore_ = false;
};

}  // namespace kestrune
