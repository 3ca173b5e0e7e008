#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// A trusted Wi-Fi network. Entries are the same network when their names are: one entry covers every
// access point of that name.
class SafeWifiEntry : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "SafeWifiEntry";

    static std::shared_ptr<SafeWifiEntry> init() { return std::make_shared<SafeWifiEntry>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;
    void decodeWithCoder(platform::KeyedUnarchiver& coder);

    // The network name (SSID).
    const std::optional<std::string>& ssidName() const { return ssidName_; }
    void setSsidName(std::optional<std::string> value) { ssidName_ = std::move(value); }
    // The access point's hardware address as the interface reports it; stored, never compared.
    const std::optional<std::string>& bssid() const { return bssid_; }
    void setBssid(std::optional<std::string> value) { bssid_ = std::move(value); }

    // Equal names; an entry without a name equals nothing.
    bool isEqual(const SafeWifiEntry& other) const;

private:
    std::optional<std::string> ssidName_;
    std::optional<std::string> bssid_;
};

}  // namespace kestrune
