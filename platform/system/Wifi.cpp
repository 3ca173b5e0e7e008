#include "platform/system/Wifi.h"

#include <vector>

#include "platform/base/BackendSlot.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

// A machine without Wi-Fi hardware: no interface, nothing ever changes.
class NoWifiBackend final : public WifiBackend {
public:
    std::optional<std::string> interfaceName() override { return std::nullopt; }
    bool powerOn() override { return false; }
    std::optional<WifiAssociation> association() override { return std::nullopt; }
};

const char* notificationName(WifiEventType type) {
    switch (type) {
        case kWifiEventPowerDidChange:
            return kWifiPowerDidChangeNotification;
        case kWifiEventSSIDDidChange:
            return kWifiSSIDDidChangeNotification;
        case kWifiEventLinkDidChange:
            return kWifiLinkDidChangeNotification;
        case kWifiEventModeDidChange:
            return kWifiModeDidChangeNotification;
    }
    return nullptr;
}

}  // namespace

std::string wifiSSIDText(const std::string& ssidBytes) {
    if (isValidUTF8(ssidBytes)) return ssidBytes;
    static const char* kHex = "0123456789abcdef";
    std::string text = "0x";
    for (unsigned char byte : ssidBytes) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

std::shared_ptr<WifiBackend> WifiBackend::current() {
    return platform::backendSlot<WifiBackend>().getOr<NoWifiBackend>();
}

void WifiBackend::install(std::shared_ptr<WifiBackend> backend) {
    platform::backendSlot<WifiBackend>().set(std::move(backend));
}

uint64_t WifiBackend::addEventHandler(EventHandler handler) {
    std::lock_guard lock(mutex_);
    const uint64_t id = nextHandler_++;
    handlers_[id] = std::move(handler);
    return id;
}

void WifiBackend::removeEventHandler(uint64_t handler) {
    std::lock_guard lock(mutex_);
    handlers_.erase(handler);
}

void WifiBackend::reportChange(WifiEventType type) {
    std::weak_ptr<WifiBackend> weak = weak_from_this();
    RunLoop::main().post([weak, type] {
        if (auto backend = weak.lock()) backend->deliver(type);
    });
}

void WifiBackend::deliver(WifiEventType type) {
    const std::string name = interfaceName().value_or("");
    if (const char* notification = notificationName(type))
        NotificationCenter::defaultCenter().post(notification, this, Value::Dictionary{{"interface", name}});
    std::vector<uint64_t> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : handlers_) ids.push_back(entry.first);
    }
    // Each handler is looked up again before it runs: one removed by an earlier handler stays silent.
    for (uint64_t id : ids) {
        EventHandler handler;
        {
            std::lock_guard lock(mutex_);
            auto it = handlers_.find(id);
            if (it == handlers_.end()) continue;
            handler = it->second;
        }
        handler(type, name);
    }
}

std::optional<WifiAssociation> WifiInterface::association() const {
    // The interface answers only while the hardware it stands for is still there.
    if (backend_->interfaceName() != name_) return std::nullopt;
    return backend_->association();
}

bool WifiInterface::powerOn() const {
    return backend_->interfaceName() == name_ && backend_->powerOn();
}

std::optional<std::string> WifiInterface::ssid() const {
    auto joined = association();
    if (!joined) return std::nullopt;
    return wifiSSIDText(joined->ssid);
}

std::optional<std::string> WifiInterface::ssidData() const {
    auto joined = association();
    if (!joined) return std::nullopt;
    return joined->ssid;
}

std::optional<std::string> WifiInterface::bssid() const {
    auto joined = association();
    if (!joined) return std::nullopt;
    return joined->bssid;
}

std::shared_ptr<WifiClient> WifiClient::create() {
    return std::shared_ptr<WifiClient>(new WifiClient(WifiBackend::current()));
}

WifiClient::~WifiClient() {
    stopMonitoringAllEvents();
}

void WifiClient::setDelegate(std::weak_ptr<WifiEventDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

std::optional<Error> WifiClient::startMonitoringEventWithType(int32_t type) {
    if (!notificationName(static_cast<WifiEventType>(type)))
        return Error{"WifiClient", type, format("no such kind of Wi-Fi event: %d", type)};
    std::lock_guard lock(mutex_);
    monitored_.insert(type);
    if (handler_ == 0) {
        std::weak_ptr<WifiClient> weak = weak_from_this();
        handler_ = backend_->addEventHandler([weak](WifiEventType event, const std::string& interfaceName) {
            if (auto client = weak.lock()) client->handle(event, interfaceName);
        });
    }
    return std::nullopt;
}

void WifiClient::stopMonitoringAllEvents() {
    uint64_t handler = 0;
    {
        std::lock_guard lock(mutex_);
        monitored_.clear();
        handler = handler_;
        handler_ = 0;
    }
    if (handler) backend_->removeEventHandler(handler);
}

std::shared_ptr<WifiInterface> WifiClient::interface() const {
    auto name = backend_->interfaceName();
    if (!name) return nullptr;
    return std::make_shared<WifiInterface>(backend_, *name);
}

void WifiClient::handle(WifiEventType type, const std::string& interfaceName) {
    std::shared_ptr<WifiEventDelegate> delegate;
    {
        std::lock_guard lock(mutex_);
        if (!monitored_.count(type)) return;
        delegate = delegate_.lock();
    }
    if (!delegate) return;
    switch (type) {
        case kWifiEventSSIDDidChange:
            delegate->ssidDidChangeForWiFiInterfaceWithName(interfaceName);
            break;
        case kWifiEventPowerDidChange:
            delegate->powerStateDidChangeForWiFiInterfaceWithName(interfaceName);
            break;
        case kWifiEventLinkDidChange:
            delegate->linkDidChangeForWiFiInterfaceWithName(interfaceName);
            break;
        case kWifiEventModeDidChange:
            delegate->modeDidChangeForWiFiInterfaceWithName(interfaceName);
            break;
    }
}

}  // namespace platform
