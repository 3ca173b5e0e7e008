#include "windows/wifi/SafeWifiEditController.h"

#include "app/support/Localizable.h"
#include "features/wifi/SafeWifiManager.h"
#include "uikit/views/BackgroundColor.h"
#include "windows/wifi/SafeWifiCell.h"

namespace kestrune {

namespace {

std::shared_ptr<SafeWifiEntry> entryAt(uint64_t row) {
    auto& entries = SafeWifiManager::shared().safeWifiEntries();
    if (row >= entries.size()) return nullptr;
    return std::dynamic_pointer_cast<SafeWifiEntry>(entries[row]);
}

}  // namespace

void SafeWifiEditController::viewDidLoad() {
    SafeWifiWizzardPage::viewDidLoad();
    updateStrings();
    setUpListView();
}

void SafeWifiEditController::updateStrings() {
    SafeWifiWizzardPage::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("wifi_unlock_edit_list"));
    if (descriptionLabel) descriptionLabel->setStringValue(localizable("wifi_unlock_edit_description"));
    if (wifiListWifiName) wifiListWifiName->setStringValue(localizable("wifi_unlock_networks"));
    if (wifiListDelete) wifiListDelete->setStringValue(localizable("delete"));
    if (wifiUnlockCheckoxText) wifiUnlockCheckoxText->setStringValue(localizable("wifi_unlock"));
    if (addNewButton) addNewButton->setTitle(localizable("add_new_wifi_network"));
}

void SafeWifiEditController::setUpListView() {
    if (listView) {
        listView->setDelegate(
            std::static_pointer_cast<PXListViewDelegate>(sharedAs<SafeWifiEditController>()));
        listView->setupDefaultProperties();
    }
    if (listViewBackgroundView)
        setBackgouroundColor_withAlpha(*listViewBackgroundView, ui::Color::whiteColor(), 0.15);
}

void SafeWifiEditController::reloadView() {
    if (listView) listView->reloadData();
    const bool on = SafeWifiManager::shared().safeWifiTurnedOn();
    if (wifiUnlockCheckox) wifiUnlockCheckox->setState(on ? ui::kStateOn : ui::kStateOff);
    if (wifiUnlockCheckoxTextDescription)
        wifiUnlockCheckoxTextDescription->setStringValue(
            localizable(on ? "currently_enabled" : "currently_disabled"));
}

void SafeWifiEditController::addNewWifi(ui::Control&) {
    if (auto delegate = delegate_.lock())
        delegate->safeWifiEditController_didSelectOption(*this, kAddNetwork);
}

void SafeWifiEditController::checkBoxToggled(ui::Control&) {
    if (auto delegate = delegate_.lock())
        delegate->safeWifiEditController_didSelectOption(*this, kSwitchToggled);
}

uint64_t SafeWifiEditController::numberOfRowsInListView(PXListView&) {
    return SafeWifiManager::shared().safeWifiEntries().size();
}

double SafeWifiEditController::listView_heightOfRow(PXListView&, uint64_t) {
    return kRowHeight;
}

std::shared_ptr<PXListViewCell> SafeWifiEditController::listView_cellForRow(PXListView& list, uint64_t row) {
    auto cell = std::dynamic_pointer_cast<SafeWifiCell>(
        list.dequeueCellWithReusableIdentifier(SafeWifiCell::kIdentifier));
    if (!cell)
        cell = PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier<SafeWifiCell>(
            SafeWifiCell::kIdentifier, SafeWifiCell::kIdentifier);
    if (!cell) return nullptr;
    setBackgouroundColor(*cell, ui::Color::clearColor());
    auto entry = entryAt(row);
    if (cell->ssidNameLabel) cell->ssidNameLabel->setStringValue(entry ? entry->ssidName().value_or("") : "");
    if (cell->icon) cell->icon->setImage(ui::Image::imageNamed("wifi_shortcut_on"));
    cell->setEntry(entry);
    cell->setDelegate(std::static_pointer_cast<SafeWifiCellDelegate>(sharedAs<SafeWifiEditController>()));
    return cell;
}

void SafeWifiEditController::safeWifiCellDidSelectDelete(SafeWifiCell& cell) {
    if (!cell.entry()) return;
    if (auto delegate = delegate_.lock())
        delegate->safeWifiEditController_didSelectDeleteWifi(*this, cell.entry());
}

}  // namespace kestrune
