// The master pane, as wide as the settings window fixes it: the list under the window's title strip
// (where the window's buttons sit) and a footer line at the bottom.

#include "menubar/navigation/SettingsMasterViewController.h"
#include "platform/ui/Nib.h"

namespace kestrune {

namespace {
constexpr double kMasterListWidth = 245;
constexpr double kMasterListHeight = 575;
constexpr double kMasterListTitleStrip = 44;
constexpr double kFooter = 34;
}  // namespace

extern const ui::NibRegistry::Registration kSettingsMasterViewControllerLayout;
const ui::NibRegistry::Registration kSettingsMasterViewControllerLayout(
    "SettingsMasterViewController", [](ui::NibLoader& nib) {
        auto pane = nib.make<ui::View>({0, 0, kMasterListWidth, kMasterListHeight});
        pane->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        auto list = nib.make<KestruneListView>(
            {0, kFooter, kMasterListWidth, kMasterListHeight - kFooter - kMasterListTitleStrip});
        list->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        auto footer = nib.make<ui::TextField>({16, 10, kMasterListWidth - 32, 16});
        footer->setEditable(false);
        footer->setSelectable(false);
        footer->setBezeled(false);
        footer->setDrawsBackground(false);
        footer->setFont(ui::Font::fontWithName_size("Helvetica Neue", 11));
        footer->setTextColor(ui::Color::lightGrayColor());
        footer->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewMaxYMargin);
        pane->addSubview(list);
        pane->addSubview(footer);
        nib.addTopLevel(pane);
        if (auto owner = nib.owner<SettingsMasterViewController>()) {
            owner->listView = list;
            owner->bottomTextField = footer;
            owner->setView(pane);
        }
    });

}  // namespace kestrune
