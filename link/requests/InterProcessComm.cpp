#include "link/requests/InterProcessComm.h"

#include "platform/base/Log.h"

namespace kestrune {

namespace {

void send(const char* key, const platform::Value& value) {
    InterNotifications().setObjectValue_forKey(value, key);
}

// The number a command carries; none, with a log line, for a value of another type.
const platform::Number* numberFor(const platform::Value::Dictionary& message, const char* key) {
    auto found = message.find(key);
    if (found == message.end()) return nullptr;
    const platform::Number* number = found->second.number();
    if (!number)
        platform::logf("Inter-process channel: ignored \"%s\" with a value of the wrong type: %s", key,
                       found->second.description().c_str());
    return number;
}

}  // namespace

InterProcessComm::InterProcessComm() : interProcessNotification(std::make_unique<InterNotifications>()) {
    interProcessNotification->delegate = this;
}

void InterProcessComm::ping() {
    send("pingRequest", platform::Number(1));
}
void InterProcessComm::pong() {
    send("pongRequest", platform::Number(1));
}
void InterProcessComm::setKestruneOn(bool on) {
    send("kestrune", platform::Number(on));
}
void InterProcessComm::setMacLocked(bool locked) {
    send("fastLock", platform::Number(locked));
}
void InterProcessComm::setLockUnlockRSSI(int64_t rssi) {
    send("LockUnlockRSSI", platform::Number(static_cast<long long>(rssi)));
}
void InterProcessComm::kestruneIsOnStatus(bool on) {
    send("kestruneStatus", platform::Number(on));
}
void InterProcessComm::macIsLockedStatus(bool locked) {
    send("macLockedStatus", platform::Number(locked));
}

void InterProcessComm::interNotifications_didReeiveDiect(InterNotifications&,
                                                         const platform::Value::Dictionary& message) {
    if (auto number = numberFor(message, "fastLock"); number && fastLockCallback)
        fastLockCallback(number->boolValue());
    if (auto number = numberFor(message, "kestrune"); number && kestruneCallback)
        kestruneCallback(number->boolValue());
    if (auto number = numberFor(message, "LockUnlockRSSI"); number && lockUnlockRSSICallback)
        lockUnlockRSSICallback(number->longLongValue());
    if (auto number = numberFor(message, "pingRequest"); number && pingRequest) pingRequest();
    if (auto number = numberFor(message, "pongRequest"); number && pingCallback) pingCallback();
}

CommTest::CommTest() : comm(std::make_unique<InterProcessComm>()) {
    registerForCallbacks();
}

void CommTest::registerForCallbacks() {
    comm->registerForMacLockCommand([](bool locked) { platform::logf("Fast Lock: %d", locked ? 1 : 0); });
    comm->registerForKestruneCommand([](bool on) { platform::logf("Kestrune: %d", on ? 1 : 0); });
    comm->registerForLockUnlockRSSICommand(
        [](int64_t rssi) { platform::logf("updated RSSI: %lld", static_cast<long long>(rssi)); });
    InterProcessComm* comm = this->comm.get();
    comm->registerForPingReqeust([comm] {
        platform::logf("Ping received");
        comm->pong();
    });
}

}  // namespace kestrune
