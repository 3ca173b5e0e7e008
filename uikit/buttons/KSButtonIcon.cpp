#include "uikit/buttons/KSButtonIcon.h"

#include "uikit/images/ImageTintColor.h"
#include "uikit/text/StringAdditions.h"

namespace kestrune {

namespace {
// The icon and the gaps around it and the title.
constexpr double kIconRoom = 35;
}  // namespace

void KSButtonIcon::setTitle_withIcon(const std::string& title, const std::string& iconName) {
    iconName_ = iconName;
    updateView();
    setTitle(title);
}

void KSButtonIcon::setViewModel(const std::shared_ptr<ButtonViewModel>& model) {
    if (model) iconName_ = model->iconName();
    KSButton3::setViewModel(model);
}

void KSButtonIcon::updateView() {
    KSButton3::updateView();
    setImage(imageTintedWithColor(ui::Image::imageNamed(iconName_), customTextColor()));
    setImagePosition(ui::ImagePosition::ImageLeft);
    setAlignment(ui::TextAlignment::Left);
}

ui::Rect KSButtonIcon::getFrameForSizeUpdate() {
    ui::Rect f = frame();
    f.size.width = stringLengthForFont(title(), font()) + kIconRoom;
    return f;
}

void KSButtonIcon::drawRect(ui::Rect dirty) {
    KSButton3::drawRect(dirty);
    if (didSetupButtonView_) return;
    didSetupButtonView_ = true;
    setImagePosition(ui::ImagePosition::ImageLeft);
    setAlignment(ui::TextAlignment::Left);
}

}  // namespace kestrune
