#include "uikit/buttons/KSButton3.h"

#include <algorithm>

#include "app/shell/PerformBlockAfterDelay.h"
#include "platform/base/UnicodeClasses.h"
#include "platform/ui/Window.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/text/StringAdditions.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

namespace {
// The title's width settles after the layout and drawing of the change it came with.
constexpr double kSizeUpdateDelay = 0.01;
}  // namespace

void KSButton3::awakeFromNib() {
    Button::awakeFromNib();
    nibWidth_ = frame().width();
    setDefaultProperties();
}

void KSButton3::setDefaultProperties() {
    edgeInsets_ = 30;
    initialWidth_ = 100;
    customCornerRadius_ = 10;
    setFont(ui::Font::fontWithName_size("Helvetica Neue", 11));
    customTextColor_ = custom2();
    customBackgroundColor_ = custom3();
}

void KSButton3::setDefaultValues() {
    setDefaultProperties();
    updateView();
}

void KSButton3::updateView() {
    // The look lives on the layer: a button made in code gets one here, as a layout's would have.
    setWantsLayer(true);
    if (auto l = layer()) {
        l->setCornerRadius(customCornerRadius_);
        l->setBackgroundColor(customBackgroundColor_);
    }
    updateTextColor();
    setButtonType(ui::ButtonType::MomentaryPushIn);
}

void KSButton3::updateTextColor() {
    if (customTextColor_) setTextColor(*this, *customTextColor_);
}

void KSButton3::setTitle(std::string title) {
    Button::setTitle(platform::uppercaseString(title));
    updateSizeDependingOnText();
}

void KSButton3::setStringValue(const std::string& value) {
    setTitle(value);
}

void KSButton3::setViewModel(const std::shared_ptr<ButtonViewModel>& model) {
    viewModel_ = model;
    didSetupView_ = true;
    setDefaultValues();
    if (model && model->textColor()) customTextColor_ = model->textColor();
    if (model && model->color()) customBackgroundColor_ = model->color();
    updateView();
    setTitle(model ? model->title() : std::string());
}

void KSButton3::drawRect(ui::Rect dirty) {
    Button::drawRect(dirty);
    if (didSetupView_) return;
    didSetupView_ = true;
    setDefaultValues();
    updateSizeDependingOnText();
}

void KSButton3::updateSizeDependingOnText() {
    std::weak_ptr<KSButton3> weakSelf = sharedAs<KSButton3>();
    performBlock_afterDelay(
        nullptr,
        [weakSelf] {
            auto self = weakSelf.lock();
            if (!self) return;
            // In a window that is not on screen the title is measured by the window's first layout pass
            // instead: measuring text loads the text libraries, which a window made at start and never
            // shown (the settings window) need not load.
            if (auto window = self->window(); window && !window->isVisible()) {
                self->sizeUpdatePending_ = true;
                self->setNeedsLayout(true);
                return;
            }
            self->executeSizeUpdate();
        },
        kSizeUpdateDelay);
}

void KSButton3::layout() {
    ui::Button::layout();
    if (!sizeUpdatePending_) return;
    sizeUpdatePending_ = false;
    executeSizeUpdate();
}

void KSButton3::executeSizeUpdate() {
    setFrame(getFrameForSizeUpdate());
    updateView();
}

ui::Rect KSButton3::getFrameForSizeUpdate() {
    const double width = alwaysUseNibWidth_ ? nibWidth_ : std::max(initialWidth_, getTitleLabelWidth());
    nibCenter_ = rectCenter(frame());
    return rectWithSizeCenteredAtPoint({width, frame().height()}, nibCenter_);
}

double KSButton3::getTitleLabelWidth() const {
    return stringLengthForFont(title(), font()) + edgeInsets_;
}

}  // namespace kestrune
