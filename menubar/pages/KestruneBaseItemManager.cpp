#include "menubar/pages/KestruneBaseItemManager.h"

#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
constexpr int32_t kWarningYellow = 1;
}  // namespace

std::shared_ptr<ListCellViewModel> KestruneBaseItemManager::notPairedDevices() {
    return ListViewModelFactory::
        collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
            localizable("no_paired_devices_title"), kWarningYellow,
            localizable("no_paired_devices_description"), !noPairedDevicesExpanded_,
            localizable("add_new_device_action"), navigate(&NavigationDelegate::showAddNewDeviceView),
            weakly<KestruneBaseItemManager>([](KestruneBaseItemManager& self) {
                self.noPairedDevicesExpanded_ = !self.noPairedDevicesExpanded_;
                self.reloadData();
            }));
}

std::shared_ptr<ListCellViewModel> KestruneBaseItemManager::notConnected() {
    return ListViewModelFactory::
        collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
            localizable("devices_not_connected"), kWarningYellow,
            localizable("devices_not_connected_description"), !notConnectedExpanded_,
            localizable("troubleshoot"), navigate(&NavigationDelegate::showTroubleConnectingToDeviceTutorial),
            weakly<KestruneBaseItemManager>([](KestruneBaseItemManager& self) {
                self.notConnectedExpanded_ = !self.notConnectedExpanded_;
                self.reloadData();
            }));
}

}  // namespace kestrune
