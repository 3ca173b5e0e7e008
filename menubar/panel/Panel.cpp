#include "menubar/panel/Panel.h"

namespace kestrune {

void Panel::keyDown(const ui::Event& e) {
    // Escape becomes cancelOperation, which goes on to the window's controller.
    interpretKeyEvents({e});
}

}  // namespace kestrune
