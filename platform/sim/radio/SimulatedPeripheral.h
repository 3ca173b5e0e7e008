#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/bluetooth/BluetoothUUID.h"

namespace platform {

class Radio;

// A device on the simulated radio: what it advertises, the services it serves, where it is (its signal
// strength over time) and how it misbehaves when a test asks it to. Subclasses put a peer behind the
// services (the scripted phone); the radio calls their hooks on the main thread, never with its own
// lock held.
class SimulatedPeripheral : public std::enable_shared_from_this<SimulatedPeripheral> {
public:
    struct CharacteristicDescription {
        BluetoothUUID uuid;
        uint32_t properties = 0;  // Characteristic::Properties
    };
    struct ServiceDescription {
        BluetoothUUID uuid;
        std::vector<CharacteristicDescription> characteristics;
    };

    // Requests that can be made to fail once, or to hang.
    enum class Operation {
        DiscoverServices,
        DiscoverCharacteristics,
        SetNotify,
        Write,
        ValueUpdate,
        ReadRSSI
    };

    static constexpr double kDefaultRSSI = -50.0;
    static constexpr double kDefaultAdvertisingInterval = 0.5;

    // A stable made-up identifier when none is given.
    explicit SimulatedPeripheral(std::string identifier = "");
    virtual ~SimulatedPeripheral() = default;

    const std::string& identifier() const { return identifier_; }

    // Advertising -------------------------------------------------------------------------------------
    std::optional<std::string> name() const;
    void setName(std::optional<std::string> name);
    // The dictionary under the keys of AdvertisementData.
    Value::Dictionary advertisementData() const;
    void setAdvertisementData(Value::Dictionary data);
    bool isAdvertising() const;
    void setAdvertising(bool advertising);
    double advertisingInterval() const;
    void setAdvertisingInterval(double seconds);
    // The advertisement times: a fixed lattice of the interval, offset by the identifier.
    double nextAdvertisementAfter(double time) const;
    // Whether the service list or the solicited list holds one of the identifiers.
    bool advertisesAnyOf(const std::vector<BluetoothUUID>& services,
                         const std::vector<BluetoothUUID>& solicited) const;

    // Services ---------------------------------------------------------------------------------------------
    std::vector<ServiceDescription> services() const;
    void setServices(std::vector<ServiceDescription> services);
    bool servesAnyOf(const std::vector<BluetoothUUID>& services) const;

    // Signal strength -------------------------------------------------------------------------------------
    // Stays at the level from now on.
    void setRSSI(double dBm);
    // Moves in a straight line from the current level to the new one over the seconds.
    void moveRSSI(double dBm, double seconds);
    // Readings scatter around the level with this standard deviation (dBm); 0 for exact readings.
    void setNoise(double sigma);
    double noise() const;
    // The level at a moment, without noise.
    double levelAt(double time) const;
    // A reading at a moment: the level plus noise drawn from the seed, the identifier and the moment,
    // so the same world gives the same readings, whatever thread asks.
    int readingAt(double time, uint64_t seed) const;
    // Leaves radio range over the seconds (to 20 dBm below the radio's sensitivity), and returns to the
    // level it left from.
    void walkAway(double seconds);
    void comeBack(double seconds);

    // Faults ------------------------------------------------------------------------------------------------
    bool acceptsConnections() const;
    // A peripheral that does not accept leaves connection attempts pending.
    void setAcceptsConnections(bool accepts);
    // The next connection attempt fails with the error.
    void failNextConnectionAttempt(Error error);
    std::optional<Error> takeConnectionFailure();
    // The next request of the kind fails with the error.
    void failNext(Operation operation, Error error);
    std::optional<Error> takeFailure(Operation operation);
    // Requests of the kind get no answer while stalled.
    void setStalled(Operation operation, bool stalled);
    bool isStalled(Operation operation) const;
    // The next signal-strength reading answers this value.
    void overrideNextRSSIReading(int value);
    std::optional<int> takeRSSIOverride();

    // What reached it ------------------------------------------------------------------------------------
    std::vector<std::pair<BluetoothUUID, Data>> receivedWrites() const;

    // Acting as the peer (through the radio it is on) -------------------------------------------------
    // Notifies every central subscribed to the characteristic.
    void notifyValue(const BluetoothUUID& characteristic, const Data& value);
    // Ends every link to it; centrals hear the error (a peer disconnection by default).
    void dropConnections(std::optional<Error> error);
    void dropConnections();
    // Tells connected centrals that these services changed (they lose them).
    void modifyServices(std::vector<BluetoothUUID> invalidated);

    // Hooks, called by the radio on the main thread.
    virtual void didConnect() {}
    virtual void didDisconnect() {}
    virtual void didChangeSubscription(const BluetoothUUID& characteristic, bool subscribed);
    virtual void didReceiveWrite(const BluetoothUUID& characteristic, const Data& value, bool withResponse);

    // Set by the radio when it takes the peripheral in.
    void attach(std::weak_ptr<Radio> radio);
    std::shared_ptr<Radio> radio() const;

private:
    struct Movement {
        double startTime = 0, startLevel = kDefaultRSSI, endTime = 0, endLevel = kDefaultRSSI;
    };
    double levelAtLocked(double time) const;

    const std::string identifier_;
    const uint64_t identifierHash_;
    mutable std::mutex mutex_;
    std::weak_ptr<Radio> radio_;
    std::optional<std::string> name_;
    Value::Dictionary advertisementData_;
    bool advertising_ = true;
    double advertisingInterval_ = kDefaultAdvertisingInterval;
    std::vector<ServiceDescription> services_;
    Movement movement_;
    std::optional<double> homeLevel_;
    double noise_ = 0;
    bool acceptsConnections_ = true;
    std::deque<Error> connectionFailures_;
    std::map<Operation, std::deque<Error>> failures_;
    std::set<Operation> stalled_;
    std::deque<int> rssiOverrides_;
    std::vector<std::pair<BluetoothUUID, Data>> receivedWrites_;
};

}  // namespace platform
