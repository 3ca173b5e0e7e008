#pragma once

#include <memory>

#include "features/hotkeys/DDHotKey.h"
#include "platform/ui/Event.h"
#include "platform/ui/FieldEditor.h"

namespace platform::ui {
class EventMonitor;
}

namespace kestrune {

class DDHotKeyTextField;

// The editor of recorder fields. While it is first responder it takes the application's own key-down
// and modifier-change events (a local monitor that swallows them) and records the combination; Return
// or Escape without modifiers ends the recording, Escape putting the field's previous hot key back.
class DDHotKeyTextFieldEditor : public platform::ui::FieldEditor {
public:
    static std::shared_ptr<DDHotKeyTextFieldEditor> sharedEditor();

    // Binds the field, remembering its hot key as the one to restore.
    void setHotKeyField(const std::shared_ptr<DDHotKeyTextField>& field);
    std::shared_ptr<DDHotKeyTextField> hotKeyField() const { return field_.lock(); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void processHotkeyEvent(const platform::ui::Event& event);
    bool isMonitoring() const { return monitor_ != nullptr; }

    // Shift, Control, Option, Command and Function.
    static constexpr uint64_t kModifierMask = 0x9e0000;

private:
    void record(const platform::ui::Event& event);
    void endRecording();

    std::weak_ptr<DDHotKeyTextField> field_;
    std::shared_ptr<DDHotKey> originalHotKey_;
    bool hasSeenKeyDown_ = false;
    std::shared_ptr<platform::ui::EventMonitor> monitor_;
};

}  // namespace kestrune
