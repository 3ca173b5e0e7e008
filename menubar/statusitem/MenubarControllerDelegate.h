#pragma once

namespace kestrune {

class StatusItemController;

// What the status item reports: a left click and a right click on its icon.
class MenubarControllerDelegate {
public:
    virtual ~MenubarControllerDelegate() = default;
    virtual void menubarControllerDidToggleMenuItem(StatusItemController& controller) = 0;
    virtual void menubarControllerDidToggleMenuItemWithRightClick(StatusItemController& controller) = 0;
};

}  // namespace kestrune
