#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/message/MessageEncoderDecoder.h"
#include "link/transport/ConnectionControllerDelegate.h"
#include "link/transport/ConnectionFilter.h"
#include "link/transport/LEScannerConnectionDelegate.h"
#include "link/transport/LEScannerController.h"
#include "link/transport/LEScannerDelegate.h"
#include "link/transport/ScanIntervalController.h"
#include "link/transport/SilentPushSender.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

class Message;
class MobileDevice;

// Stands between the request dispatcher, which deals in messages and phone records, and the scanner
// with its connections: it chooses what to scan for, keeps the connections by phone identifier, keeps
// each phone's connected mark, codes messages, reads the tracked phone's signal at a limited rate,
// falls back to a silent push for a phone out of reach, and steers the scanner's ignore list and cache.
//
// Main thread only: the scanner and the connections report on it, notifications and timers arrive on
// it. Only the scanner's two questions come on the Bluetooth queue; the connection filter answers them
// from what this controller publishes after every change of a connected mark.
class ConnectionController : public LEScannerDelegate,
                             public LEScannerConnectionDelegate,
                             public ScanIntervalControllerDelegate,
                             public std::enable_shared_from_this<ConnectionController> {
public:
    static constexpr double kInitialScanDelay = 1.5;
    static constexpr double kClearIgnoreListDelay = 1.5;
    static constexpr int64_t kTemporaryIntenseScanSeconds = 15;
    static constexpr int64_t kTrackedPhoneKeepAliveInterval = 8;
    static constexpr const char* kPairingServiceId = "B4FE";
    static constexpr const char* kPairingServiceIdAlternative = "B4FA";

    // The summary of currentConnectionState.
    enum ConnectionState : uint32_t {
        kStateTrackedConnected = 1,
        kStateTrackedNotConnected = 2,
        kStatePairing = 3,
        kStateNoPhone = 4,
    };

    // Creates the coder, the scanner and the scan-interval controller, observes the Bluetooth and
    // recovery notifications, and schedules the first scan 1.5 s later. Main thread.
    static std::shared_ptr<ConnectionController> init();
    ~ConnectionController() override;

    // The request dispatcher owns this controller.
    ConnectionControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ConnectionControllerDelegate* delegate) { delegate_ = delegate; }
    // Where messages for a phone out of reach go; null (the default) is the shared silent-push manager.
    void setSilentPushSender(std::shared_ptr<SilentPushSender> sender);

    // Operations for the request dispatcher -----------------------------------------------------------------
    bool sendMessage_toMobileDevice_useRemoteChannelIfNeeded(const Message& message,
                                                             const std::shared_ptr<MobileDevice>& device,
                                                             bool useRemote);
    void sendMessageToAllConnectedMobileDevices(const Message& message);
    void readRSSI_intense(const std::shared_ptr<MobileDevice>& device, bool intense);
    void startTemporaryIntensiveScan();
    void updatePeriodicScanInterval();
    void didConnectAndSyncWithOnlyAcceptableConnection();
    void disconnectFromAllMobileDevicesImmediate(bool immediate);
    void blacklistDevicePermanently(const std::shared_ptr<MobileDevice>& device);
    void blacklistDeviceTemporary(const std::shared_ptr<MobileDevice>& device);
    void removeDeviceFromBlacklist(const std::shared_ptr<MobileDevice>& device);
    void clearTemporaryBlacklist();
    void clearBlacklist();
    void whitelistDevice(const std::shared_ptr<MobileDevice>& device);
    void clearWhitelist();
    void setKeepAliveInterval_forDevice(int64_t seconds, const std::shared_ptr<MobileDevice>& device);
    uint32_t currentConnectionState();
    std::shared_ptr<LEScannerConnectionInterface> trackingConnection();

    // Internal steps, public for the scanner's timing and for tests ---------------------------------------
    void startInitalScanning();
    void bleTurnedOnAndReadyUpdate();
    void executeScan();
    void ignoreAndDisconnectAllNonTrackingConnections();
    void cacheConnectedConnections();
    // The phone stored under the connection's identifier, or null.
    std::shared_ptr<MobileDevice> deviceForConnection(
        const std::shared_ptr<LEScannerConnectionInterface>& connection);

    // LEScannerDelegate -----------------------------------------------------------------------------------
    void scanner_didExperienceError_forConnection(
        LEScanner& scanner, int64_t error,
        const std::shared_ptr<LEScannerConnectionInterface>& connection) override;
    void scanner_didDetect_withRSSI(LEScanner& scanner,
                                    const std::shared_ptr<LEScannerConnectionInterface>& connection,
                                    const platform::Number& RSSI) override;
    void scanner_didDiscover_withRSSI(LEScanner& scanner,
                                      const std::shared_ptr<LEScannerConnectionInterface>& connection,
                                      const std::optional<platform::Number>& RSSI) override;
    bool scannerShouldIgnoreAllDiscoveredConnections(LEScanner& scanner) override;
    bool scannerShouldProceedWithConnectingTo(
        const std::shared_ptr<LEScannerConnectionInterface>& connection) override;
    void scannerIsOnAndReady() override;
    void protocolVersionNotMatching(bool macMustUpdate) override;

    // LEScannerConnectionDelegate -------------------------------------------------------------------------
    void connection_didReceiveString(const std::shared_ptr<LeScannerConnection>& connection,
                                     const std::string& text) override;
    void connection_didUpdateRSSI(const std::shared_ptr<LeScannerConnection>& connection,
                                  const platform::Number& rssi) override;
    void connectionDidConnect(const std::shared_ptr<LeScannerConnection>& connection) override;
    void connectionDidDisconnect(const std::shared_ptr<LeScannerConnection>& connection) override;

    // ScanIntervalControllerDelegate ----------------------------------------------------------------------
    void scanIntervalControllerExecuteScan(ScanIntervalController& controller) override;
    bool scanIntervalControllerShouldScanVeryIntensively(ScanIntervalController& controller) override;

    // Looking on (tests) ------------------------------------------------------------------------------------
    const std::shared_ptr<LEScannerController>& lEScannerManager() const { return lEScannerManager_; }
    const MessageEncoderDecoder& messageEncoderDecoder() const { return messageEncoderDecoder_; }
    ScanIntervalController& scanController() { return *scanController_; }
    const std::map<std::string, std::shared_ptr<LEScannerConnectionInterface>>& dictOfConnections() const {
        return dictOfConnections_;
    }

    ConnectionController(const ConnectionController&) = delete;
    ConnectionController& operator=(const ConnectionController&) = delete;

private:
    ConnectionController() = default;

    std::shared_ptr<LEScannerConnectionInterface> connectionForDevice(
        const std::shared_ptr<MobileDevice>& device) const;
    std::optional<std::string> peripheralOfDevice(const std::shared_ptr<MobileDevice>& device) const;
    void setConnected(const std::shared_ptr<MobileDevice>& device, bool connected);
    std::vector<std::string> serviceListForState(uint32_t state);
    void stopScanningWithBluetooth();
    void observeOnMain(const char* name, void (ConnectionController::*step)());

    MessageEncoderDecoder messageEncoderDecoder_;
    std::shared_ptr<LEScannerController> lEScannerManager_;
    ConnectionFilter connectionFilter_;
    std::map<std::string, std::shared_ptr<LEScannerConnectionInterface>> dictOfConnections_;
    std::unique_ptr<ScanIntervalController> scanController_;
    std::shared_ptr<SilentPushSender> silentPushSender_;
    ConnectionControllerDelegate* delegate_ = nullptr;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

}  // namespace kestrune
