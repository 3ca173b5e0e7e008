#include "features/hotkeys/DDHotKeyCenter.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace ui = platform::ui;
using platform::HotKeyRegistry;

namespace {

platform::SharedInstance<DDHotKeyCenter>& instance() {
    static platform::SharedInstance<DDHotKeyCenter> center;
    return center;
}

// Whether the shared centre exists and still runs; asked by hot keys as they go, also at exit.
bool& centreRunning() {
    static bool running = false;
    return running;
}

}  // namespace

DDHotKeyCenter& DDHotKeyCenter::sharedHotKeyCenter() {
    return instance().get([] { return new DDHotKeyCenter; });
}

DDHotKeyCenter::DDHotKeyCenter() {
    centreRunning() = true;
    listenTo(HotKeyRegistry::current());
}

void DDHotKeyCenter::listenTo(const std::shared_ptr<HotKeyRegistry>& registry) {
    if (listening_.lock() == registry) return;
    listening_ = registry;
    registry->setReleaseHandler([](const HotKeyRegistry::Release& release) {
        if (!centreRunning()) return;
        DDHotKeyCenter::sharedHotKeyCenter().hotKeyReleased(release);
    });
}

void DDHotKeyCenter::resetForTesting() {
    if (centreRunning()) sharedHotKeyCenter().shutdown();
    instance().resetForTesting();
    centreRunning() = false;
}

uint32_t DDHotKeyCenter::carbonModifiersOf(uint64_t flags) {
    uint32_t modifiers = 0;
    if (flags & ui::kCommandKeyMask) modifiers |= HotKeyRegistry::kCommand;
    if (flags & ui::kShiftKeyMask) modifiers |= HotKeyRegistry::kShift;
    if (flags & (uint64_t{1} << 16)) modifiers |= HotKeyRegistry::kCapsLock;
    if (flags & ui::kAlternateKeyMask) modifiers |= HotKeyRegistry::kOption;
    if (flags & ui::kControlKeyMask) modifiers |= HotKeyRegistry::kControl;
    return modifiers;
}

std::shared_ptr<DDHotKey> DDHotKeyCenter::registerHotKeyWithKeyCode_modifierFlags_target_action_object(
    uint16_t keyCode, uint64_t flags, std::weak_ptr<platform::Object> target, DDHotKey::Action action,
    platform::Value object) {
    if (hasRegisteredHotKeyWithKeyCode_modifierFlags(keyCode, flags)) return nullptr;
    auto hotKey = DDHotKey::hotKeyWithKeyCode_modifierFlags_target_action_object(
        keyCode, flags, std::move(target), std::move(action), std::move(object));
    registerHotKey(hotKey);
    return hotKey->hotKeyRef ? hotKey : nullptr;
}

std::shared_ptr<DDHotKey> DDHotKeyCenter::registerHotKeyWithKeyCode_modifierFlags_task(uint16_t keyCode,
                                                                                       uint64_t flags,
                                                                                       DDHotKey::Task task) {
    if (hasRegisteredHotKeyWithKeyCode_modifierFlags(keyCode, flags)) return nullptr;
    auto hotKey = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(keyCode, flags, std::move(task));
    registerHotKey(hotKey);
    return hotKey->hotKeyRef ? hotKey : nullptr;
}

std::shared_ptr<DDHotKey> DDHotKeyCenter::registerHotKey(const std::shared_ptr<DDHotKey>& hotKey) {
    if (!hotKey || shutDown_) return hotKey;
    for (const auto& registered : hotKeys_)
        if (registered->isEqual(*hotKey)) return hotKey;
    if (registerWithPlatform(*hotKey)) hotKeys_.push_back(hotKey);
    return hotKey;
}

bool DDHotKeyCenter::registerWithPlatform(DDHotKey& hotKey) {
    auto registry = HotKeyRegistry::current();
    listenTo(registry);
    const auto result = registry->registerEventHotKey(hotKey.keyCode, carbonModifiersOf(hotKey.modifierFlags),
                                                      {kSignature, nextHotKeyID_});
    if (const auto* error = std::get_if<platform::Error>(&result)) {
        platform::logf("Hot keys: key %u with flags 0x%llx was not registered (%lld: %s)", hotKey.keyCode,
                       static_cast<unsigned long long>(hotKey.modifierFlags),
                       static_cast<long long>(error->code), error->description.c_str());
        return false;
    }
    hotKey.hotKeyRef = std::get<HotKeyRegistry::Registration>(result);
    hotKey.hotKeyID = nextHotKeyID_++;
    return true;
}

void DDHotKeyCenter::unregisterHotKey(const std::shared_ptr<DDHotKey>& hotKey) {
    if (!hotKey) return;
    if (hotKey->hotKeyRef) {
        HotKeyRegistry::current()->unregisterEventHotKey(*hotKey->hotKeyRef);
        hotKey->hotKeyRef.reset();
    }
    hotKeys_.erase(std::remove(hotKeys_.begin(), hotKeys_.end(), hotKey), hotKeys_.end());
}

bool DDHotKeyCenter::hasRegisteredHotKeyWithKeyCode_modifierFlags(uint16_t keyCode, uint64_t flags) const {
    return std::any_of(hotKeys_.begin(), hotKeys_.end(), [&](const auto& hotKey) {
        return hotKey->keyCode == keyCode && hotKey->modifierFlags == flags;
    });
}

void DDHotKeyCenter::unregisterMatching(const std::function<bool(const DDHotKey&)>& matches) {
    for (const auto& hotKey : registeredHotKeys())
        if (matches(*hotKey)) unregisterHotKey(hotKey);
}

void DDHotKeyCenter::unregisterHotKeysWithTarget(const platform::Object* target) {
    unregisterMatching([target](const DDHotKey& h) { return h.target.lock().get() == target; });
}

void DDHotKeyCenter::unregisterHotKeysWithTarget_action(const platform::Object* target,
                                                        const std::string& action) {
    unregisterMatching(
        [&](const DDHotKey& h) { return h.target.lock().get() == target && h.action.name == action; });
}

void DDHotKeyCenter::unregisterHotKeyWithKeyCode_modifierFlags(uint16_t keyCode, uint64_t flags) {
    unregisterMatching([&](const DDHotKey& h) { return h.keyCode == keyCode && h.modifierFlags == flags; });
}

void DDHotKeyCenter::unregisterAllHotKeys() {
    unregisterMatching([](const DDHotKey&) { return true; });
}

void DDHotKeyCenter::hotKeyReleased(const HotKeyRegistry::Release& release) {
    if (shutDown_ || release.identifier.signature != kSignature) return;
    std::vector<std::shared_ptr<DDHotKey>> matching;
    for (const auto& hotKey : hotKeys_)
        if (hotKey->hotKeyID == release.identifier.number) matching.push_back(hotKey);
    // A release nobody registered (any more) runs nothing.
    if (matching.empty()) return;
    if (matching.size() > 1) platform::logf("ERROR!");
    const auto hotKey = matching.front();
    auto event =
        ui::Event::keyEvent(ui::EventType::KeyUp, hotKey->keyCode, "", nullptr, release.modifierFlags);
    event.locationInWindow = {release.locationX, release.locationY};
    event.timestamp = release.timestamp;
    hotKey->invokeWithEvent(event);
}

void DDHotKeyCenter::shutdown() {
    if (shutDown_) return;
    unregisterAllHotKeys();
    shutDown_ = true;
    centreRunning() = false;
    HotKeyRegistry::current()->setReleaseHandler(nullptr);
}

void DDHotKeyCenter::shutdownShared() {
    if (centreRunning()) sharedHotKeyCenter().shutdown();
}

void DDHotKeyCenter::releaseRegistration(HotKeyRegistry::Registration registration) {
    if (centreRunning()) HotKeyRegistry::current()->unregisterEventHotKey(registration);
}

}  // namespace kestrune
