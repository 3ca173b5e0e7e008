// The trusted Wi-Fi wizard's pages and its list's row: the welcome page, the page that trusts the
// joined network, its confirmation, and the list of trusted networks with the switch.

#include "menubar/cells/CellLayout.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/ScreenLayout.h"
#include "windows/wifi/SafeWifiAddNewWifiController.h"
#include "windows/wifi/SafeWifiCell.h"
#include "windows/wifi/SafeWifiEditController.h"
#include "windows/wifi/SafeWifiFinishController.h"
#include "windows/wifi/SafeWifiFirstController.h"

namespace kestrune {

namespace {

namespace sl = screenlayout;
using ui::Rect;
using Views = std::vector<std::shared_ptr<ui::View>>;

std::shared_ptr<ui::ImageView> wifiPicture(ui::NibLoader& nib, Rect frame, const std::string& name) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    view->setImage(ui::Image::imageNamed(name));
    return view;
}

}  // namespace

extern const ui::NibRegistry::Registration kSafeWifiFirstControllerLayout;
const ui::NibRegistry::Registration kSafeWifiFirstControllerLayout(
    "SafeWifiFirstController", [](ui::NibLoader& nib) {
        using Page = SafeWifiFirstController;
        auto page = sl::pageView(nib);
        auto image = wifiPicture(nib, {355, 310, 140, 140}, "main_wifi");
        auto title = sl::label(nib, {75, 256, 700, 36}, 24, true);
        auto text = sl::label(nib, {110, 180, 630, 66}, 15);
        auto issue = sl::label(nib, {110, 124, 630, 44}, 15, true);
        issue->setTextColor(redTextColor());
        auto add = sl::actionButton(nib, {315, 78, 220, 40});
        auto edit = sl::actionButton(nib, {315, 28, 220, 40});
        sl::addAll(*page, {image, title, text, issue, add, edit, sl::separator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->mainImage = image;
        owner->titleLabel = title;
        owner->descriptionLabel = text;
        owner->issueLabel = issue;
        owner->addButton = add;
        owner->editButton = edit;
        sl::bind<Page>(*add, owner, &Page::addToggled);
        sl::bind<Page>(*edit, owner, &Page::editToggled);
    });

extern const ui::NibRegistry::Registration kSafeWifiAddNewWifiControllerLayout;
const ui::NibRegistry::Registration kSafeWifiAddNewWifiControllerLayout(
    "SafeWifiAddNewWifiController", [](ui::NibLoader& nib) {
        using Page = SafeWifiAddNewWifiController;
        auto page = sl::pageView(nib);
        auto image = wifiPicture(nib, {355, 300, 140, 140}, "main_wifi");
        auto title = sl::label(nib, {75, 246, 700, 40}, 26, true);
        auto text = sl::label(nib, {110, 150, 630, 84}, 15);
        auto left = sl::actionButton(nib, {215, 60, 200, 40});
        auto right = sl::actionButton(nib, {435, 60, 200, 40});
        right->layer()->setBackgroundColor(customLightGray());
        auto center = sl::actionButton(nib, {325, 60, 200, 40});
        sl::addAll(*page, {image, title, text, left, right, center, sl::separator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->mainImage = image;
        owner->titleLabel = title;
        owner->descriptionLabel2 = text;
        owner->leftButtonOutlet = left;
        owner->rightButtonOutlet = right;
        owner->centerButtonOutlet = center;
        sl::bind<Page>(*left, owner, &Page::leftButton);
        sl::bind<Page>(*right, owner, &Page::rightButton);
        sl::bind<Page>(*center, owner, &Page::centerButton);
    });

extern const ui::NibRegistry::Registration kSafeWifiFinishControllerLayout;
const ui::NibRegistry::Registration kSafeWifiFinishControllerLayout(
    "SafeWifiFinishController", [](ui::NibLoader& nib) {
        using Page = SafeWifiFinishController;
        auto page = sl::pageView(nib);
        auto image = wifiPicture(nib, {345, 270, 160, 160}, "main_wifi_done");
        auto title = sl::label(nib, {75, 212, 700, 40}, 24, true);
        auto text = sl::label(nib, {110, 150, 630, 50}, 15);
        auto finish = sl::actionButton(nib, {325, 70, 200, 40});
        sl::addAll(*page, {image, title, text, finish, sl::separator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->mainImage = image;
        owner->titleLabel = title;
        owner->descriptionLabel = text;
        owner->finishButton = finish;
        sl::bind<Page>(*finish, owner, &Page::finishToggled);
    });

extern const ui::NibRegistry::Registration kSafeWifiEditControllerLayout;
const ui::NibRegistry::Registration kSafeWifiEditControllerLayout(
    "SafeWifiEditController", [](ui::NibLoader& nib) {
        using Page = SafeWifiEditController;
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 462, 700, 36}, 24, true);
        auto text = sl::label(nib, {110, 412, 630, 44}, 14);
        // The list in a light card, its column titles above the rows.
        auto card = nib.make<ui::View>({100, 146, 650, 256});
        setBackgouroundColor(*card, colorWithHexColorString("F1F3F2"));
        card->layer()->setCornerRadius(12);
        auto name = sl::label(nib, {24, 222, 300, 22}, 13, true, ui::TextAlignment::Left);
        auto remove = sl::label(nib, {520, 222, 110, 22}, 13, true, ui::TextAlignment::Center);
        auto background = nib.make<ui::View>({0, 8, 650, 206});
        auto list = nib.make<KestruneListView>({0, 8, 650, 206});
        sl::addAll(*card, {name, remove, background, list});
        auto checkBox = nib.make<KSCustomCheckBox>({110, 98, 22, 22});
        checkBox->setButtonType(ui::ButtonType::Switch);
        checkBox->setTitle("");
        auto switchText = sl::label(nib, {142, 98, 300, 22}, 15, true, ui::TextAlignment::Left);
        auto switchState = sl::label(nib, {142, 76, 300, 20}, 12, false, ui::TextAlignment::Left);
        auto add = sl::actionButton(nib, {530, 84, 220, 40});
        sl::addAll(*page, {title, text, card, checkBox, switchText, switchState, add, sl::separator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->descriptionLabel = text;
        owner->wifiListWifiName = name;
        owner->wifiListDelete = remove;
        owner->listViewBackgroundView = background;
        owner->listView = list;
        owner->wifiUnlockCheckox = checkBox;
        owner->wifiUnlockCheckoxText = switchText;
        owner->wifiUnlockCheckoxTextDescription = switchState;
        owner->addNewButton = add;
        sl::bind<Page>(*checkBox, owner, &Page::checkBoxToggled);
        sl::bind<Page>(*add, owner, &Page::addNewWifi);
    });

extern const ui::NibRegistry::Registration kSafeWifiCellLayout;
const ui::NibRegistry::Registration kSafeWifiCellLayout(SafeWifiCell::kIdentifier, [](ui::NibLoader& nib) {
    auto cell = nib.make<SafeWifiCell>({0, 0, 650, SafeWifiEditController::kRowHeight});
    cell->setAutoresizingMask(ui::kViewWidthSizable);
    nib.addTopLevel(cell);
    cell->icon = cells::imageView(nib, *cell, {24, 14, 28, 28});
    cell->ssidNameLabel =
        cells::label(nib, *cell, {66, 16, 420, 22}, "Helvetica Neue", 15, colorWithHexColorString("222222"));
    auto remove = sl::pictureButton(nib, {560, 12, 30, 30}, "info_delete");
    remove->setAutoresizingMask(ui::kViewMinXMargin);
    cell->addSubview(remove);
    cell->deleteButton = remove;
    cells::connect(*remove, cell, &SafeWifiCell::deleteToggled);
});

std::optional<std::string> SafeWifiFirstController::nibName() const {
    return kSafeWifiFirstControllerLayout.name;
}
std::optional<std::string> SafeWifiAddNewWifiController::nibName() const {
    return kSafeWifiAddNewWifiControllerLayout.name;
}
std::optional<std::string> SafeWifiFinishController::nibName() const {
    return kSafeWifiFinishControllerLayout.name;
}
std::optional<std::string> SafeWifiEditController::nibName() const {
    return kSafeWifiEditControllerLayout.name;
}

}  // namespace kestrune
