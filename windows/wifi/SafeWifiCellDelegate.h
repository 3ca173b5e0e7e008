#pragma once

namespace kestrune {

class SafeWifiCell;

// Hears a trusted network's row: its delete button.
class SafeWifiCellDelegate {
public:
    virtual ~SafeWifiCellDelegate() = default;
    virtual void safeWifiCellDidSelectDelete(SafeWifiCell& cell) = 0;
};

}  // namespace kestrune
