#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/support/EventTimestamp.h"
#include "link/transport/LEScanner.h"
#include "link/transport/LEScannerCachedConnections.h"
#include "link/transport/LEScannerDelegate.h"
#include "link/transport/LEScannerIgnoreManager.h"
#include "link/transport/LeDataManager.h"
#include "link/transport/LeScannerConnection.h"
#include "link/transport/LeScannerConnectionInternalDelegate.h"
#include "platform/base/DispatchQueue.h"
#include "platform/bluetooth/CentralManager.h"
#include "platform/bluetooth/CentralManagerDelegate.h"

namespace kestrune {

// The application's one Bluetooth LE central. It brings the central manager up and keeps it up while
// the controller is on, judges every advertisement, spaces and queues connect attempts, keeps one
// connection per peripheral it has seen, reconnects to the last phone, answers its connections'
// questions and reports upward to its delegate, the connection controller.
//
// Threads: the central manager's callbacks run on the scanner's serial Bluetooth queue; the LEScanner
// operations come from the main thread; connections call in from either. One lock guards the tables and
// stamps below. It is never held while the scanner reports to its delegate, asks its questions, or calls
// into a connection or the central manager, since each of those may call back. Reports to the delegate
// are made on the main thread and waited for; delayed steps (the power-on retry, the step after a long
// sleep, the connect-queue check) run on the main run loop.
class LEScannerController : public LEScanner,
                            public platform::CentralManagerDelegate,
                            public LeScannerConnectionInternalDelegate,
                            public std::enable_shared_from_this<LEScannerController> {
public:
    static constexpr const char* kQueueLabel = "com.kestrune.Kestrune.bluetooth";
    // Spacing rules, in seconds.
    static constexpr double kRestartScanningPeriod = 10.0;
    static constexpr double kRecreateAfter = 0.8;
    static constexpr double kRecreateBefore = 2.2;
    static constexpr double kPowerRetryInterval = 1.5;
    static constexpr double kRetrievalSpacing = 20.0;
    static constexpr double kLongSleepRetrievalDelay = 0.1;
    static constexpr double kDetectSpacing = 2.5;
    static constexpr double kUpdateSpacing = 0.7;
    static constexpr double kStuckDisconnectingLimit = 2.5;
    static constexpr double kDetectReportSpacing = 1.0;
    static constexpr double kConnectSpacing = 0.3;
    static constexpr double kConnectQueueCheckDelay = 0.35;
    static constexpr double kAcceptAllServicesAfterClearing = 10.0;
    // Sightings before a counted reason puts a peripheral on the ignore list.
    static constexpr int64_t kIgnoreCount = 3;
    static constexpr int64_t kIgnoreCountForMainConnection = 6;

    // Main thread. Observes the screen and wake notifications; the central manager comes with the
    // first setServiceUUIDsToSearchFor.
    static std::shared_ptr<LEScannerController> initWithDelegate(std::weak_ptr<LEScannerDelegate> delegate);
    ~LEScannerController() override;

    // LEScanner (main thread) --------------------------------------------------------------------------
    void acceptUUIDServiceString(const std::string& uuid) override;
    void cachePeripheralWithUUID(const std::string& uuid) override;
    void removeCachedPeripheralWithUUID(const std::string& uuid) override;
    void removeAllCachedConnections() override;
    void performBLETurnedOnAndReadyNotification() override;
    void cleanPeripheralsForIgnoreReason(uint32_t reason) override;
    void clearPeripheralIgnoreList() override;
    void removePeripheralFromIgnoreList(const std::string& uuid) override;
    void ignorePeripheralWithUUID_forReason(const std::string& uuid, uint32_t reason) override;
    void setServiceUUIDsToSearchFor(const std::vector<std::string>& uuids) override;
    void setServiceUUIDToSearchFor(const std::string& uuid) override;
    void executeSingleScan() override;
    void stopScanning() override;
    bool isScanning() const override;
    void cleanupAllConnections() override;
    std::shared_ptr<LEScannerConnectionInterface> connectionForUnID(const std::string& unId) override;
    void clearDevicesForced(bool forced) override;

    void initializeCentralManager();
    void tryToTurnBluetoothOn();
    void applicationDidWake();
    void applicationDidWakeAfterLongSleep();
    void retrievePeripheralsOnNextScanIfNeeded();
    void retreiveConnectedPeripheralsAndScan();
    void tryToReconnectToMainConnection();

    // Kept for callers outside the scanner; the application itself calls none of them.
    // True while a peripheral the scanner recreated a connection for is connecting.
    bool isAnyPeripheralConnecting() const;
    // A connection that has been connecting too long: counted as unsuitable, then disconnected.
    void connectionIsTryingToConnectForALongPeriodOfTime(
        const std::shared_ptr<LeScannerConnection>& connection);
    // The target of a restart timer: scans again for the services the timer was scheduled with (none: a
    // scan for every peripheral). The timer's closure passes them, as its user info would.
    void restartScan(const std::optional<std::vector<platform::BluetoothUUID>>& services);
    // Ends the connection's link, telling its delegate.
    void disconnect(const std::shared_ptr<LeScannerConnection>& connection);

    // CentralManagerDelegate (Bluetooth queue) -------------------------------------------------------------
    void centralManagerDidUpdateState(platform::CentralManager& central) override;
    void centralManager_didDiscoverPeripheral_advertisementData_RSSI(
        platform::CentralManager& central, const std::shared_ptr<platform::Peripheral>& peripheral,
        const platform::Value::Dictionary& advertisementData, const platform::Number& RSSI) override;
    void centralManager_didConnectPeripheral(
        platform::CentralManager& central, const std::shared_ptr<platform::Peripheral>& peripheral) override;
    void centralManager_didFailToConnectPeripheral_error(
        platform::CentralManager& central, const std::shared_ptr<platform::Peripheral>& peripheral,
        const std::optional<platform::Error>& error) override;
    void centralManager_didDisconnectPeripheral_error(platform::CentralManager& central,
                                                      const std::shared_ptr<platform::Peripheral>& peripheral,
                                                      const std::optional<platform::Error>& error) override;
    // The older asynchronous retrieval: each peripheral retrieved is connected as a recovered one; the
    // system's connected peripherals are connected at once through the manager that found them.
    void centralManager_didRetrievePeripherals(
        platform::CentralManager& central,
        const std::vector<std::shared_ptr<platform::Peripheral>>& peripherals) override;
    void centralManager_didRetrievePeripheral(
        platform::CentralManager& central, const std::shared_ptr<platform::Peripheral>& peripheral) override;
    void centralManager_didRetrieveConnectedPeripherals(
        platform::CentralManager& central,
        const std::vector<std::shared_ptr<platform::Peripheral>>& peripherals) override;
    // Nothing to restore: the phone is found again by its saved identifier.
    void centralManager_willRestoreState(platform::CentralManager& central,
                                         const platform::Value::Dictionary& state) override;

    // LeScannerConnectionInternalDelegate ------------------------------------------------------------------
    void scannerConnection_didUpdateState(const std::shared_ptr<LeScannerConnection>& connection,
                                          uint32_t state) override;
    void scannerConnection_didGetStuckInState(const std::shared_ptr<LeScannerConnection>& connection,
                                              uint32_t state) override;
    void scannerConnection_performCommand(const std::shared_ptr<LeScannerConnection>& connection,
                                          int32_t command) override;
    std::vector<platform::BluetoothUUID> scannerConnectionGetArrayOfServices(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    void protocolVersionNotMatching(bool macMustUpdate) override;
    void scannerConnectionIsNotAnAppropriateConnection(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    void scannerConnectionExperiencedUnsolvableError(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    void scannerConnectionExperiencedCorruptedBluetoothCache(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    void scannerConnectionDidDetectInappropriateServices(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    bool scannerConnection_shouldAcceptServiceWithUUID(const std::shared_ptr<LeScannerConnection>& connection,
                                                       const std::string& uuid) override;
    bool scannerConnectionShouldAcceptAllServices(
        const std::shared_ptr<LeScannerConnection>& connection) override;
    bool scannerShouldScanForServicesAfterConnection(
        const std::shared_ptr<LeScannerConnection>& connection) override;

    // Judging an advertisement (Bluetooth queue) ---------------------------------------------------------
    bool shouldIgnorePeripheral_withAdvertismentData(const std::shared_ptr<platform::Peripheral>& peripheral,
                                                     const platform::Value::Dictionary& advertisementData);
    std::shared_ptr<LeScannerConnection> connectionForPeripheral(
        const std::shared_ptr<platform::Peripheral>& peripheral);
    void tryToConnectToPeripheral_RSSI(const std::shared_ptr<platform::Peripheral>& peripheral,
                                       const platform::Number& RSSI);
    void connectCustomPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral);

    // Looking on (tests, benchmarks) -----------------------------------------------------------------------
    std::shared_ptr<platform::CentralManager> centralManager() const;
    std::shared_ptr<LeScannerConnection> mainConnection() const;
    std::vector<std::shared_ptr<platform::Peripheral>> foundPeripherals() const;
    std::vector<std::shared_ptr<LeScannerConnection>> connectedConnections() const;
    std::vector<std::string> acceptedServices() const;
    size_t foundConnectionCount() const;
    size_t pendingConnectCount() const;
    bool shouldRetreiveConnectedPeripherals() const;
    int64_t mainErrorCount() const;
    LEScannerIgnoreManager& ignoreManager() { return *ignoreManager_; }
    LeDataManager& persistantData() { return persistantData_; }

    LEScannerController(const LEScannerController&) = delete;
    LEScannerController& operator=(const LEScannerController&) = delete;

private:
    LEScannerController() = default;
    void observeNotifications();

    std::shared_ptr<LEScannerDelegate> delegate() const { return delegate_.lock(); }
    // Runs the report on the main thread and waits for it; no lock may be held.
    void reportOnMainThread(const std::function<void(LEScannerDelegate&)>& report);
    void reportError(int64_t code, const std::shared_ptr<LeScannerConnection>& connection);
    void resetScanProperties();

    // Scanning.
    // None when no service is accepted: a scan for every peripheral.
    std::optional<std::vector<platform::BluetoothUUID>> getArrayOfCBUUIDFromServices() const;
    void prepareAndScanForServices(const std::optional<std::vector<platform::BluetoothUUID>>& services);
    void executeScanForServices(const std::optional<std::vector<platform::BluetoothUUID>>& services);

    // Retrieval.
    void handleRecoveredPeripherals(const std::vector<std::shared_ptr<platform::Peripheral>>& peripherals);
    bool peripheralIsAlreadyConnecting(const std::shared_ptr<platform::Peripheral>& peripheral) const;
    void didRecoverPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral);

    // Advertisements and connecting.
    bool connectionIsInDisconnectProccess(const std::shared_ptr<LeScannerConnection>& connection) const;
    void discoveredConnectedConneciton_withRSSI(const std::shared_ptr<LeScannerConnection>& connection,
                                                const platform::Number& RSSI);
    void handlePeripheralForMainConneciton(const std::shared_ptr<platform::Peripheral>& peripheral);
    void recreateConnectionAndConnectPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral);
    std::shared_ptr<LeScannerConnection> recreateConnectionForPeripheral(
        const std::shared_ptr<platform::Peripheral>& peripheral);
    void putConnectionToConnectQueueAndTryToConnectLater(
        const std::string& unId, const std::shared_ptr<LeScannerConnection>& connection);
    void checkAfterDelayIfAnyPeripheralInConnectQueue();
    void checkConnectQueue();
    void removeAndIgnoreAllPeripheralsExceptPeripheralWithUUID(const std::string& uuid);
    void markConnectionAsUnsuitable(const std::shared_ptr<LeScannerConnection>& connection);
    void notifyDelegatesOfDisconnect();
    void disconnectPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral);
    bool isOwnCentral(const platform::CentralManager& central) const;

    std::weak_ptr<LEScannerDelegate> delegate_;
    std::unique_ptr<LEScannerIgnoreManager> ignoreManager_;
    LeDataManager persistantData_;

    // Guarded by mutex_ ------------------------------------------------------------------------------------
    mutable std::mutex mutex_;
    std::shared_ptr<platform::CentralManager> centralManager_;
    LEScannerCachedConnections cachedConnections_;
    std::vector<std::shared_ptr<platform::Peripheral>> myFoundPeripherals_;
    std::map<std::string, std::shared_ptr<LeScannerConnection>> myFoundConnections_;
    std::map<std::string, std::shared_ptr<LeScannerConnection>> myConnectedConnections_;
    std::map<std::string, std::shared_ptr<LeScannerConnection>> pendingConnectPeripherals_;
    std::vector<std::string> serviceUUIDToAcceptConnection_;
    bool isScanning_ = false;
    bool shouldRetreiveConnectedPeripherals_ = false;
    int64_t numberOfTimesScannedForAllServices_ = 1;
    int64_t numberOfTimesScannedForSpecificServices_ = 1;
    int64_t mainErrorCount_ = 0;
    EventTimestamp lastConnectionAttemptTimestamp_;
    EventTimestamp restartScanningEvent_;
    EventTimestamp clearIgnoreListEvent_;
    EventTimestamp peripheralRecoveredTimestamp_;
    EventTimestamp longSleepWakeUp_;
    EventTimestamp applicationDidWake_;
};

}  // namespace kestrune
