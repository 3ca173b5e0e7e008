#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/base/Number.h"

namespace kestrune {

class LEScanner;
class LEScannerConnectionInterface;

// What the scanner reports to and asks of its one owner, the connection controller.
//
// Every report is made on the main thread while the scanner's Bluetooth queue waits for it to return.
// The two questions and the protocol-version mismatch come on the Bluetooth queue: their answers must
// not read what the main thread changes without synchronisation.
class LEScannerDelegate {
public:
    // The codes of scanner_didExperienceError_forConnection.
    enum ErrorCode : int64_t {
        // A connection stuck disconnecting was force-terminated (with that connection).
        kErrorStuckDisconnecting = 1,
        // A connect attempt failed (no connection).
        kErrorConnectFailed = 3,
        // A fatal link error: reported after code 5 when a connect attempt failed with the platform's
        // connection-failed code (no connection).
        kErrorFatalLink = 4,
        // The Bluetooth cache is corrupted (with the connection that found it, or none after a connect
        // attempt that failed with the platform's connection-failed code).
        kErrorCorruptedBluetoothCache = 5,
    };

    virtual ~LEScannerDelegate() = default;

    virtual void scanner_didExperienceError_forConnection(
        LEScanner& scanner, int64_t error,
        const std::shared_ptr<LEScannerConnectionInterface>& connection) = 0;
    // An already connected and identified phone was heard advertising again.
    virtual void scanner_didDetect_withRSSI(LEScanner& scanner,
                                            const std::shared_ptr<LEScannerConnectionInterface>& connection,
                                            const platform::Number& RSSI) = 0;
    // A connection became usable (fully connected, or link connected when it needs no handshake); the
    // signal strength is the connection's last reading, when it has one.
    virtual void scanner_didDiscover_withRSSI(LEScanner& scanner,
                                              const std::shared_ptr<LEScannerConnectionInterface>& connection,
                                              const std::optional<platform::Number>& RSSI) = 0;
    // Asked first for every advertisement (Bluetooth queue): true drops it.
    virtual bool scannerShouldIgnoreAllDiscoveredConnections(LEScanner& scanner) = 0;
    // Asked when a connection's link is up (Bluetooth queue): false stops it there.
    virtual bool scannerShouldProceedWithConnectingTo(
        const std::shared_ptr<LEScannerConnectionInterface>& connection) = 0;
    // The central is powered on.
    virtual void scannerIsOnAndReady() = 0;
    // A connection's handshake found the protocol versions do not match (any thread); true when this
    // Mac's application must be updated.
    virtual void protocolVersionNotMatching(bool macMustUpdate) = 0;
};

}  // namespace kestrune
