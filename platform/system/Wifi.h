#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/base/Error.h"

namespace platform {

// Kinds of change of the Wi-Fi interface, with the values the desktop platform gives them.
enum WifiEventType : int32_t {
    kWifiEventPowerDidChange = 1,
    kWifiEventSSIDDidChange = 2,
    kWifiEventLinkDidChange = 5,
    kWifiEventModeDidChange = 7,
};

// Posted on the default notification centre, on the main thread, after each change of its kind (the
// interface name under "interface" in the user info).
inline constexpr const char* kWifiPowerDidChangeNotification = "WifiPowerDidChangeNotification";
inline constexpr const char* kWifiSSIDDidChangeNotification = "WifiSSIDDidChangeNotification";
inline constexpr const char* kWifiLinkDidChangeNotification = "WifiLinkDidChangeNotification";
inline constexpr const char* kWifiModeDidChangeNotification = "WifiModeDidChangeNotification";

// A network name is a run of bytes that need not be text. Shown and stored, it is the text itself when
// the bytes are UTF-8, else "0x" and the bytes in lower-case hex: one form everywhere, so that a stored
// name still matches the network after a relaunch.
std::string wifiSSIDText(const std::string& ssidBytes);

// The network the interface is joined to.
struct WifiAssociation {
    std::string ssid;   // the name's bytes
    std::string bssid;  // the access point's hardware address, "aa:bb:cc:dd:ee:ff"
};

// Where Wi-Fi facts come from: the simulated Mac here; NetworkManager later. A backend answers from any
// thread and calls reportChange after each change of its state; the base class brings the change to the
// main thread, posts its notification and tells the clients that monitor that kind.
class WifiBackend : public std::enable_shared_from_this<WifiBackend> {
public:
    using EventHandler = std::function<void(WifiEventType type, const std::string& interfaceName)>;

    virtual ~WifiBackend() = default;

    // The Wi-Fi interface's name; none when there is no Wi-Fi hardware.
    virtual std::optional<std::string> interfaceName() = 0;
    virtual bool powerOn() = 0;
    // None while not joined (also while powered off).
    virtual std::optional<WifiAssociation> association() = 0;

    // Handlers run on the main thread; removing one stops it from running on later changes.
    uint64_t addEventHandler(EventHandler handler);
    void removeEventHandler(uint64_t handler);

    // The installed backend, else one without Wi-Fi hardware.
    static std::shared_ptr<WifiBackend> current();
    // Installs the backend (null: none).
    static void install(std::shared_ptr<WifiBackend> backend);

protected:
    // Called by the backend, on any thread, once its state has changed.
    void reportChange(WifiEventType type);

private:
    void deliver(WifiEventType type);

    std::mutex mutex_;
    std::map<uint64_t, EventHandler> handlers_;  // guarded by mutex_
    uint64_t nextHandler_ = 1;                   // guarded by mutex_
};

// The interface as the client sees it: every question is asked of the backend when it is asked.
class WifiInterface {
public:
    WifiInterface(std::shared_ptr<WifiBackend> backend, std::string name)
        : backend_(std::move(backend)), name_(std::move(name)) {}

    const std::string& interfaceName() const { return name_; }
    bool powerOn() const;
    // The joined network's name as text (wifiSSIDText), its bytes, and the access point's address; none
    // while not joined.
    std::optional<std::string> ssid() const;
    std::optional<std::string> ssidData() const;
    std::optional<std::string> bssid() const;

private:
    std::optional<WifiAssociation> association() const;

    std::shared_ptr<WifiBackend> backend_;
    std::string name_;
};

// What a client tells its delegate, on the main thread, for the kinds of change it monitors.
class WifiEventDelegate {
public:
    virtual ~WifiEventDelegate() = default;
    virtual void ssidDidChangeForWiFiInterfaceWithName(const std::string&) {}
    virtual void powerStateDidChangeForWiFiInterfaceWithName(const std::string&) {}
    virtual void linkDidChangeForWiFiInterfaceWithName(const std::string&) {}
    virtual void modeDidChangeForWiFiInterfaceWithName(const std::string&) {}
};

// A client of the Wi-Fi service on the backend installed when it was made.
class WifiClient : public std::enable_shared_from_this<WifiClient> {
public:
    static std::shared_ptr<WifiClient> create();
    ~WifiClient();
    WifiClient(const WifiClient&) = delete;
    WifiClient& operator=(const WifiClient&) = delete;

    void setDelegate(std::weak_ptr<WifiEventDelegate> delegate);
    // Starts telling the delegate about changes of the kind; an error for a kind the service does not
    // know.
    std::optional<Error> startMonitoringEventWithType(int32_t type);
    void stopMonitoringAllEvents();
    // The default interface; null when there is no Wi-Fi hardware.
    std::shared_ptr<WifiInterface> interface() const;

private:
    explicit WifiClient(std::shared_ptr<WifiBackend> backend) : backend_(std::move(backend)) {}
    void handle(WifiEventType type, const std::string& interfaceName);

    const std::shared_ptr<WifiBackend> backend_;
    std::mutex mutex_;
    std::weak_ptr<WifiEventDelegate> delegate_;  // guarded by mutex_
    std::set<int32_t> monitored_;                // guarded by mutex_
    uint64_t handler_ = 0;                       // guarded by mutex_
};

}  // namespace platform
