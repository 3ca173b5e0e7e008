#pragma once

#include <cstdint>
#include <memory>

#include "engine/coordinator/ShortCutManagerDelegate.h"
#include "features/hotkeys/DDHotKey.h"
#include "platform/base/Object.h"

namespace kestrune {

// The application's two global shortcuts, each switched by its setting: Control+Command+L locks the Mac
// (option 1), Control+Command+V sends the clipboard to the phone (option 0). A used one is reported to
// the delegate as its option, when the keys are released.
class ShortCutManager : public platform::Object {
public:
    static constexpr uint16_t kLockKeyCode = 37;          // L
    static constexpr uint16_t kClipboardKeyCode = 9;      // V
    static constexpr uint64_t kModifierFlags = 0x140000;  // Control and Command
    static constexpr const char* kLockMacTag = "kLockMac";
    static constexpr const char* kSendClipboardTag = "kSendClipboardToIOS";

    static std::shared_ptr<ShortCutManager> shared();
    static void resetForTesting();
    std::string className() const override { return "ShortCutManager"; }

    // Registers or unregisters each shortcut to match its setting.
    void updateShortcutsEnabled();
    void registerForOption(int64_t option);
    void deregisterForOption(int64_t option);
    void hotkeyWithEvent_object(const platform::ui::Event& event, const platform::Value& tag);

    const std::shared_ptr<DDHotKey>& lockShortcut() const { return lockShortcut_; }
    const std::shared_ptr<DDHotKey>& clipboardShortcut() const { return clipboardShortcut_; }
    std::weak_ptr<ShortCutManagerDelegate> delegate;

private:
    std::shared_ptr<DDHotKey>* slotFor(int64_t option);

    std::shared_ptr<DDHotKey> lockShortcut_;
    std::shared_ptr<DDHotKey> clipboardShortcut_;
};

}  // namespace kestrune
