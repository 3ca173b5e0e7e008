#include "link/transport/ConnectionFilter.h"

#include <atomic>

#include "app/records/MacSessionServices.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "link/transport/LEScannerConnectionInterface.h"
#include "link/transport/RecoveryManager.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {

// What the Bluetooth queue may read: published by the main thread. Before the first publication no
// phone is tracked or pairing, as in a new installation.
std::atomic<bool> gTrackedPhoneConnected{false};
std::atomic<bool> gTrackedPhoneExists{false};
std::atomic<bool> gPhoneIsPairing{false};

struct Facts {
    bool trackedConnected;
    bool trackedExists;
    bool pairing;
};

// The facts, read on the main thread from the records and published; elsewhere the published ones.
Facts facts() {
    if (!platform::isMainThread())
        return {gTrackedPhoneConnected.load(), gTrackedPhoneExists.load(), gPhoneIsPairing.load()};
    auto& data = DataManager::shared();
    Facts now{data.isConnectedToTrackingDevice(), data.getTrackingMobileDevice() != nullptr,
              data.pairingMobileDevice() != nullptr};
    gTrackedPhoneConnected.store(now.trackedConnected);
    gTrackedPhoneExists.store(now.trackedExists);
    gPhoneIsPairing.store(now.pairing);
    return now;
}

std::optional<std::string> idOf(const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    if (!connection) return std::nullopt;
    return connection->unId();
}

}  // namespace

void ConnectionFilter::publishScannerAnswers() {
    if (platform::isMainThread()) facts();
}

bool ConnectionFilter::shouldUpdateRSSIForConnection(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) const {
    return RSSITimestamp_.moreSecondsElapsedSinceLastTrigger(kRSSIInterval) && facts().trackedExists &&
           isConnectedToTrackingConnection(connection);
}

void ConnectionFilter::didUpdateRSSI() {
    RSSITimestamp_.eventTriggered();
}

bool ConnectionFilter::isConnectedToTrackingConnection(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    return connection && connection->isConnected();
}

bool ConnectionFilter::shouldTemporaryStopScanningForCurrentTrackingConnection(
    const std::shared_ptr<LEScannerConnectionInterface>&) {
    auto session = MacSessionServices::current();
    if (session->macIsSleeping() || session->laptopLidIsDownAndNoExternalMonitor()) return true;
    Facts now = facts();
    return !now.trackedExists && now.pairing;
}

bool ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(LEScanner*) {
    Facts now = facts();
    return now.trackedConnected || now.pairing;
}

bool ConnectionFilter::scannerShouldProceedWithConnectingTo(
    const std::shared_ptr<LEScannerConnectionInterface>&) {
    Facts now = facts();
    return !now.trackedExists || !now.trackedConnected;
}

bool ConnectionFilter::shouldConnectToMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    return shouldConnectToDeviceWithId(device ? device->unId() : std::nullopt);
}

bool ConnectionFilter::shouldConnectToConnection(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    return shouldConnectToDeviceWithId(idOf(connection));
}

bool ConnectionFilter::shouldConnectToDeviceWithId(const std::optional<std::string>& unId) {
    return connectionIsTrackingDeviceWithId(unId) || connectionIdIsNewPairingRequestConnection(unId) ||
           RecoveryManager::shared().isInRecoveryMode();
}

bool ConnectionFilter::connectionIsTrackingDevice(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    return connectionIsTrackingDeviceWithId(idOf(connection));
}

bool ConnectionFilter::connectionIsTrackingDeviceWithId(const std::optional<std::string>& unId) {
    if (!unId) return false;
    auto settings = DataManager::shared().getTrackingSettings();
    return settings && settings->unId() && platform::caseInsensitiveCompare(*settings->unId(), *unId) == 0;
}

bool ConnectionFilter::connectionIsNewPairingRequestConnection(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    return connectionIdIsNewPairingRequestConnection(idOf(connection));
}

bool ConnectionFilter::connectionIdIsNewPairingRequestConnection(const std::optional<std::string>& unId) {
    if (!unId) return false;
    return platform::caseInsensitiveCompare(*unId, "B4FE") == 0 ||
           platform::caseInsensitiveCompare(*unId, "B4FA") == 0;
}

}  // namespace kestrune
