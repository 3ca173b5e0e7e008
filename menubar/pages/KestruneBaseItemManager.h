#pragma once

#include <memory>

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// A page that opens with the warning that fits the phone's state: no paired phone, or a paired phone
// that is not connected. Each warning keeps its expanded state for the life of the page.
class KestruneBaseItemManager : public BaseMenuItemManager {
public:
    std::shared_ptr<ListCellViewModel> notPairedDevices();
    std::shared_ptr<ListCellViewModel> notConnected();

    bool notConnectedExpanded() const { return notConnectedExpanded_; }
    void setNotConnectedExpanded(bool expanded) { notConnectedExpanded_ = expanded; }
    bool noPairedDevicesExpanded() const { return noPairedDevicesExpanded_; }
    void setNoPairedDevicesExpanded(bool expanded) { noPairedDevicesExpanded_ = expanded; }

private:
    bool notConnectedExpanded_ = false;
    bool noPairedDevicesExpanded_ = false;
};

}  // namespace kestrune
