#pragma once

#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Number.h"
#include "platform/bluetooth/Peripheral.h"

namespace kestrune {

class LeScannerConnectionInternalDelegate;

// The operations of a phone connection that only the scanner uses.
class LEScannerConnectionInternal {
public:
    virtual ~LEScannerConnectionInternal() = default;

    // The same connection now stands for this peripheral object: fresh buffers and time stamps.
    virtual void updateConnectionWithPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral) = 0;
    virtual void setInternalDelegate(std::weak_ptr<LeScannerConnectionInternalDelegate> delegate) = 0;
    virtual std::shared_ptr<platform::Peripheral> peripheral() const = 0;
    virtual bool requireHandshake() const = 0;
    virtual void didAttemptConnection() = 0;
    virtual void recovered() = 0;
    // The link came up, or went down.
    virtual void connectionEstablished() = 0;
    virtual void connectionLost() = 0;
    virtual void notifyDelegateOfConnect() = 0;
    virtual void notifyDelegateOfDisconnect() = 0;
    virtual void setRSSI(const platform::Number& rssi) = 0;
    virtual void handleGeneralBleutoothError(const platform::Error& error) = 0;
};

}  // namespace kestrune
