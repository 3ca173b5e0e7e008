#include "windows/screens/InfoViewController.h"

#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

namespace {
void setImageNamed(ui::ImageView* view, const std::string& name) {
    if (view) view->setImage(name.empty() ? nullptr : ui::Image::imageNamed(name));
}
}  // namespace

std::optional<std::string> InfoViewController::titleDescriptionText() const {
    if (!titleTextField) return std::nullopt;
    return titleTextField->stringValue();
}

void InfoViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    setRightButtonLoading(false);
}

std::shared_ptr<InfoViewController> InfoViewController::setTitle_description_image_button_action(
    const std::string& title, const std::string& description, const std::string& imageName,
    const std::string& buttonTitle, Block action) {
    if (titleTextField) titleTextField->setStringValue(title);
    if (textField) textField->setStringValue(description);
    setImageNamed(mainIcon.get(), imageName);
    setButtonTitle_action(buttonTitle, std::move(action));
    return sharedAs<InfoViewController>();
}

void InfoViewController::setButtonTitle_action(const std::string& title, Block action) {
    mainButtonAction_ = std::move(action);
    if (button) button->setTitle(title);
    updateView();
}

void InfoViewController::setLeftButtonTitle_action(const std::string& title, Block action) {
    leftButtonAction_ = std::move(action);
    if (leftbutton) leftbutton->setTitle(title);
    updateView();
}

void InfoViewController::setRightButtonTitle_action(const std::string& title, Block action) {
    rightButtonAction_ = std::move(action);
    if (rightbutton) rightbutton->setTitle(title);
    updateView();
}

void InfoViewController::updateStrings() {
    BaseViewController::updateStrings();
    updateView();
}

void InfoViewController::setBackAction(Block action) {
    backActionHandler_ = std::move(action);
    updateView();
}

void InfoViewController::setForwardAction(Block action) {
    forwardActionHandler_ = std::move(action);
    updateView();
}

void InfoViewController::updateView() {
    if (bottomSeparatorView) setBackgouroundColor(*bottomSeparatorView, kestruneGreen());
    if (backButton) backButton->setHidden(!backActionHandler_);
    if (nextButton) nextButton->setHidden(!forwardActionHandler_);
    if (button) button->setHidden(!mainButtonAction_);
    if (leftbutton) leftbutton->setHidden(!leftButtonAction_);
    if (rightbutton) {
        rightbutton->setHidden(!rightButtonAction_);
        rightbutton->setAlphaValue(alphaForAction_isLoading(rightButtonAction_, rightButtonIsLoading_));
    }
}

double InfoViewController::alphaForAction_isLoading(const Block& action, bool loading) {
    if (!action) return 0.0;
    return loading ? 0.3 : 1.0;
}

void InfoViewController::setRightButtonLoading(bool loading) {
    rightButtonIsLoading_ = loading;
    setLoading_loader_button(loading, rightbuttonLoader.get(), rightbutton.get());
}

void InfoViewController::setLoading_loader_button(bool loading, ui::ProgressIndicator* loader,
                                                  ui::Button* target) {
    if (loader) {
        loader->setHidden(!loading);
        if (loading) {
            loader->startAnimation();
        } else {
            loader->stopAnimation();
        }
    }
    if (target) {
        target->setEnabled(!loading);
        target->setAlphaValue(loading ? 0.3 : 1.0);
    }
    updateView();
}

void InfoViewController::nextButtonToggled(ui::Control&) {
    if (forwardActionHandler_) forwardActionHandler_();
}

void InfoViewController::previousButtonToggled(ui::Control&) {
    if (backActionHandler_) backActionHandler_();
}

void InfoViewController::buttonToggled(ui::Control&) {
    if (mainButtonAction_) mainButtonAction_();
}

void InfoViewController::leftButtonToggled(ui::Control&) {
    if (leftButtonAction_) leftButtonAction_();
}

void InfoViewController::rightButtonToggled(ui::Control&) {
    if (rightButtonAction_) rightButtonAction_();
}

void InfoViewController::playGIF(const std::string& imageName) {
    if (!mainIconSmall) return;
    mainIconSmall->setImage(nullptr);
    mainIconSmall->setAnimates(true);
    mainIconSmall->setCanDrawSubviewsIntoLayer(true);
    mainIconSmall->setImage(ui::Image::imageNamed(imageName));
}

void InfoViewController::showAnimation_loop_completion(const std::string& name, bool loop,
                                                       AnimationCompletion completion) {
    if (!mainIconSmall) return;
    mainIconSmall->setImage(nullptr);
    // A looping animation would otherwise play on for ever under the new one.
    if (animation_ && animation_->loopAnimation() && animation_->isAnimationPlaying()) animation_->stop();
    animation_ = ui::AnimationView::animationNamed(name);
    animation_->setLoopAnimation(loop);
    animation_->setContentMode(ui::AnimationView::ScaleAspectFit);
    mainIconSmall->addSubview(animation_);
    animation_->setFrame(mainIconSmall->bounds());
    animation_->playWithCompletion([completion = std::move(completion)](bool finished) {
        if (completion) completion(finished);
    });
}

void IphoneMultiStepViewController::setStep1_image(const std::string& text, const std::string& imageName) {
    if (item1TextField) item1TextField->setStringValue(text);
    setImageNamed(item1Image.get(), imageName);
}

void IphoneMultiStepViewController::setStep2_image(const std::string& text, const std::string& imageName) {
    if (item2TextField) item2TextField->setStringValue(text);
    setImageNamed(item2Image.get(), imageName);
}

void IphoneMultiStepViewController::setStep3_image(const std::string& text, const std::string& imageName) {
    if (item3TextField) item3TextField->setStringValue(text);
    setImageNamed(item3Image.get(), imageName);
}

}  // namespace kestrune
