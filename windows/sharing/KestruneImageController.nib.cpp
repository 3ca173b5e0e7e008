// The share image, and the row of ways to share it under it.

#include "windows/sharing/KestruneImageController.h"
#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kKestruneImageControllerLayout;
const ui::NibRegistry::Registration kKestruneImageControllerLayout(
    "KestruneImageController", [](ui::NibLoader& nib) {
        auto owner = nib.owner<KestruneImageController>();
        auto window =
            nib.make<ui::Window>({0, 0, 420, 540}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                                       ui::kWindowStyleFullSizeContentView);
        window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
        window->setTitlebarAppearsTransparent(true);
        window->setOpaque(false);
        nib.addTopLevel(window);
        auto content = window->contentView();
        setBackgouroundColor(*content, colorWithHexColorString("2A2D31"));
        content->layer()->setCornerRadius(12);

        auto picture = nib.make<ui::ImageView>({30, 80, 360, 440});
        picture->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        content->addSubview(picture);

        using Action = void (KestruneImageController::*)(ui::Control&);
        // The services' own names stay as they are; the rest reads in the interface language.
        const std::pair<std::string, Action> actions[] = {
            {"Facebook", &KestruneImageController::facebookToggled},
            {"Twitter", &KestruneImageController::twitterToggled},
            {localizable("email_service_action"), &KestruneImageController::emailToggled},
            {"Flickr", &KestruneImageController::flickrToggled},
            {localizable("message_service_action"), &KestruneImageController::iMessageToggled},
            {localizable("save_photo_action"), &KestruneImageController::saveToDesktop}};
        double x = 20;
        for (const auto& [title, action] : actions) {
            auto button = nib.make<ui::Button>({x, 24, 62, 30});
            setToDefaultProperties(*button);
            button->setFont(ui::Font::fontWithName_size("Helvetica Neue", 11));
            button->setTitle(title);
            const bool save = action == &KestruneImageController::saveToDesktop;
            setTextColor(*button, save ? kestruneGreen() : ui::Color::whiteColor());
            content->addSubview(button);
            x += 64;
            if (!owner) continue;
            button->setTarget(owner);
            button->setAction(
                [act = action](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
                    if (auto controller = std::dynamic_pointer_cast<KestruneImageController>(target))
                        ((*controller).*act)(sender);
                });
        }
        if (!owner) return;
        owner->setWindow(window);
        window->setDelegate(owner);
        owner->imageView = picture;
    });

}  // namespace kestrune
