#include "features/hotkeys/ShortCutManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "features/hotkeys/DDHotKeyCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {

platform::SharedInstance<ShortCutManager>& shortCutManagerInstance() {
    static platform::SharedInstance<ShortCutManager> manager;
    return manager;
}

struct ShortcutRow {
    int64_t option;
    uint16_t keyCode;
    const char* tag;
};
constexpr ShortcutRow kRows[] = {
    {ShortCutManagerDelegate::kLockMac, ShortCutManager::kLockKeyCode, ShortCutManager::kLockMacTag},
    {ShortCutManagerDelegate::kSendClipboard, ShortCutManager::kClipboardKeyCode,
     ShortCutManager::kSendClipboardTag},
};

const ShortcutRow* rowFor(int64_t option) {
    for (const auto& row : kRows)
        if (row.option == option) return &row;
    return nullptr;
}

}  // namespace

std::shared_ptr<ShortCutManager> ShortCutManager::shared() {
    return shortCutManagerInstance().getShared([] { return new ShortCutManager; });
}

void ShortCutManager::resetForTesting() {
    shortCutManagerInstance().resetForTesting();
}

std::shared_ptr<DDHotKey>* ShortCutManager::slotFor(int64_t option) {
    if (option == ShortCutManagerDelegate::kLockMac) return &lockShortcut_;
    if (option == ShortCutManagerDelegate::kSendClipboard) return &clipboardShortcut_;
    return nullptr;
}

void ShortCutManager::updateShortcutsEnabled() {
    auto& settings = DeviceLocalSettings::shared();
    if (settings.enableKestruneShortCutsLock())
        registerForOption(ShortCutManagerDelegate::kLockMac);
    else
        deregisterForOption(ShortCutManagerDelegate::kLockMac);
    if (settings.enableKestruneShortCutsSendClipboard())
        registerForOption(ShortCutManagerDelegate::kSendClipboard);
    else
        deregisterForOption(ShortCutManagerDelegate::kSendClipboard);
}

// A refused combination is not held; its setting still shows on and the keys do nothing.
void ShortCutManager::registerForOption(int64_t option) {
    auto* slot = slotFor(option);
    const auto* row = rowFor(option);
    if (!slot || !row || *slot) return;
    DDHotKey::Action action{
        "hotkeyWithEvent:object:",
        [](platform::Object& target, const platform::ui::Event& event, const platform::Value& tag) {
            if (auto* manager = dynamic_cast<ShortCutManager*>(&target))
                manager->hotkeyWithEvent_object(event, tag);
        }};
    *slot = DDHotKeyCenter::sharedHotKeyCenter().registerHotKeyWithKeyCode_modifierFlags_target_action_object(
        row->keyCode, kModifierFlags, weak_from_this(), std::move(action),
        platform::Value(std::string(row->tag)));
}

void ShortCutManager::deregisterForOption(int64_t option) {
    auto* slot = slotFor(option);
    if (!slot || !*slot) return;
    DDHotKeyCenter::sharedHotKeyCenter().unregisterHotKey(*slot);
    slot->reset();
}

void ShortCutManager::hotkeyWithEvent_object(const platform::ui::Event&, const platform::Value& tag) {
    const auto* text = tag.string();
    if (!text) return;
    int64_t option;
    if (*text == kSendClipboardTag)
        option = ShortCutManagerDelegate::kSendClipboard;
    else if (*text == kLockMacTag)
        option = ShortCutManagerDelegate::kLockMac;
    else
        return;
    if (auto listener = delegate.lock()) listener->shortCutManager_didSelectOption(*this, option);
}

}  // namespace kestrune
