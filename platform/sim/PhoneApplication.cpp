#include "platform/sim/PhoneApplication.h"

#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/sim/PhoneLinkCipher.h"
#include "platform/sim/SimulatedPhone.h"
#include "platform/sim/radio/PhonePeripheral.h"
#include "platform/sim/radio/Radio.h"

namespace platform {

namespace {

std::string statusText(int32_t status) {
    switch (status) {
        case 2:
            return "unlinked: another phone paired with the Mac";
        case 3:
            return "the Mac's user refused the pairing";
        case 4:
            return "the password was refused";
        case 5:
            return "pairing asked";
        case 6:
            return "paired";
        case 7:
            return "the stored password does not log in";
        case -1:
            return "unlinked";
        default:
            return "status " + std::to_string(status);
    }
}

}  // namespace

PhoneApplication::PhoneApplication(std::shared_ptr<Radio> radio, Configuration configuration)
    : radio_(std::move(radio)), configuration_(std::move(configuration)) {
    SimulatedPhone::Configuration phone;
    phone.identifier = configuration_.identifier;
    phone_ = std::make_shared<SimulatedPhone>(phone);
    peripheral_ = PhonePeripheral::create(phone_, {BluetoothUUID::constant(kPairingService)},
                                          configuration_.peripheralIdentifier);
}

PhoneApplication::~PhoneApplication() = default;

void PhoneApplication::appear(double rssi) {
    peripheral_->setRSSI(rssi);
    radio_->addPeripheral(peripheral_);
}

void PhoneApplication::vanish() {
    radio_->removePeripheral(peripheral_->identifier());
}

bool PhoneApplication::isAuthenticated() const {
    return phone_->isAuthenticated();
}

void PhoneApplication::sendRecord(int32_t request, const std::string& type, const Value::Dictionary& record) {
    phone_->sendRecord(request, type, record);
}

void PhoneApplication::askToPair() {
    sendRecord(kPairing, "MobileDevice",
               {{"unId", configuration_.identifier},
                {"mobileDeviceInfo", Value::Dictionary{{"deviceName", configuration_.deviceName}}},
                {"mobileDeviceConnectionInfo", Value::Dictionary{{"isConnected", 1}}}});
}

void PhoneApplication::sendPassword(const std::string& user, const std::string& password) {
    auto encrypted = PhoneLinkCipher::encryptText(password, configuration_.passwordKey);
    sendRecord(kCredentials, "DeviceUser",
               {{"username", user}, {"password", encrypted.value_or("")}, {"fullName", user}});
}

void PhoneApplication::sendSettings(int32_t applicationState, const std::string& language, int32_t metric) {
    sendRecord(kSettings, "iOSPreferences",
               {{"iOSapplicationState", applicationState},
                {"chosenMetric", metric},
                {"language", language},
                {"iOSVersion", applicationVersion_},
                {"iOSSystemVersion", "12.4"},
                {"batteryPercent", 80}});
}

void PhoneApplication::reportApplicationState(int32_t state) {
    phone_->sendApplicationMessage(kApplicationState, std::to_string(state));
}

void PhoneApplication::setProximityLock(bool on, int32_t distance) {
    sendRecord(kTracking, "MobileDeviceTrackInfo",
               {{"shouldTrackMobileDevice", on ? 1 : 0},
                {"distanceToLogin", distance},
                {"deviceResponsibleForLastChange", 1},
                {"proxLockTemporaryDisabledBecauseLogin", 0},
                {"proxLockTemporaryDisabledBecauseLogout", 0}});
}

void PhoneApplication::sendSession(const std::string& user, bool loggedIn) {
    sendRecord(kSession, "SessionInfo",
               {{"userIdLoggedIn", user},
                {"userIsLoggedIn", loggedIn ? 1 : 0},
                {"deviceResponsibleForLastChange", 1}});
}

void PhoneApplication::lockMac(const std::string& user) {
    sendSession(user, false);
}

void PhoneApplication::unlockMac(const std::string& user) {
    sendSession(user, true);
}

void PhoneApplication::confirmUnlock(bool confirmed) {
    phone_->sendApplicationMessage(kLoginConfirmed, confirmed ? "1" : "0");
}

void PhoneApplication::sendClipboard(const std::string& text) {
    phone_->sendApplicationMessage(kPhoneClipboard, text);
}

void PhoneApplication::reportClipboardCopied(bool copied) {
    phone_->sendApplicationMessage(kPhoneClipboardCopied, copied ? "1" : "0");
}

void PhoneApplication::stayAt(double rssi) {
    peripheral_->setRSSI(rssi);
}

void PhoneApplication::moveTo(double rssi, double seconds) {
    peripheral_->moveRSSI(rssi, seconds);
}

void PhoneApplication::setNoise(double sigma) {
    peripheral_->setNoise(sigma);
}

std::vector<PhoneMessage> PhoneApplication::receivedMessages() const {
    return phone_->receivedMessages();
}

std::vector<std::string> PhoneApplication::readNewMessages() {
    auto messages = phone_->receivedMessages();
    std::vector<std::string> texts;
    for (; read_ < messages.size(); ++read_) {
        auto text = describe(messages[read_]);
        if (!text) continue;
        // Whether the Mac is shut (its lid down with no external display) shows when it changes.
        if (messages[read_].request == kSessionChanged) {
            if (const auto session =
                    PhoneMessageCoder::decodeRecord("SessionInfo", messages[read_].payload.value_or(""))) {
                const auto lid = session->find("laptopLidIsDownAndNoExternalMonitor");
                if (lid != session->end() && lid->second.number() &&
                    lid->second.number()->boolValue() != lidDownHeard_) {
                    lidDownHeard_ = !lidDownHeard_;
                    *text += lidDownHeard_ ? "; it is shut" : "; it is in use again";
                }
            }
        }
        texts.push_back(*text);
    }
    return texts;
}

bool PhoneApplication::heard(int32_t request, const std::optional<std::string>& payload) const {
    for (const auto& message : phone_->receivedMessages())
        if (message.request == request && (!payload || message.payload == payload)) return true;
    return false;
}

std::optional<std::string> PhoneApplication::describe(const PhoneMessage& message) {
    const std::string payload = message.payload.value_or("");
    switch (message.request) {
        case kStatus:
            return "hears: " + statusText(PhoneMessageCoder::leadingInt32(payload));
        case kPairingAccepted:
            return std::string("hears: the Mac's user accepted the pairing; asks for the Mac's password");
        case kPairingRefused:
            return std::string("hears: the Mac's user refused the pairing");
        case kSessionChanged: {
            auto session = PhoneMessageCoder::decodeRecord("SessionInfo", payload);
            if (!session) return std::nullopt;
            auto found = session->find("userIsLoggedIn");
            if (found == session->end() || !found->second.number()) return std::nullopt;
            return std::string("hears: the Mac is ") +
                   (found->second.number()->boolValue() ? "unlocked" : "locked");
        }
        case kConfirmLogin:
            return std::string("hears: the Mac asks to confirm an unlock");
        case kConfirmLoginPasswordField:
            return std::string("hears: the Mac's password field is up; it asks to confirm an unlock");
        case kCancelLoginConfirmation:
        case kCancelLoginConfirmationPasswordField:
            return std::string("hears: the Mac withdraws its unlock question");
        case kClipboard:
            return "hears: the Mac's clipboard, \"" + payload + "\"";
        case kClipboardReceived:
            return std::string("hears: its text ") +
                   (PhoneMessageCoder::leadingInt32(payload) == 1 ? "is on" : "did not reach") +
                   " the Mac's clipboard";
        default:
            return std::nullopt;
    }
}

}  // namespace platform
