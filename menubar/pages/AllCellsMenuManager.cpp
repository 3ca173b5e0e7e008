#include "menubar/pages/AllCellsMenuManager.h"

#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
}  // namespace

BaseMenuItemManager::Rows AllCellsMenuManager::createViewModel() {
    const Block none = [] {};
    return {
        F::devicesCellWithMacImage_macName_mobileImage_mobileName_connected_distance(
            "wizzard_iphone_frame", "mac name", "wizzard_iphone_frame", "iPhone", true, "2.2m"),
        F::loadingCellWithTitle_description_action("Loading", "Loading", none),
        F::collapsableCellWithTitle_description_collapsed_actionTitle_action_collapseAction(
            "Turn bluetooth on", "", bluetoothCollapsed_, "Turn Bluetooth On", none,
            weakly<AllCellsMenuManager>([](AllCellsMenuManager& self) {
                self.bluetoothCollapsed_ = !self.bluetoothCollapsed_;
                self.reloadData();
            })),
        F::iconTitleDescriptionCellWithIcon_title_description_action("main_wifi", "Icon TItle Description",
                                                                     "icon Title Description", none),
        F::titleDescriptionCellWithTitle_description_action("title Description", "Description", none),
        F::separatorCell(),
        F::regularCellWithIcon_title_action("Regular cell with icon", "Regular cell with icon", none),
        F::buttonCellWithTitle_color_action("Button cell with title", ui::Color::redColor(), none),
        F::readMoreButtonCellWithTitle_action("Read more", none),
        F::emptyCellWithAction(none),
        F::simpleImageCellWithImage_action("Simple image", none),
        F::gifImageCellWithImage_action("BT", none),
        F::titleDescriptionCellCenteredWithTitle_description_action("Centered", "Centered", none),
        F::doubleButtonCellWithButton1_action1_button2_action2("Button1", none, "Button 2", none),
    };
}

}  // namespace kestrune
