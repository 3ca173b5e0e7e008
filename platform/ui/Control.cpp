#include "platform/ui/Control.h"

#include <cstdio>
#include <cstdlib>

namespace platform::ui {

bool Control::sendAction() {
    auto t = target();
    if (!t || !action_) return false;
    auto keep = sharedView();  // the action may remove the sender from its window
    action_(t, *this);
    return true;
}

void Control::setEnabled(bool flag) {
    enabled_ = flag;
    setNeedsDisplay(true);
}

void Control::setStringValue(const std::string& value) {
    string_ = value;
    double_ = std::strtod(value.c_str(), nullptr);
    setNeedsDisplay(true);
}

void Control::setDoubleValue(double value) {
    double_ = value;
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    string_ = text;
    setNeedsDisplay(true);
}

}  // namespace platform::ui
