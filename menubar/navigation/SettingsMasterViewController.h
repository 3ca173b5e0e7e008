#pragma once

#include <memory>
#include <optional>
#include <string>

#include "menubar/lists/ListViewModelController.h"
#include "platform/ui/TextField.h"

namespace kestrune {

// The settings window's master pane: the list of pages on the dark material, with a footer line (the
// application's version) under it.
class SettingsMasterViewController : public ListViewModelController {
public:
    static std::shared_ptr<SettingsMasterViewController> create();

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    // Shown in the footer, in light grey.
    void setBottomText(const std::string& text);

    const std::string& bottomText() const { return bottomText_; }
    std::shared_ptr<ui::TextField> bottomTextField;

private:
    std::string bottomText_;
};

}  // namespace kestrune
