#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/support/EventTimestamp.h"
#include "platform/base/Number.h"

namespace kestrune {

class LEScannerConnectionDelegate;

// The operations of a phone connection that the connection controller and the scanner use.
class LEScannerConnectionInterface {
public:
    virtual ~LEScannerConnectionInterface() = default;

    virtual void connect() = 0;
    // notify: whether a termination made at once tells the scanner (one after waiting always does).
    virtual void disconnect(bool notify) = 0;
    virtual void forceTerminateConnection(bool notify) = 0;
    virtual void disconnectBecauseOfError() = 0;
    // The phone's installation identifier once the handshake told it, else the peripheral identifier.
    virtual std::string unId() const = 0;
    // The accepted service's identifier text, once one was accepted.
    virtual std::optional<std::string> serviceId() const = 0;
    virtual std::string peripheralIdentifier() const = 0;
    virtual void sendString_onPrimaryChannel(const std::string& text, bool primary) = 0;
    virtual void updateRSSI() = 0;
    virtual std::optional<platform::Number> lastRSSI() const = 0;
    virtual bool isConnected() const = 0;
    virtual bool isConnecting() const = 0;
    virtual bool isInDisconectingProcess() const = 0;
    virtual EventTimestamp inDisconnectTimestampValue() const = 0;
    virtual void setKeepAliveInterval(int64_t seconds) = 0;
    virtual std::shared_ptr<LEScannerConnectionDelegate> delegate() const = 0;
    virtual void setDelegate(std::weak_ptr<LEScannerConnectionDelegate> delegate) = 0;
};

}  // namespace kestrune
