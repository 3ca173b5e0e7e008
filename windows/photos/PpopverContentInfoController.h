#pragma once

#include <memory>

#include "menubar/photos/PopoverModel.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace kestrune {

namespace ui = platform::ui;

// The content of the photo window's popover: the long explanation and the model's two buttons.
class PpopverContentInfoController : public ui::ViewController {
public:
    // Loaded from its layout "PpopverContentInfoController"; its view exists when this returns.
    static std::shared_ptr<PpopverContentInfoController> create();

    const std::shared_ptr<PopoverModel>& popoverModel() const { return popoverModel_; }
    // Stores the model and fills the view from it.
    void setPopoverModel(std::shared_ptr<PopoverModel> model);
    void leftButtonToggled(ui::Control& sender);
    void rigthButtonToggled(ui::Control& sender);

    // Outlets.
    std::shared_ptr<ui::TextField> label;
    std::shared_ptr<ui::Button> button1;
    std::shared_ptr<ui::Button> button2;

private:
    std::shared_ptr<PopoverModel> popoverModel_;
};

}  // namespace kestrune
