#include "engine/coordinator/LoginIconNotificationImageView.h"

#include "engine/coordinator/ViewHelpers.h"
#include "engine/session/UserControl.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Color.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"

namespace kestrune {

namespace ui = platform::ui;

extern const ui::NibRegistry::Registration kLoginIconNotificationImageViewLayout;

std::shared_ptr<LoginIconNotificationImageView> LoginIconNotificationImageView::loadFromLayout() {
    return ui::Nib::loadFirst<LoginIconNotificationImageView>(kLoginIconNotificationImageViewLayout.name,
                                                              nullptr);
}

void LoginIconNotificationImageView::setupView() {
    auto helpers = ViewHelpers::current();
    if (auto picture = userImage.lock()) {
        const auto path = UserControl::userImage();
        if (!path.empty()) picture->setImage(ui::Image::initWithContentsOfFile(path));
        helpers->setRoundedCornerSize(*picture, picture->frame().width() / 2);
        if (auto layer = picture->layer()) {
            layer->setBorderWidth(2.0);
            layer->setBorderColor(ui::Color::whiteColor());
        }
    }
    if (auto name = userNameLabel.lock()) name->setStringValue(UserControl::fullName());
    if (auto ask = enterPasswordLabel.lock()) ask->setAlphaValue(0.6);
}

void LoginIconNotificationImageView::showKestruneIcon_animated(bool on, bool animated) {
    setWantsLayer(true);
    if (auto own = layer()) own->setMasksToBounds(true);
    const double duration = animated ? kFadeSeconds : 0;
    const double alpha = alphaForKestruneOn(on);
    auto helpers = ViewHelpers::current();
    helpers->setAlpha_withDuration(*this, alpha, duration);
    // The icon follows halfway through the view's own fade.
    std::weak_ptr<ui::View> icon = kestruneIconImage;
    platform::RunLoop::main().performAfterDelay(duration / 2, [icon, alpha, duration] {
        if (auto view = icon.lock()) ViewHelpers::current()->setAlpha_withDuration(*view, alpha, duration);
    });
}

}  // namespace kestrune
