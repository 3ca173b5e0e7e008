#pragma once

#include <memory>

#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace kestrune {

namespace ui = platform::ui;

// A small, dimmed picture of the phone's row in the menu-bar panel: its name, the Kestrune switch and
// the distance.
class FinishPreviewController : public ui::ViewController {
public:
    static std::shared_ptr<FinishPreviewController> create();

    void viewDidLoad() override;
    void setUpView();
    void updateString();

    std::shared_ptr<ui::TextField> iPhoneNameTitle;
    std::shared_ptr<ui::TextField> kestruneTitleLabel;
    std::shared_ptr<ui::TextField> kestruneSwitchLabel;
    std::shared_ptr<ui::TextField> distanceLabel;
    std::shared_ptr<ui::View> backgroundView;
};

}  // namespace kestrune
