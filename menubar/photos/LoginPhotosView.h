#pragma once

#include <memory>

#include "menubar/photos/LoginPhotosViewDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The settings window's page about photos after logins: what they are, what the photo window does with
// them, a button to show them all and one back.
class LoginPhotosView : public BaseViewController {
public:
    // "LoginPhotosView".
    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void backToggled(ui::Control& sender);
    void showToggled(ui::Control& sender);

    std::shared_ptr<LoginPhotosViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<LoginPhotosViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // Outlets.
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::TextField> description2Label;
    std::shared_ptr<ui::TextField> description3Label;
    std::shared_ptr<ui::TextField> description4Label;
    std::shared_ptr<ui::TextField> description5Label;
    std::shared_ptr<ui::TextField> footNoteLabel;
    std::shared_ptr<ui::Button> showButton;
    std::shared_ptr<ui::Button> backButton;

private:
    std::weak_ptr<LoginPhotosViewDelegate> delegate_;
};

}  // namespace kestrune
