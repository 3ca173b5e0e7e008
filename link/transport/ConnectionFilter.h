#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/support/EventTimestamp.h"

namespace kestrune {

class LEScanner;
class LEScannerConnectionInterface;
class MobileDevice;

// The connection controller's and the scanner's questions: whether to read the tracked phone's signal
// now, whether to pause scanning, and which phones may connect.
//
// The phone records belong to the main thread, but the scanner asks its two questions on its Bluetooth
// queue for every advertisement. The answers are therefore published: on the main thread the filter
// reads the records, and stores what the two questions need in atomics (publishScannerAnswers, also run
// by every main-thread answer); off the main thread it reads only those atomics. No lock is taken and
// the Bluetooth queue never waits for the main thread, so the questions stay cheap. The connection
// controller publishes after every change of a phone's connection mark or of the pairing phone.
class ConnectionFilter {
public:
    static constexpr double kRSSIInterval = 2.0;

    // Main thread. True when more than 2 seconds passed since the last read, a tracked phone exists
    // and the connection is fully connected. The caller stamps the read with didUpdateRSSI.
    bool shouldUpdateRSSIForConnection(const std::shared_ptr<LEScannerConnectionInterface>& connection) const;
    void didUpdateRSSI();

    static bool isConnectedToTrackingConnection(
        const std::shared_ptr<LEScannerConnectionInterface>& connection);
    // Main thread. The Mac sleeps, its lid is closed without an external monitor, or a phone pairs
    // while none is tracked.
    static bool shouldTemporaryStopScanningForCurrentTrackingConnection(
        const std::shared_ptr<LEScannerConnectionInterface>& connection);
    // Any thread: the tracked phone is connected, or a phone is pairing.
    static bool scannerShouldIgnoreAllDiscoveredConnections(LEScanner* scanner);
    // Any thread: no tracked phone, or the tracked phone is not connected.
    static bool scannerShouldProceedWithConnectingTo(
        const std::shared_ptr<LEScannerConnectionInterface>& connection);
    // Main thread. The tracked phone, a phone asking to pair, or any phone in recovery mode.
    static bool shouldConnectToMobileDevice(const std::shared_ptr<MobileDevice>& device);
    static bool shouldConnectToConnection(const std::shared_ptr<LEScannerConnectionInterface>& connection);
    static bool shouldConnectToDeviceWithId(const std::optional<std::string>& unId);
    static bool connectionIsTrackingDevice(const std::shared_ptr<LEScannerConnectionInterface>& connection);
    static bool connectionIsTrackingDeviceWithId(const std::optional<std::string>& unId);
    // A phone asking to pair comes with the identifier "B4FE" or "B4FA" (any letter case); any other
    // identifier is no pairing request. Such a phone is admitted only through recovery mode, which the
    // set-up wizard switches on while it searches for new phones.
    static bool connectionIsNewPairingRequestConnection(
        const std::shared_ptr<LEScannerConnectionInterface>& connection);
    static bool connectionIdIsNewPairingRequestConnection(const std::optional<std::string>& unId);

    // Main thread: reads the records and publishes what the scanner's questions need.
    static void publishScannerAnswers();

    EventTimestamp RSSITimestamp() const { return RSSITimestamp_; }

private:
    EventTimestamp RSSITimestamp_;
};

}  // namespace kestrune
