#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

// A slot whatever its interface, as the registry of every slot sees it.
class AnyBackendSlot {
public:
    virtual ~AnyBackendSlot() = default;
    virtual std::shared_ptr<void> installedBackend() const = 0;
    virtual void installBackend(std::shared_ptr<void> backend) = 0;
};

// Every slot the process has made. A test that installs a backend and never takes it away would leave it
// to every test after it in the same process; the test programs take a snapshot before their first test
// and put it back after each, so that each test starts with the backends a fresh process has.
class BackendSlots {
public:
    using Snapshot = std::map<AnyBackendSlot*, std::shared_ptr<void>>;

    // What every slot made so far holds (null where the stand-in answers).
    static Snapshot snapshotForTesting() {
        Snapshot snapshot;
        for (AnyBackendSlot* slot : all()) snapshot[slot] = slot->installedBackend();
        return snapshot;
    }

    // Every slot as the snapshot has it; one made since goes back to its stand-in.
    static void restoreForTesting(const Snapshot& snapshot) {
        // Installed outside the registry's lock: a backend replaced here may, on its way out, ask for a
        // slot not made yet.
        for (AnyBackendSlot* slot : all()) {
            const auto found = snapshot.find(slot);
            slot->installBackend(found == snapshot.end() ? nullptr : found->second);
        }
    }

    // Called by each slot as it is made.
    static void add(AnyBackendSlot* slot) {
        std::lock_guard lock(registry().mutex);
        registry().slots.push_back(slot);
    }

private:
    struct Registry {
        std::mutex mutex;
        std::vector<AnyBackendSlot*> slots;
    };
    // Never destroyed, as the slots are not.
    static Registry& registry() {
        static auto* made = new Registry;
        return *made;
    }
    static std::vector<AnyBackendSlot*> all() {
        std::lock_guard lock(registry().mutex);
        return registry().slots;
    }
};

// Where an interface's installed backend is kept: `main/` or a test installs one, the API that uses the
// interface asks for it, and until a backend is installed a stand-in answers. Any thread may ask or
// install.
//
// The slot of an interface is made on first use and never destroyed, and so are the stand-ins: a worker
// thread still running while the process exits may ask for a backend after static destruction has
// begun, and must not find a freed one.
//
//     std::shared_ptr<Wifi> Wifi::current() { return platform::backendSlot<Wifi>().getOr<NoWifi>(); }
//     void Wifi::install(std::shared_ptr<Wifi> w) { platform::backendSlot<Wifi>().set(std::move(w)); }
template <class Interface>
class BackendSlot final : public AnyBackendSlot {
public:
    BackendSlot() { BackendSlots::add(this); }
    BackendSlot(const BackendSlot&) = delete;
    BackendSlot& operator=(const BackendSlot&) = delete;

    // The installed backend, or null.
    std::shared_ptr<Interface> get() const {
        std::lock_guard lock(mutex_);
        return installed_;
    }

    // The installed backend, else the given one.
    std::shared_ptr<Interface> get(const std::shared_ptr<Interface>& fallback) const {
        std::lock_guard lock(mutex_);
        return installed_ ? installed_ : fallback;
    }

    // The installed backend, else the process's one stand-in of that class (made on first use).
    template <class StandIn>
    std::shared_ptr<Interface> getOr() const {
        static const auto* standIn = new std::shared_ptr<Interface>(std::make_shared<StandIn>());
        return get(*standIn);
    }

    // Installs the backend; null puts the stand-in back.
    void set(std::shared_ptr<Interface> backend) {
        std::shared_ptr<Interface> previous;
        {
            std::lock_guard lock(mutex_);
            previous = std::exchange(installed_, std::move(backend));
        }
        // The previous backend goes outside the lock: its destructor may ask for this slot.
    }

    std::shared_ptr<void> installedBackend() const override { return get(); }
    void installBackend(std::shared_ptr<void> backend) override {
        set(std::static_pointer_cast<Interface>(std::move(backend)));
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<Interface> installed_;
};

// The slot of an interface (see above).
template <class Interface>
BackendSlot<Interface>& backendSlot() {
    static auto* slot = new BackendSlot<Interface>;
    return *slot;
}

}  // namespace platform
