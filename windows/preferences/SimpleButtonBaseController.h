#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// A page of a picture, a title, a description and one button, all given by its builder.
class SimpleButtonBaseController : public BaseViewController {
public:
    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    // Shows the fields; a button without a title keeps the one it has.
    void updateView();
    void buttonToggled(ui::Control& sender);

    std::optional<std::string> imageName;
    std::optional<std::string> labelText;
    std::optional<std::string> descriptionLabelText;
    std::optional<std::string> buttonTitle;
    Block action;

    std::shared_ptr<ui::Button> button;
    std::shared_ptr<ui::TextField> label;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::ImageView> imageView;
};

}  // namespace kestrune
