#pragma once

#include <cstdint>
#include <memory>

#include "platform/base/Number.h"

namespace kestrune {

class ConnectionController;
class Message;
class MobileDevice;

// What the connection controller reports to the request dispatcher, always on the main thread. Every
// phone passed is a stored record; the controller reports nothing for a phone it has no record of.
class ConnectionControllerDelegate {
public:
    // The error kinds of connectionController_didExperienceError.
    enum ErrorKind : uint32_t { kErrorFatalLink = 4, kErrorCorruptedBluetoothCache = 5 };

    virtual ~ConnectionControllerDelegate() = default;

    virtual void connectionController_didConnectToMobileDevice(
        ConnectionController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void connectionController_didDisconnectFromMobileDevice(
        ConnectionController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void connectionController_didExperienceError(ConnectionController& controller,
                                                         uint32_t error) = 0;
    // The message is null when the text did not decode.
    virtual void connectionController_didReceiveMessage_fromMobileDevice(
        ConnectionController& controller, const std::shared_ptr<Message>& message,
        const std::shared_ptr<MobileDevice>& device) = 0;
    // The reading's magnitude (positive).
    virtual void connectionController_didUpdateRSSI_forMobileDevice(
        ConnectionController& controller, const platform::Number& rssi,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void connectionController_protocolVersionNotMatching(ConnectionController& controller,
                                                                 bool macMustUpdate) = 0;
};

}  // namespace kestrune
