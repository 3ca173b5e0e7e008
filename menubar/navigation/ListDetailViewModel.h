#pragma once

#include <memory>
#include <string>

#include "platform/ui/View.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// One page of the settings window's detail pane: a list page or screen made as a view controller, or a
// screen made as a window controller. Exactly one of the two is set. The title given when it is made is
// not kept: the title shown is the wrapped controller's own.
class ListDetailViewModel {
public:
    static std::shared_ptr<ListDetailViewModel> initWithTitle_list(const std::string& title,
                                                                   std::shared_ptr<BaseViewController> list);
    static std::shared_ptr<ListDetailViewModel> initWithTitle_controller(
        const std::string& title, std::shared_ptr<KSWindowController> controller);

    std::shared_ptr<ui::View> mainView() const;
    // "" when the controller has none.
    std::string titleDescriptionText() const;
    // The page handled the back button itself.
    bool performCustomActionOnBackButtonToggled() const;
    // A screen made as a window controller refreshes itself when shown again.
    void updateShownView() const;
    // Two list pages are the same page when their comparison identifiers match (either one having an
    // identifier decides) or else when they are one controller; two window screens when their layouts
    // are the same.
    bool isEqual(const ListDetailViewModel& other) const;

    const std::shared_ptr<BaseViewController>& baseController() const { return baseController_; }
    const std::shared_ptr<KSWindowController>& windowController() const { return windowController_; }

private:
    std::shared_ptr<BaseViewController> baseController_;
    std::shared_ptr<KSWindowController> windowController_;
};

}  // namespace kestrune
