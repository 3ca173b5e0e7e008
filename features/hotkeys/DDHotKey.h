#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Object.h"
#include "platform/base/Value.h"
#include "platform/system/HotKeyRegistry.h"
#include "platform/ui/Event.h"

namespace kestrune {

// One system-wide shortcut: a key code with modifier flags (the application's event bits: Shift
// 0x20000, Control 0x40000, Option 0x80000, Command 0x100000, Caps Lock 0x10000), and what it runs:
// an action on a target with an object handed back, or a closure. Two hot keys are equal when their key
// codes and flags are.
class DDHotKey : public platform::Object {
public:
    using Task = std::function<void(const platform::ui::Event&)>;
    // An action by name (for logs) and what it does on its target.
    struct Action {
        std::string name;
        std::function<void(platform::Object& target, const platform::ui::Event& event,
                           const platform::Value& object)>
            perform;
    };

    static std::shared_ptr<DDHotKey> hotKeyWithKeyCode_modifierFlags_task(uint16_t keyCode, uint64_t flags,
                                                                          Task task);
    static std::shared_ptr<DDHotKey> hotKeyWithKeyCode_modifierFlags_target_action_object(
        uint16_t keyCode, uint64_t flags, std::weak_ptr<platform::Object> target, Action action,
        platform::Value object);
    // A hot key still registered gives its registration back as it goes.
    ~DDHotKey() override;

    std::string className() const override { return "DDHotKey"; }
    bool isEqual(const DDHotKey& other) const {
        return keyCode == other.keyCode && modifierFlags == other.modifierFlags;
    }
    size_t hash() const { return static_cast<size_t>(modifierFlags ^ keyCode); }
    std::string description() const;
    // Sends the action to a live target that has one, else runs the closure.
    void invokeWithEvent(const platform::ui::Event& event);

    uint16_t keyCode = 0;
    uint64_t modifierFlags = 0;
    std::weak_ptr<platform::Object> target;
    Action action;
    platform::Value object;
    Task task;
    std::optional<platform::HotKeyRegistry::Registration> hotKeyRef;
    uint32_t hotKeyID = 0;
};

}  // namespace kestrune
