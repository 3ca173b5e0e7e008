#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/AnimationView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The one-page screen most information, confirmation and troubleshooting screens are made of: a title,
// a text, a large picture (or an animation in a small slot), a main button, a left and a right button
// and back and next arrows. Each button runs the closure its builder gave it and is shown exactly when it
// has one. The layout subclasses below differ only in where these sit.
class InfoViewController : public BaseViewController {
public:
    using AnimationCompletion = std::function<void(bool finished)>;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    // The page's own title, so that the settings window shows it above the page.
    std::optional<std::string> titleDescriptionText() const override;
    std::shared_ptr<InfoViewController> setTitle_description_image_button_action(
        const std::string& title, const std::string& description, const std::string& imageName,
        const std::string& buttonTitle, Block action);
    void setButtonTitle_action(const std::string& title, Block action);
    void setLeftButtonTitle_action(const std::string& title, Block action);
    void setRightButtonTitle_action(const std::string& title, Block action);
    void updateStrings() override;
    void setBackAction(Block action);
    void setForwardAction(Block action);
    void updateView();
    static double alphaForAction_isLoading(const Block& action, bool loading);
    void nextButtonToggled(ui::Control& sender);
    void setRightButtonLoading(bool loading);
    void setLoading_loader_button(bool loading, ui::ProgressIndicator* loader, ui::Button* button);
    void previousButtonToggled(ui::Control& sender);
    void buttonToggled(ui::Control& sender);
    void leftButtonToggled(ui::Control& sender);
    void rightButtonToggled(ui::Control& sender);
    // Plays the named animated image in the small slot.
    void playGIF(const std::string& imageName);
    // Adds an animation view to the small slot and plays it; a looping animation started earlier stops
    // (its view stays, under the new one).
    void showAnimation_loop_completion(const std::string& name, bool loop, AnimationCompletion completion);

    bool rightButtonIsLoading() const { return rightButtonIsLoading_; }
    const std::shared_ptr<ui::AnimationView>& animation() const { return animation_; }
    const Block& mainButtonAction() const { return mainButtonAction_; }
    const Block& leftButtonAction() const { return leftButtonAction_; }
    const Block& rightButtonAction() const { return rightButtonAction_; }
    const Block& backActionHandler() const { return backActionHandler_; }
    const Block& forwardActionHandler() const { return forwardActionHandler_; }

    // Outlets of the layout.
    std::shared_ptr<ui::ImageView> mainIcon;
    std::shared_ptr<ui::ImageView> mainIconSmall;
    std::shared_ptr<ui::TextField> titleTextField;
    std::shared_ptr<ui::TextField> textField;
    std::shared_ptr<ui::View> bottomSeparatorView;
    std::shared_ptr<ui::Button> backButton;
    std::shared_ptr<ui::Button> nextButton;
    std::shared_ptr<ui::Button> button;
    std::shared_ptr<ui::Button> leftbutton;
    std::shared_ptr<ui::Button> rightbutton;
    std::shared_ptr<ui::ProgressIndicator> rightbuttonLoader;

private:
    bool rightButtonIsLoading_ = false;
    Block mainButtonAction_;
    Block leftButtonAction_;
    Block rightButtonAction_;
    Block backActionHandler_;
    Block forwardActionHandler_;
    std::shared_ptr<ui::AnimationView> animation_;
};

// Large-picture pages of the phone application.
class DeviceInfoViewController : public InfoViewController {
public:
    std::optional<std::string> nibName() const override;
};

// The second large-picture layout, the picture on the other side.
class DeviceInfoViewController2 : public InfoViewController {
public:
    std::optional<std::string> nibName() const override;
};

// Pages about the Mac itself: a wide picture above the text.
class MacDeviceInfoViewController : public InfoViewController {
public:
    std::optional<std::string> nibName() const override;
};

// Two pictures side by side.
class MacPhoneDeviceViewController : public InfoViewController {
public:
    std::optional<std::string> nibName() const override;
    std::shared_ptr<ui::ImageView> secondaryImage;
};

// Three numbered steps, each a picture over its text.
class IphoneMultiStepViewController : public InfoViewController {
public:
    std::optional<std::string> nibName() const override;
    void setStep1_image(const std::string& text, const std::string& imageName);
    void setStep2_image(const std::string& text, const std::string& imageName);
    void setStep3_image(const std::string& text, const std::string& imageName);

    std::shared_ptr<ui::ImageView> item1Image, item2Image, item3Image;
    std::shared_ptr<ui::TextField> item1TextField, item2TextField, item3TextField;
};

}  // namespace kestrune
