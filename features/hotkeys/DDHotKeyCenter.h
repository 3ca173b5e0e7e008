#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "features/hotkeys/DDHotKey.h"
#include "platform/system/HotKeyRegistry.h"

namespace kestrune {

// The registry of the application's hot keys and the handler of their releases: one per process, made on
// first use with its handler on the installed hot-key registry, shut down explicitly as the application
// ends (after which nothing registers and nothing is released into it).
class DDHotKeyCenter {
public:
    // 'htk1'
    static constexpr uint32_t kSignature = 0x68746B31;

    static DDHotKeyCenter& sharedHotKeyCenter();

    std::shared_ptr<DDHotKey> registerHotKeyWithKeyCode_modifierFlags_target_action_object(
        uint16_t keyCode, uint64_t flags, std::weak_ptr<platform::Object> target, DDHotKey::Action action,
        platform::Value object);
    std::shared_ptr<DDHotKey> registerHotKeyWithKeyCode_modifierFlags_task(uint16_t keyCode, uint64_t flags,
                                                                           DDHotKey::Task task);
    // Registers a ready hot key; one equal to a registered one comes back unchanged, unregistered.
    std::shared_ptr<DDHotKey> registerHotKey(const std::shared_ptr<DDHotKey>& hotKey);
    void unregisterHotKey(const std::shared_ptr<DDHotKey>& hotKey);
    bool hasRegisteredHotKeyWithKeyCode_modifierFlags(uint16_t keyCode, uint64_t flags) const;
    std::vector<std::shared_ptr<DDHotKey>> registeredHotKeys() const { return hotKeys_; }
    void unregisterHotKeysWithTarget(const platform::Object* target);
    void unregisterHotKeysWithTarget_action(const platform::Object* target, const std::string& action);
    void unregisterHotKeyWithKeyCode_modifierFlags(uint16_t keyCode, uint64_t flags);
    void unregisterAllHotKeys();
    uint32_t nextHotKeyID() const { return nextHotKeyID_; }

    // A registered combination was released: the hot keys registered under its number run.
    void hotKeyReleased(const platform::HotKeyRegistry::Release& release);
    // Unregisters everything and stops listening; for the end of the run.
    void shutdown();
    // The shared centre's shutdown, when one was made.
    static void shutdownShared();
    bool isShutDown() const { return shutDown_; }
    // A registration of a hot key that is going away, given back while the centre still runs.
    static void releaseRegistration(platform::HotKeyRegistry::Registration registration);
    // The registry flags of the application's event flags.
    static uint32_t carbonModifiersOf(uint64_t flags);

    static void resetForTesting();

private:
    DDHotKeyCenter();
    bool registerWithPlatform(DDHotKey& hotKey);
    // Listens to the releases of the registry installed now (the program's entry or a test may install
    // one after the centre was made).
    void listenTo(const std::shared_ptr<platform::HotKeyRegistry>& registry);
    void unregisterMatching(const std::function<bool(const DDHotKey&)>& matches);

    std::vector<std::shared_ptr<DDHotKey>> hotKeys_;
    uint32_t nextHotKeyID_ = 1;
    bool shutDown_ = false;
    std::weak_ptr<platform::HotKeyRegistry> listening_;
};

}  // namespace kestrune
