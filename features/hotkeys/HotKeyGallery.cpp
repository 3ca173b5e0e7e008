// The shortcut recorder: a field holding the lock shortcut, and one caught while Control and Option are
// held, before the key.

#include "features/hotkeys/HotKeyGallery.h"

#include "features/hotkeys/DDHotKeyTextField.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

std::shared_ptr<DDHotKeyTextField> recorder(ui::Rect frame, uint16_t keyCode, uint64_t flags) {
    auto field = DDHotKeyTextField::create(frame);
    field->setBezeled(true);
    field->setDrawsBackground(true);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", 15));
    field->setAlignment(ui::TextAlignment::Center);
    field->setHotKey(DDHotKey::hotKeyWithKeyCode_modifierFlags_task(keyCode, flags, nullptr));
    return field;
}

}  // namespace

void registerHotKeyGallery() {
    ui::SceneRegistry::add("hotkey-recorder", [] {
        auto window = ui::Window::create({0, 0, 320, 120});
        auto content = window->contentView();
        auto lockLabel = ui::TextField::labelWithString("Lock the Mac");
        lockLabel->setFrame({16, 72, 120, 20});
        content->addSubview(lockLabel);
        content->addSubview(recorder({150, 68, 150, 26}, 37, ui::kControlKeyMask | ui::kCommandKeyMask));
        auto sendLabel = ui::TextField::labelWithString("Recording…");
        sendLabel->setFrame({16, 26, 120, 20});
        content->addSubview(sendLabel);
        content->addSubview(recorder({150, 22, 150, 26}, 59, ui::kControlKeyMask | ui::kAlternateKeyMask));
        return ui::Scene{window, nullptr};
    });
}

}  // namespace kestrune
