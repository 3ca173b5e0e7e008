#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace platform {

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
class BackendSlot {
public:
    BackendSlot() = default;
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
