#pragma once

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// A catalogue of the row kinds with fixed sample data, for checking the cells' look. Only its sample
// collapsible row does anything: it collapses and expands.
class AllCellsMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;

    bool bluetoothCollapsed() const { return bluetoothCollapsed_; }
    void setBluetoothCollapsed(bool collapsed) { bluetoothCollapsed_ = collapsed; }

private:
    bool bluetoothCollapsed_ = false;
};

}  // namespace kestrune
