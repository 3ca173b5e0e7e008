#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bluetooth/BluetoothUUID.h"

namespace kestrune {

class LeScannerConnection;

// What a phone connection asks of and reports to the scanner that owns it. Calls come from the
// scanner's Bluetooth queue, and from the main thread when one of the connection's timers fires.
class LeScannerConnectionInternalDelegate {
public:
    // The commands of scannerConnection_performCommand.
    enum Command : int32_t { kCommandConnect = 0, kCommandCancelConnection = 1 };

    virtual ~LeScannerConnectionInternalDelegate() = default;

    virtual void scannerConnection_didUpdateState(const std::shared_ptr<LeScannerConnection>& connection,
                                                  uint32_t state) = 0;
    // The connection stayed in the state longer than its time limit.
    virtual void scannerConnection_didGetStuckInState(const std::shared_ptr<LeScannerConnection>& connection,
                                                      uint32_t state) = 0;
    virtual void scannerConnection_performCommand(const std::shared_ptr<LeScannerConnection>& connection,
                                                  int32_t command) = 0;
    // The services the scanner searches for.
    virtual std::vector<platform::BluetoothUUID> scannerConnectionGetArrayOfServices(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    // True when this Mac's application must be updated.
    virtual void protocolVersionNotMatching(bool macMustUpdate) = 0;
    virtual void scannerConnectionIsNotAnAppropriateConnection(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    virtual void scannerConnectionExperiencedUnsolvableError(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    virtual void scannerConnectionExperiencedCorruptedBluetoothCache(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    virtual void scannerConnectionDidDetectInappropriateServices(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    virtual bool scannerConnection_shouldAcceptServiceWithUUID(
        const std::shared_ptr<LeScannerConnection>& connection, const std::string& uuid) = 0;
    virtual bool scannerConnectionShouldAcceptAllServices(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
    // Whether to go on with this peripheral once its link is up.
    virtual bool scannerShouldScanForServicesAfterConnection(
        const std::shared_ptr<LeScannerConnection>& connection) = 0;
};

}  // namespace kestrune
