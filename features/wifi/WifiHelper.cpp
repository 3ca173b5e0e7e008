#include "features/wifi/WifiHelper.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

std::shared_ptr<WifiHelper> WifiHelper::create() {
    std::shared_ptr<WifiHelper> helper(new WifiHelper());
    helper->registerForWifiChanges();
    return helper;
}

WifiHelper::~WifiHelper() {
    observations_.clear();
    if (wifiClient_) wifiClient_->stopMonitoringAllEvents();
}

void WifiHelper::registerForWifiChanges() {
    registerForNewAvailableCallbacks();
    registerForDeprecatedCallbacks();
}

void WifiHelper::registerForNewAvailableCallbacks() {
    wifiClient_ = platform::WifiClient::create();
    wifiClient_->setDelegate(weak_from_this());
    // Only the name change has a handler of its own; the other kinds are monitored all the same. A
    // kind the service refuses is left out: the notifications below still drive the watcher.
    for (int32_t type : {platform::kWifiEventSSIDDidChange, platform::kWifiEventPowerDidChange,
                         platform::kWifiEventLinkDidChange, platform::kWifiEventModeDidChange}) {
        if (auto error = wifiClient_->startMonitoringEventWithType(type))
            platform::logf("WifiHelper: monitoring Wi-Fi events of kind %d failed: %s", type,
                           error->description.c_str());
    }
}

void WifiHelper::registerForDeprecatedCallbacks() {
    wifiInterface_ = wifiClient_ ? wifiClient_->interface() : platform::WifiClient::create()->interface();
    // The name change is left to the event above, which reads the new name 0.1 s later: observed here
    // too, it would be reported at once with a name that may not have settled.
    auto& center = platform::NotificationCenter::defaultCenter();
    std::weak_ptr<WifiHelper> weak = weak_from_this();
    for (const char* name :
         {platform::kWifiPowerDidChangeNotification, platform::kWifiLinkDidChangeNotification,
          platform::kWifiModeDidChangeNotification}) {
        observations_.push_back(center.addObserver(name, nullptr, [weak](const platform::Notification&) {
            if (auto helper = weak.lock()) helper->wifiDidChange();
        }));
    }
}

std::optional<std::string> WifiHelper::connectedWifiName() const {
    return wifiInterface_ ? wifiInterface_->ssid() : std::nullopt;
}

std::optional<std::string> WifiHelper::connectedWifiBSSID() const {
    return wifiInterface_ ? wifiInterface_->bssid() : std::nullopt;
}

bool WifiHelper::isConnectedToWifi() const {
    return connectedWifiName().has_value();
}

void WifiHelper::wifiDidChange() {
    if (auto listener = delegate.lock()) listener->wifiHelperDidUpdateWifiState(*this);
}

void WifiHelper::ssidDidChangeForWiFiInterfaceWithName(const std::string&) {
    std::weak_ptr<WifiHelper> weak = weak_from_this();
    platform::RunLoop::current().performAfterDelay(kSSIDChangeDelay, [weak] {
        if (auto helper = weak.lock()) helper->wifiDidChange();
    });
}

}  // namespace kestrune
