#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/bluetooth/CentralManager.h"
#include "platform/sim/radio/SimulatedPeripheral.h"

namespace platform {

// The simulated Bluetooth controller and the air around it: the backend of every central manager on
// this system. Peripherals (SimulatedPeripheral) advertise on a lattice of their own interval, are heard
// while their signal is above the radio's sensitivity, accept or refuse connections, answer discovery,
// subscriptions, writes and signal-strength reads after the link's latency, and lose their links when
// they stay out of range longer than the supervision timeout. The controller's power switches after a
// transition delay. All time is the platform clock's: every delay is a timer on the main run loop, so
// tests step it in virtual time.
//
// Requests come from any thread. Events run on the main run loop; reports reach each manager's queue
// through the manager, never with the radio's lock held.
class Radio : public BluetoothBackend, public std::enable_shared_from_this<Radio> {
public:
    static constexpr double kDefaultSensitivity = -100.0;
    static constexpr double kDefaultLinkLatency = 0.015;
    static constexpr double kDefaultConnectLatency = 0.1;
    static constexpr double kDefaultPowerTransitionDelay = 1.0;
    static constexpr double kDefaultSupervisionTimeout = 2.0;
    // How often links are checked for range and pending connections retried.
    static constexpr double kSupervisionInterval = 0.25;

    // The radio of this process, made on first use.
    static std::shared_ptr<Radio> shared();
    // Replaces the radio of this process with a new, empty one (tests, between cases).
    static void resetShared();
    static std::shared_ptr<Radio> create();
    ~Radio() override;

    // The world --------------------------------------------------------------------------------------------
    void addPeripheral(const std::shared_ptr<SimulatedPeripheral>& peripheral);
    // The device is gone: it is heard no more and its links time out.
    void removePeripheral(const std::string& identifier);
    std::shared_ptr<SimulatedPeripheral> peripheral(const std::string& identifier) const;

    // The controller ---------------------------------------------------------------------------------------
    // At once, without the transition (setting the scene).
    void setControllerPowered(bool on);
    void setPowerTransitionDelay(double seconds);
    // A controller without Bluetooth LE: every manager reports unsupported.
    void setLowEnergySupported(bool supported);
    // The controller resets: managers report resetting, every link ends silently, and after the
    // seconds the state returns.
    void resetController(double seconds);
    CentralManager::State lowEnergyState() const;

    // Timing and signal ------------------------------------------------------------------------------------
    void setLinkLatency(double seconds);
    double linkLatency() const;
    void setConnectLatency(double seconds);
    void setSupervisionTimeout(double seconds);
    void setSensitivity(double dBm);
    double sensitivity() const;
    // The noise of every reading follows from this seed.
    void setSeed(uint64_t seed);
    uint64_t seed() const;

    // Looking on -------------------------------------------------------------------------------------------
    size_t centralCount() const;
    bool isAnyCentralScanning() const;
    // Links to the peripheral that are up, and attempts still pending.
    size_t connectedLinkCount(const std::string& peripheralIdentifier) const;
    size_t pendingConnectionCount(const std::string& peripheralIdentifier) const;
    // Whether any connected central is subscribed to the characteristic.
    bool isSubscribed(const std::string& peripheralIdentifier, const BluetoothUUID& characteristic) const;

    // BluetoothBackend -------------------------------------------------------------------------------------
    void centralManagerCreated(const std::shared_ptr<CentralManager>& central) override;
    void centralManagerDestroyed(const CentralManager* central) override;
    void scan(CentralManager& central, const std::optional<std::vector<BluetoothUUID>>& services,
              const ScanOptions& options) override;
    void stopScan(CentralManager& central) override;
    bool isScanning(const CentralManager& central) const override;
    void connect(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) override;
    void cancelConnection(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) override;
    std::vector<std::shared_ptr<Peripheral>> retrievePeripherals(
        CentralManager& central, const std::vector<std::string>& identifiers) override;
    std::vector<std::shared_ptr<Peripheral>> retrieveConnectedPeripherals(
        CentralManager& central, const std::vector<BluetoothUUID>& services) override;
    void discoverServices(Peripheral& peripheral,
                          const std::optional<std::vector<BluetoothUUID>>& services) override;
    void discoverCharacteristics(Peripheral& peripheral, const std::shared_ptr<Service>& service,
                                 const std::optional<std::vector<BluetoothUUID>>& characteristics) override;
    void setNotifyValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                        bool enabled) override;
    void writeValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                    const Data& value, bool withResponse) override;
    void readRSSI(Peripheral& peripheral) override;
    bool controllerPowerState() override;
    void setControllerPowerState(bool on) override;

    // From the peripherals ---------------------------------------------------------------------------------
    void peripheralDidChange();
    void peripheralNotify(SimulatedPeripheral& peripheral, const BluetoothUUID& characteristic,
                          const Data& value);
    void peripheralDrop(SimulatedPeripheral& peripheral, std::optional<Error> error);
    void peripheralModifyServices(SimulatedPeripheral& peripheral, std::vector<BluetoothUUID> invalidated);

    Radio(const Radio&) = delete;
    Radio& operator=(const Radio&) = delete;

private:
    Radio() = default;

    struct CentralRecord {
        std::weak_ptr<CentralManager> central;
        bool scanning = false;
        std::optional<std::vector<BluetoothUUID>> filter;
        ScanOptions options;
        // Peripherals reported in the running scan (for scans without duplicates).
        std::set<std::string> reported;
        // One object per device for this manager.
        std::map<std::string, std::shared_ptr<Peripheral>> peripherals;
    };
    using LinkKey = std::pair<const CentralManager*, std::string>;
    struct Link {
        uint64_t generation = 0;
        bool connected = false;
        // Cancelled by the central: takes no new request, but what was sent before still arrives.
        bool closing = false;
        // A connection asked for while the link was closing, made once it has closed.
        bool reconnectWhenClosed = false;
        std::set<BluetoothUUID> subscribed;
        std::optional<double> outOfRangeSince;
    };
    // Work gathered under the lock and done after it: reports to managers and peripherals' hooks. Its
    // strong references (managers above all, whose destruction takes the lock) are released after it.
    using Actions = std::vector<Closure>;

    void run(Actions& actions);
    void schedule(double delay, std::function<void(Radio&)> event);
    bool inRangeLocked(const SimulatedPeripheral& peripheral, double now) const;
    std::shared_ptr<Peripheral> peripheralObjectLocked(CentralRecord& record, const CentralManager* central,
                                                       const std::shared_ptr<SimulatedPeripheral>& device);
    std::shared_ptr<SimulatedPeripheral> deviceLocked(const std::string& identifier) const;
    // The link of the peripheral object, when it is up.
    Link* connectedLinkLocked(const Peripheral& peripheral, LinkKey& key);
    Link* linkLocked(const LinkKey& key, uint64_t generation);
    std::shared_ptr<SimulatedPeripheral> requestTargetLocked(Peripheral& peripheral,
                                                             SimulatedPeripheral::Operation operation,
                                                             LinkKey& key, uint64_t& generation);
    bool isLinkUp(const LinkKey& key, uint64_t generation);
    void endLinkLocked(const LinkKey& key, std::optional<Error> error, bool report, Actions& actions);
    void attemptConnectionLocked(const LinkKey& key, uint64_t generation, Actions& actions);
    // A new attempt for the peripheral object; its first try comes after the connection latency.
    void startAttemptLocked(const LinkKey& key, const std::shared_ptr<Peripheral>& peripheral);
    void deliverStateToAllLocked(Actions& actions);
    void powerChangedLocked(bool on, Actions& actions);
    void updateTimersLocked();
    void advertise();
    void supervise();

    mutable std::mutex mutex_;
    std::map<const CentralManager*, CentralRecord> centrals_;
    std::map<LinkKey, Link> links_;
    std::map<std::string, std::shared_ptr<SimulatedPeripheral>> world_;
    uint64_t nextGeneration_ = 1;

    bool powered_ = true;
    bool powerTarget_ = true;
    uint64_t powerGeneration_ = 0;
    bool lowEnergySupported_ = true;
    bool resetting_ = false;
    double powerTransitionDelay_ = kDefaultPowerTransitionDelay;
    double linkLatency_ = kDefaultLinkLatency;
    double connectLatency_ = kDefaultConnectLatency;
    double supervisionTimeout_ = kDefaultSupervisionTimeout;
    double sensitivity_ = kDefaultSensitivity;
    uint64_t seed_ = 0x6B657374;

    std::shared_ptr<Timer> advertisingTimer_;
    double advertisingDue_ = 0;
    std::shared_ptr<Timer> supervisionTimer_;
};

}  // namespace platform
