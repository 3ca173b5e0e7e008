#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/support/EventTimestamp.h"
#include "link/handshake/AuthConnectionDelegate.h"
#include "link/handshake/AuthConnectionManager.h"
#include "link/message/ConnectionData.h"
#include "link/message/FrameSender.h"
#include "link/message/FrameWriter.h"
#include "link/transport/LEScannerConnectionDelegate.h"
#include "link/transport/LEScannerConnectionInterface.h"
#include "link/transport/LEScannerConnectionInternal.h"
#include "link/transport/LeScannerConnectionInternalDelegate.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/Peripheral.h"

namespace kestrune {

// The Mac's side of one Bluetooth LE link with a phone. It walks the link through its states: the link
// comes up, the phone's service and its four characteristics are found, the reading characteristic is
// subscribed, the handshake runs, and the connection is full; it ends in an orderly or a forced
// disconnection. It owns the handshake layer and the receive buffers, frames and chunks what it sends,
// and reports up to the scanner (internal delegate) and to the connection controller (delegate).
//
// Peripheral callbacks and the scanner's calls arrive on the scanner's Bluetooth queue; the controller
// calls from the main thread; the three timers fire on the main run loop. The connection's fields are
// kept under its lock, which is never held while it calls out: every report to the controller is made
// on the main thread and waited for (the protocol-version mismatch is queued there instead).
class LeScannerConnection : public LEScannerConnectionInterface,
                            public LEScannerConnectionInternal,
                            public AuthConnectionDelegate,
                            public FrameWriter,
                            public platform::PeripheralDelegate,
                            public std::enable_shared_from_this<LeScannerConnection> {
public:
    // The connection's states.
    enum ScannerState : uint32_t {
        kStateDetected = 0,
        kStateConnecting = 1,
        kStateLinkConnected = 2,
        kStateDiscoveringServices = 3,
        kStateDiscoveringServicesAgain = 4,
        kStateDiscoveringCharacteristics = 5,
        kStateNoAppropriateServices = 6,
        kStateSubscribing = 7,
        kStateAuthenticating = 8,
        kStateAuthenticationFailed = 9,
        kStateFullyConnected = 10,
        kStateDisconnectingBecauseOfError = 11,
        kStateDisconnecting = 12,
        kStateLinkLost = 13,
    };

    // Time limits of the states that wait for the phone, and of the disconnection.
    static constexpr double kStuckTimeout = 2.5;
    static constexpr double kLongStuckTimeout = 5.0;
    static constexpr double kForceDisconnectDelay = 1.0;
    static constexpr double kSafetyTerminateDelay = 1.8;
    static constexpr double kRepeatedDisconnectForceAfter = 1.8;
    static constexpr double kForcedTerminationSpacing = 1.0;
    static constexpr double kConnectionEstablishedSpacing = 0.5;
    static constexpr double kServicesModifiedSpacing = 300.0;
    // A reading the radio gives when it has none.
    static constexpr int kUnavailableRSSI = 127;

    static std::shared_ptr<LeScannerConnection> initWithPeripheral_withDelegate(
        std::shared_ptr<platform::Peripheral> peripheral,
        std::weak_ptr<LeScannerConnectionInternalDelegate> delegate);
    ~LeScannerConnection() override;

    // LEScannerConnectionInterface
    void connect() override;
    void disconnect(bool notify) override;
    void forceTerminateConnection(bool notify) override;
    void disconnectBecauseOfError() override;
    std::string unId() const override;
    std::optional<std::string> serviceId() const override;
    std::string peripheralIdentifier() const override;
    void sendString_onPrimaryChannel(const std::string& text, bool primary) override;
    void updateRSSI() override;
    std::optional<platform::Number> lastRSSI() const override;
    bool isConnected() const override;
    bool isConnecting() const override;
    bool isInDisconectingProcess() const override;
    EventTimestamp inDisconnectTimestampValue() const override;
    void setKeepAliveInterval(int64_t seconds) override;
    std::shared_ptr<LEScannerConnectionDelegate> delegate() const override;
    void setDelegate(std::weak_ptr<LEScannerConnectionDelegate> delegate) override;

    // LEScannerConnectionInternal
    void updateConnectionWithPeripheral(const std::shared_ptr<platform::Peripheral>& peripheral) override;
    void setInternalDelegate(std::weak_ptr<LeScannerConnectionInternalDelegate> delegate) override;
    std::shared_ptr<platform::Peripheral> peripheral() const override;
    bool requireHandshake() const override { return requireHandshake_; }
    void didAttemptConnection() override;
    void recovered() override;
    void connectionEstablished() override;
    void connectionLost() override;
    void notifyDelegateOfConnect() override;
    void notifyDelegateOfDisconnect() override;
    void setRSSI(const platform::Number& rssi) override;
    void handleGeneralBleutoothError(const platform::Error& error) override;

    // The scanner's own time stamps of this connection. The scanner reads and stamps them from its
    // Bluetooth queue and the main thread while a new peripheral object may reset them, so each is
    // handled under the connection's lock.
    enum class ScannerStamp { LastUpdate, LastDetect, StartedConnecting };
    EventTimestamp scannerTimestamp(ScannerStamp which) const;
    void triggerScannerTimestamp(ScannerStamp which);
    void resetScannerTimestamp(ScannerStamp which);

    // Set after a long sleep; kept for the scanner, which clears it on every connection when the Mac
    // wakes from one.
    void setIgnoreForceRestartConnectionAfterLongSleep(bool ignore);
    bool ignoreForceRestartConnectionAfterLongSleep() const;

    uint32_t scannerState() const { return scannerState_.load(); }
    void setScannerState(uint32_t state);
    void discoverAndConnectServices();
    void terminateConnection(bool notify);
    bool allCharacteristicsKnown() const;

    // Sending (framing and chunks).
    void executeSend_onPrimaryChannel(const std::string& text, bool primary) override;
    void finalizeMessageAndSendCoreData_onPrimaryChannel(platform::Data data, bool primary);
    void sendDataInChunks_onPrimaryChannel(const platform::Data& data, bool primary);
    void resetDataToSend();
    uint64_t lengthOfDataToSend() const;

    // AuthConnectionDelegate
    void didReceiveMessage(const std::string& message) override;
    void didReceiveDiconnectReqeust() override;
    void didReceiveAuthRequest() override;
    void didAuthenticate() override;
    void authenticationFailed() override;
    void protocolVersionNotMatching(bool macMustUpdate) override;
    void canNotReceiveResponse() override;
    bool allServicesDiscoveredAndUserAuthenticated() override;

    // FrameWriter
    bool isLinkConnected() override;
    bool hasSendingCharacteristic(bool primary) override;
    void writeChunk(const platform::Data& chunk, bool primary) override;

    // PeripheralDelegate
    void peripheral_didDiscoverServices(platform::Peripheral& peripheral,
                                        const std::optional<platform::Error>& error) override;
    void peripheral_didDiscoverCharacteristicsForService_error(
        platform::Peripheral& peripheral, const std::shared_ptr<platform::Service>& service,
        const std::optional<platform::Error>& error) override;
    void peripheral_didUpdateNotificationStateForCharacteristic_error(
        platform::Peripheral& peripheral, const std::shared_ptr<platform::Characteristic>& characteristic,
        const std::optional<platform::Error>& error) override;
    void peripheral_didUpdateValueForCharacteristic_error(
        platform::Peripheral& peripheral, const std::shared_ptr<platform::Characteristic>& characteristic,
        const std::optional<platform::Error>& error) override;
    void peripheral_didWriteValueForCharacteristic_error(
        platform::Peripheral& peripheral, const std::shared_ptr<platform::Characteristic>& characteristic,
        const std::optional<platform::Error>& error) override;
    void peripheral_didReadRSSI_error(platform::Peripheral& peripheral, const platform::Number& rssi,
                                      const std::optional<platform::Error>& error) override;
    void peripheralDidUpdateRSSI_error(platform::Peripheral& peripheral,
                                       const std::optional<platform::Error>& error) override;
    void peripheral_didModifyServices(
        platform::Peripheral& peripheral,
        const std::vector<std::shared_ptr<platform::Service>>& invalidated) override;

    // Looking in.
    std::shared_ptr<platform::Service> myService() const;
    AuthConnectionManager& connectionManager() { return *connectionManager_; }
    bool shouldWaitForCharacteristicStateUpdateToDisconnect() const;

    LeScannerConnection(const LeScannerConnection&) = delete;
    LeScannerConnection& operator=(const LeScannerConnection&) = delete;

private:
    LeScannerConnection() = default;

    std::shared_ptr<LeScannerConnectionInternalDelegate> internalDelegate() const;
    bool isOwnPeripheral(const platform::Peripheral& peripheral) const;
    bool readingCharacteristicNotifies() const;
    void setWaitingForUnsubscription(bool waiting);
    void handleRSSI(const platform::Number& rssi);
    void onMainThread(const std::function<void(LEScannerConnectionDelegate&)>& call);
    EventTimestamp& scannerTimestampLocked(ScannerStamp which);

    std::shared_ptr<platform::Timer> schedule(double seconds,
                                              std::function<void(LeScannerConnection&)> action);
    void replaceTimer(std::shared_ptr<platform::Timer> LeScannerConnection::*slot,
                      std::shared_ptr<platform::Timer> timer);
    void startStateTimer(uint32_t state, double seconds);
    void stopStateTimer();
    void startForceDisconnectTimer();
    void startSafetyTerminateTimer();
    void stopTerminationTimers();
    void stateTimerFired(uint32_t state);
    void forceDisconnectTimerFired();

    bool requireHandshake_ = true;
    std::atomic<uint32_t> scannerState_{kStateDetected};
    std::shared_ptr<AuthConnectionManager> connectionManager_;
    std::unique_ptr<FrameSender> frameSender_;
    ConnectionData connecionData_;

    mutable std::mutex mutex_;
    std::shared_ptr<platform::Peripheral> servicePeripheral_;
    std::shared_ptr<platform::Service> myService_;
    std::shared_ptr<platform::Characteristic> sendingCharacteristicPrimary_;
    std::shared_ptr<platform::Characteristic> sendingCharacteristicSecondary_;
    std::shared_ptr<platform::Characteristic> readingCharacteristic_;
    std::shared_ptr<platform::Characteristic> readingCharacteristicFast_;
    std::optional<platform::Number> myRSSI_;
    bool shouldWaitForCharacteristicStateUpdateToDisconnect_ = false;
    bool ignoreForceRestartConnectionAfterLongSleep_ = false;
    std::shared_ptr<platform::Timer> stateTimer_;
    std::shared_ptr<platform::Timer> forceDisconnectTimer_;
    std::shared_ptr<platform::Timer> safetyTerminateTimer_;
    EventTimestamp inDisconnectTimestamp_;
    EventTimestamp connectionTimestamp_;
    EventTimestamp forceTerminateTimestamp_;
    EventTimestamp servicesModifiedTimestamp_;
    EventTimestamp lastUpdateTimestamp_;
    EventTimestamp lastDetectTimestamp_;
    EventTimestamp startedConnectingTimestamp_;
    std::weak_ptr<LEScannerConnectionDelegate> delegate_;
    std::weak_ptr<LeScannerConnectionInternalDelegate> delegateInternal_;
};

}  // namespace kestrune
