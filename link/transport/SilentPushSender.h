#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kestrune {

class MobileDevice;

// What the connection controller asks of the silent-push fallback when a phone is out of Bluetooth
// reach: a push to that phone carrying the encoded message (or none, a bare wake-up).
class SilentPushSender {
public:
    virtual ~SilentPushSender() = default;
    virtual void sendSilentPushToMobileDevice_withString(const std::shared_ptr<MobileDevice>& device,
                                                         const std::optional<std::string>& string) = 0;
};

}  // namespace kestrune
