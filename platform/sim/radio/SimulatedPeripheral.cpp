#include "platform/sim/radio/SimulatedPeripheral.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/base/Clock.h"
#include "platform/base/Strings.h"
#include "platform/bluetooth/AdvertisementData.h"
#include "platform/bluetooth/BluetoothError.h"
#include "platform/sim/radio/Radio.h"

namespace platform {

namespace {

uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t hashText(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return mix(hash);
}

std::string madeUpIdentifier() {
    static std::atomic<uint64_t> counter{0};
    uint64_t n = mix(++counter);
    return format("%08llX-5157-4D00-8000-%012llX", static_cast<unsigned long long>(n >> 32),
                  static_cast<unsigned long long>(n & 0xFFFFFFFFFFFFull));
}

bool containsAny(const Value& list, const std::vector<BluetoothUUID>& wanted) {
    const Value::Array* items = list.array();
    if (!items) return false;
    for (const auto& item : *items) {
        const Data* bytes = item.data();
        if (!bytes) continue;
        for (const auto& uuid : wanted)
            if (uuid.data() == *bytes) return true;
    }
    return false;
}

}  // namespace

SimulatedPeripheral::SimulatedPeripheral(std::string identifier)
    : identifier_(identifier.empty() ? madeUpIdentifier() : toUpperASCII(identifier)),
      identifierHash_(hashText(identifier_)) {
    double now = Clock::now();
    movement_ = {now, kDefaultRSSI, now, kDefaultRSSI};
}

std::optional<std::string> SimulatedPeripheral::name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

void SimulatedPeripheral::setName(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

Value::Dictionary SimulatedPeripheral::advertisementData() const {
    std::lock_guard lock(mutex_);
    return advertisementData_;
}

void SimulatedPeripheral::setAdvertisementData(Value::Dictionary data) {
    {
        std::lock_guard lock(mutex_);
        advertisementData_ = std::move(data);
    }
}

bool SimulatedPeripheral::isAdvertising() const {
    std::lock_guard lock(mutex_);
    return advertising_;
}

void SimulatedPeripheral::setAdvertising(bool advertising) {
    {
        std::lock_guard lock(mutex_);
        advertising_ = advertising;
    }
    if (auto on = radio()) on->peripheralDidChange();
}

double SimulatedPeripheral::advertisingInterval() const {
    std::lock_guard lock(mutex_);
    return advertisingInterval_;
}

void SimulatedPeripheral::setAdvertisingInterval(double seconds) {
    {
        std::lock_guard lock(mutex_);
        advertisingInterval_ = std::max(0.02, seconds);
    }
    if (auto on = radio()) on->peripheralDidChange();
}

double SimulatedPeripheral::nextAdvertisementAfter(double time) const {
    double interval = advertisingInterval();
    double phase = static_cast<double>(identifierHash_ % 1000) / 1000.0 * interval;
    double steps = std::floor((time - phase) / interval) + 1;
    double next = phase + steps * interval;
    // Guard against a rounding that lands on the given time itself.
    return next <= time ? next + interval : next;
}

bool SimulatedPeripheral::advertisesAnyOf(const std::vector<BluetoothUUID>& services,
                                          const std::vector<BluetoothUUID>& solicited) const {
    std::lock_guard lock(mutex_);
    auto advertised = advertisementData_.find(AdvertisementData::kServiceUUIDs);
    if (advertised != advertisementData_.end() && containsAny(advertised->second, services)) return true;
    auto solicits = advertisementData_.find(AdvertisementData::kSolicitedServiceUUIDs);
    return solicits != advertisementData_.end() && containsAny(solicits->second, solicited);
}

std::vector<SimulatedPeripheral::ServiceDescription> SimulatedPeripheral::services() const {
    std::lock_guard lock(mutex_);
    return services_;
}

void SimulatedPeripheral::setServices(std::vector<ServiceDescription> services) {
    std::lock_guard lock(mutex_);
    services_ = std::move(services);
}

bool SimulatedPeripheral::servesAnyOf(const std::vector<BluetoothUUID>& services) const {
    std::lock_guard lock(mutex_);
    for (const auto& described : services_)
        if (std::find(services.begin(), services.end(), described.uuid) != services.end()) return true;
    return false;
}

double SimulatedPeripheral::levelAtLocked(double time) const {
    const Movement& m = movement_;
    if (time >= m.endTime || m.endTime <= m.startTime) return m.endLevel;
    if (time <= m.startTime) return m.startLevel;
    double progress = (time - m.startTime) / (m.endTime - m.startTime);
    return m.startLevel + (m.endLevel - m.startLevel) * progress;
}

double SimulatedPeripheral::levelAt(double time) const {
    std::lock_guard lock(mutex_);
    return levelAtLocked(time);
}

void SimulatedPeripheral::setRSSI(double dBm) {
    double now = Clock::now();
    std::lock_guard lock(mutex_);
    movement_ = {now, dBm, now, dBm};
    homeLevel_.reset();
}

void SimulatedPeripheral::moveRSSI(double dBm, double seconds) {
    double now = Clock::now();
    std::lock_guard lock(mutex_);
    movement_ = {now, levelAtLocked(now), now + std::max(0.0, seconds), dBm};
}

void SimulatedPeripheral::setNoise(double sigma) {
    std::lock_guard lock(mutex_);
    noise_ = std::max(0.0, sigma);
}

double SimulatedPeripheral::noise() const {
    std::lock_guard lock(mutex_);
    return noise_;
}

int SimulatedPeripheral::readingAt(double time, uint64_t seed) const {
    double level, sigma;
    {
        std::lock_guard lock(mutex_);
        level = levelAtLocked(time);
        sigma = noise_;
    }
    double scatter = 0;
    if (sigma > 0) {
        // The sum of four uniform draws, centred and scaled: close enough to a normal spread.
        uint64_t state = mix(seed ^ identifierHash_ ^ static_cast<uint64_t>(std::llround(time * 1000.0)));
        double sum = 0;
        for (int i = 0; i < 4; ++i) {
            state = mix(state);
            sum += static_cast<double>(state >> 11) / 9007199254740992.0;
        }
        scatter = (sum - 2.0) * std::sqrt(3.0) * sigma;
    }
    // Readings are whole dBm below 0; 127 is the radio's own "no reading" and never a level.
    return static_cast<int>(std::clamp(std::lround(level + scatter), -126L, -1L));
}

void SimulatedPeripheral::walkAway(double seconds) {
    auto on = radio();
    double sensitivity = on ? on->sensitivity() : Radio::kDefaultSensitivity;
    double now = Clock::now();
    std::lock_guard lock(mutex_);
    double from = levelAtLocked(now);
    if (!homeLevel_) homeLevel_ = from;
    movement_ = {now, from, now + std::max(0.0, seconds), sensitivity - 20.0};
}

void SimulatedPeripheral::comeBack(double seconds) {
    double now = Clock::now();
    std::lock_guard lock(mutex_);
    double home = homeLevel_.value_or(kDefaultRSSI);
    homeLevel_.reset();
    movement_ = {now, levelAtLocked(now), now + std::max(0.0, seconds), home};
}

bool SimulatedPeripheral::acceptsConnections() const {
    std::lock_guard lock(mutex_);
    return acceptsConnections_;
}

void SimulatedPeripheral::setAcceptsConnections(bool accepts) {
    std::lock_guard lock(mutex_);
    acceptsConnections_ = accepts;
}

void SimulatedPeripheral::failNextConnectionAttempt(Error error) {
    std::lock_guard lock(mutex_);
    connectionFailures_.push_back(std::move(error));
}

std::optional<Error> SimulatedPeripheral::takeConnectionFailure() {
    std::lock_guard lock(mutex_);
    if (connectionFailures_.empty()) return std::nullopt;
    Error error = std::move(connectionFailures_.front());
    connectionFailures_.pop_front();
    return error;
}

void SimulatedPeripheral::failNext(Operation operation, Error error) {
    std::lock_guard lock(mutex_);
    failures_[operation].push_back(std::move(error));
}

std::optional<Error> SimulatedPeripheral::takeFailure(Operation operation) {
    std::lock_guard lock(mutex_);
    auto& queue = failures_[operation];
    if (queue.empty()) return std::nullopt;
    Error error = std::move(queue.front());
    queue.pop_front();
    return error;
}

void SimulatedPeripheral::setStalled(Operation operation, bool stalled) {
    std::lock_guard lock(mutex_);
    if (stalled) {
        stalled_.insert(operation);
    } else {
        stalled_.erase(operation);
    }
}

bool SimulatedPeripheral::isStalled(Operation operation) const {
    std::lock_guard lock(mutex_);
    return stalled_.count(operation) != 0;
}

void SimulatedPeripheral::overrideNextRSSIReading(int value) {
    std::lock_guard lock(mutex_);
    rssiOverrides_.push_back(value);
}

std::optional<int> SimulatedPeripheral::takeRSSIOverride() {
    std::lock_guard lock(mutex_);
    if (rssiOverrides_.empty()) return std::nullopt;
    int value = rssiOverrides_.front();
    rssiOverrides_.pop_front();
    return value;
}

std::vector<std::pair<BluetoothUUID, Data>> SimulatedPeripheral::receivedWrites() const {
    std::lock_guard lock(mutex_);
    return receivedWrites_;
}

void SimulatedPeripheral::didChangeSubscription(const BluetoothUUID&, bool) {}

void SimulatedPeripheral::didReceiveWrite(const BluetoothUUID& characteristic, const Data& value, bool) {
    std::lock_guard lock(mutex_);
    receivedWrites_.emplace_back(characteristic, value);
}

void SimulatedPeripheral::notifyValue(const BluetoothUUID& characteristic, const Data& value) {
    if (auto on = radio()) on->peripheralNotify(*this, characteristic, value);
}

void SimulatedPeripheral::dropConnections(std::optional<Error> error) {
    if (auto on = radio()) on->peripheralDrop(*this, std::move(error));
}

void SimulatedPeripheral::dropConnections() {
    dropConnections(BluetoothError::error(BluetoothError::kPeripheralDisconnected));
}

void SimulatedPeripheral::modifyServices(std::vector<BluetoothUUID> invalidated) {
    if (auto on = radio()) on->peripheralModifyServices(*this, std::move(invalidated));
}

void SimulatedPeripheral::attach(std::weak_ptr<Radio> radio) {
    std::lock_guard lock(mutex_);
    radio_ = std::move(radio);
}

std::shared_ptr<Radio> SimulatedPeripheral::radio() const {
    std::lock_guard lock(mutex_);
    return radio_.lock();
}

}  // namespace platform
