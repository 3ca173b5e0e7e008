// The system-preference wizards' pages: a picture, a title, a text and a button; and the page that
// opens the pane and checks it, with the pane's picture between its two buttons.

#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"
#include "windows/preferences/SimpleButtonBaseController.h"
#include "windows/preferences/UpdateSecuritySettingsViewController.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

namespace {

namespace sl = screenlayout;
using ui::Rect;

std::shared_ptr<ui::ImageView> picture(ui::NibLoader& nib, Rect frame) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    return view;
}

}  // namespace

extern const ui::NibRegistry::Registration kSimpleButtonBaseControllerLayout;
const ui::NibRegistry::Registration kSimpleButtonBaseControllerLayout(
    "SimpleButtonBaseController", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto image = picture(nib, {345, 250, 160, 160});
        auto title = sl::label(nib, {75, 440, 700, 40}, 24, true);
        auto text = sl::label(nib, {110, 110, 630, 120}, 15);
        auto button = sl::actionButton(nib, {325, 40, 200, 40});
        for (const std::shared_ptr<ui::View>& view :
             std::vector<std::shared_ptr<ui::View>>{image, title, text, button, sl::separator(nib)})
            page->addSubview(view);
        auto owner = nib.owner<SimpleButtonBaseController>();
        if (!owner) return;
        owner->imageView = image;
        owner->label = title;
        owner->descriptionLabel = text;
        owner->button = button;
        sl::bind<SimpleButtonBaseController>(*button, owner, &SimpleButtonBaseController::buttonToggled);
    });

extern const ui::NibRegistry::Registration kUpdateSecuritySettingsViewControllerLayout;
const ui::NibRegistry::Registration kUpdateSecuritySettingsViewControllerLayout(
    "UpdateSecuritySettingsViewController", [](ui::NibLoader& nib) {
        using Page = UpdateSecuritySettingsViewController;
        auto page = sl::pageView(nib);
        auto top = sl::label(nib, {75, 446, 700, 56}, 18, true);
        auto open = sl::actionButton(nib, {325, 396, 200, 40});
        auto image = picture(nib, {255, 140, 340, 240});
        auto instruction = sl::label(nib, {110, 88, 630, 44}, 15, true);
        auto verify = sl::actionButton(nib, {325, 32, 200, 40});
        for (const std::shared_ptr<ui::View>& view :
             std::vector<std::shared_ptr<ui::View>>{top, open, image, instruction, verify, sl::separator(nib)})
            page->addSubview(view);
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->topLabel = top;
        owner->topButton = open;
        owner->imageView = image;
        owner->label2 = instruction;
        owner->bottomButton = verify;
        sl::bind<Page>(*open, owner, &Page::openSettingsToggled);
        sl::bind<Page>(*verify, owner, &Page::verifySettingsToggled);
    });

std::optional<std::string> SimpleButtonBaseController::nibName() const {
    return kSimpleButtonBaseControllerLayout.name;
}
std::optional<std::string> UpdateSecuritySettingsViewController::nibName() const {
    return kUpdateSecuritySettingsViewControllerLayout.name;
}

}  // namespace kestrune
