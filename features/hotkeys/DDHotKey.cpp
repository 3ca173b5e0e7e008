#include "features/hotkeys/DDHotKey.h"

#include <cstdio>

#include "features/hotkeys/DDHotKeyCenter.h"

namespace kestrune {

std::shared_ptr<DDHotKey> DDHotKey::hotKeyWithKeyCode_modifierFlags_task(uint16_t keyCode, uint64_t flags,
                                                                         Task task) {
    auto hotKey = std::make_shared<DDHotKey>();
    hotKey->keyCode = keyCode;
    hotKey->modifierFlags = flags;
    hotKey->task = std::move(task);
    return hotKey;
}

std::shared_ptr<DDHotKey> DDHotKey::hotKeyWithKeyCode_modifierFlags_target_action_object(
    uint16_t keyCode, uint64_t flags, std::weak_ptr<platform::Object> target, Action action,
    platform::Value object) {
    auto hotKey = std::make_shared<DDHotKey>();
    hotKey->keyCode = keyCode;
    hotKey->modifierFlags = flags;
    hotKey->target = std::move(target);
    hotKey->action = std::move(action);
    hotKey->object = std::move(object);
    return hotKey;
}

DDHotKey::~DDHotKey() {
    if (hotKeyRef) DDHotKeyCenter::releaseRegistration(*hotKeyRef);
}

std::string DDHotKey::description() const {
    std::string flags;
    const std::pair<uint64_t, const char*> names[] = {
        {platform::ui::kControlKeyMask, "NSControlKeyMask"},
        {platform::ui::kCommandKeyMask, "NSCommandKeyMask"},
        {platform::ui::kShiftKeyMask, "NSShiftKeyMask"},
        {platform::ui::kAlternateKeyMask, "NSAlternateKeyMask"}};
    for (const auto& [bit, name] : names)
        if (modifierFlags & bit) flags += (flags.empty() ? "" : " | ") + std::string(name);
    std::string invokes = "(block)";
    auto owner = target.lock();
    if (owner && action.perform) invokes = "[" + owner->className() + " " + action.name + "]";
    char text[512];
    std::snprintf(text, sizeof text, "<DDHotKey>\n\t(key: %hu\n\tflags: (%s)\n\tinvokes: %s)", keyCode,
                  flags.c_str(), invokes.c_str());
    return text;
}

void DDHotKey::invokeWithEvent(const platform::ui::Event& event) {
    if (auto owner = target.lock(); owner && action.perform) {
        action.perform(*owner, event, object);
        return;
    }
    if (task) task(event);
}

}  // namespace kestrune
