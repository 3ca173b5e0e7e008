#pragma once

#include <memory>
#include <string>

#include "features/hotkeys/DDHotKey.h"
#include "platform/ui/TextField.h"

namespace kestrune {

class DDHotKeyTextFieldCell;

// A field that records a key combination: while it is edited its editor turns the keys the user holds
// into a hot key, shown as glyphs in upper case.
class DDHotKeyTextField : public platform::ui::TextField {
public:
    static std::shared_ptr<DDHotKeyTextField> create(platform::ui::Rect frame = {}) {
        return platform::ui::make<DDHotKeyTextField>(frame);
    }

    const std::shared_ptr<DDHotKey>& hotKey() const { return hotKey_; }
    // Stores a different hot key and shows its combination.
    void setHotKey(const std::shared_ptr<DDHotKey>& hotKey);
    // They still work, but the hot key is what a recorder field holds.
    void setStringValue(const std::string& value) override;
    std::string stringValue() const override;
    DDHotKeyTextFieldCell& cell();

private:
    void showText(const std::string& text) { platform::ui::TextField::setStringValue(text); }
    friend class DDHotKeyTextFieldEditor;

    std::shared_ptr<DDHotKey> hotKey_;
    std::shared_ptr<DDHotKeyTextFieldCell> cell_;
};

}  // namespace kestrune
