#include "features/hotkeys/DDHotKeyTextFieldEditor.h"

#include "features/hotkeys/DDHotKeyTextField.h"
#include "features/hotkeys/DDHotKeyUtilities.h"
#include "platform/base/Strings.h"
#include "platform/ui/EventMonitor.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {
constexpr uint16_t kKeyCodeEnter = 76;
}  // namespace

std::shared_ptr<DDHotKeyTextFieldEditor> DDHotKeyTextFieldEditor::sharedEditor() {
    static auto* editor = new std::shared_ptr<DDHotKeyTextFieldEditor>([] {
        auto e = ui::make<DDHotKeyTextFieldEditor>(ui::Rect{});
        e->setFieldEditor(true);
        return e;
    }());
    return *editor;
}

void DDHotKeyTextFieldEditor::setHotKeyField(const std::shared_ptr<DDHotKeyTextField>& field) {
    field_ = field;
    originalHotKey_ = field ? field->hotKey() : nullptr;
}

bool DDHotKeyTextFieldEditor::becomeFirstResponder() {
    if (!ui::FieldEditor::becomeFirstResponder()) return false;
    hasSeenKeyDown_ = false;
    if (monitor_) ui::EventMonitor::removeMonitor(monitor_);
    std::weak_ptr<DDHotKeyTextFieldEditor> weak = sharedAs<DDHotKeyTextFieldEditor>();
    monitor_ = ui::EventMonitor::addLocalMonitorForEventsMatchingMask_handler(
        ui::eventMaskFor(ui::EventType::KeyDown) | ui::eventMaskFor(ui::EventType::FlagsChanged),
        [weak](const ui::Event& event) -> std::optional<ui::Event> {
            auto self = weak.lock();
            if (!self) return event;
            self->processHotkeyEvent(event);
            return std::nullopt;
        });
    return true;
}

bool DDHotKeyTextFieldEditor::resignFirstResponder() {
    field_.reset();
    if (monitor_) ui::EventMonitor::removeMonitor(monitor_);
    monitor_.reset();
    return ui::FieldEditor::resignFirstResponder();
}

void DDHotKeyTextFieldEditor::processHotkeyEvent(const ui::Event& event) {
    const uint64_t modifiers = event.modifierFlags & kModifierMask;
    if (event.type == ui::EventType::KeyDown) {
        hasSeenKeyDown_ = true;
        if (modifiers == 0) {
            const bool escape = event.keyCode == ui::kKeyCodeEscape;
            const bool enter = event.keyCode == ui::kKeyCodeReturn || event.keyCode == kKeyCodeEnter ||
                               event.characters == "\r" || event.characters == "\n";
            if (!escape && !enter) return;
            auto field = hotKeyField();
            if (escape && field) {
                field->setHotKey(originalHotKey_);
                setString(originalHotKey_ ? platform::toUpperASCII(hotKeyStringForKeyCode(
                                                originalHotKey_->keyCode, originalHotKey_->modifierFlags))
                                          : std::string());
            }
            endRecording();
            return;
        }
        record(event);
        return;
    }
    if (event.type == ui::EventType::FlagsChanged && !hasSeenKeyDown_ && modifiers != 0) record(event);
}

void DDHotKeyTextFieldEditor::record(const ui::Event& event) {
    auto field = hotKeyField();
    if (!field) return;
    auto hotKey = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(
        event.keyCode, event.modifierFlags, originalHotKey_ ? originalHotKey_->task : nullptr);
    field->setHotKey(hotKey);
    setString(platform::toUpperASCII(hotKeyStringForKeyCode(event.keyCode, event.modifierFlags)));
    field->sendAction();
}

void DDHotKeyTextFieldEditor::endRecording() {
    auto field = hotKeyField();
    if (!field) return;
    field->sendAction();
    if (auto window = field->window()) window->makeFirstResponder(nullptr);
}

}  // namespace kestrune
