#include "features/hotkeys/DDHotKeyTextField.h"

#include "features/hotkeys/DDHotKeyTextFieldCell.h"
#include "features/hotkeys/DDHotKeyUtilities.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace kestrune {

void DDHotKeyTextField::setHotKey(const std::shared_ptr<DDHotKey>& hotKey) {
    if (hotKey == hotKey_) return;
    hotKey_ = hotKey;
    showText(hotKey ? platform::toUpperASCII(hotKeyStringForKeyCode(hotKey->keyCode, hotKey->modifierFlags))
                    : std::string());
}

void DDHotKeyTextField::setStringValue(const std::string& value) {
    platform::logf(
        "-[DDHotKeyTextField setStringValue:] is not what you want. Use -[DDHotKeyTextField setHotKey:] "
        "instead.");
    showText(value);
}

std::string DDHotKeyTextField::stringValue() const {
    platform::logf(
        "-[DDHotKeyTextField stringValue] is not what you want. Use -[DDHotKeyTextField hotKey] instead.");
    return platform::ui::TextField::stringValue();
}

DDHotKeyTextFieldCell& DDHotKeyTextField::cell() {
    if (!cell_) cell_ = std::make_shared<DDHotKeyTextFieldCell>();
    return *cell_;
}

}  // namespace kestrune
