#pragma once

#include <memory>

namespace kestrune {

class PanelController;
class StatusItemView;

// What the panel asks of the one who owns it (the menu-bar controller). Both are optional: the defaults
// give no status item view (the panel then places itself at the top middle of the screen) and hear
// nothing.
class PanelControllerDelegate {
public:
    virtual ~PanelControllerDelegate() = default;
    virtual std::shared_ptr<StatusItemView> statusItemViewForPanelController(PanelController&) {
        return nullptr;
    }
    // The panel has closed, by whatever road.
    virtual void panelDidClose() {}
};

}  // namespace kestrune
