#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/PhoneMessageCoder.h"

namespace platform {

class PhonePeripheral;
class Radio;
class SimulatedPhone;

// The companion application on a scripted phone, at the level its user sees: it appears on the radio
// asking to pair, sends the Mac's account password, switches proximity locking, locks and unlocks the
// Mac, confirms unlocks; the phone is carried away and back, or dies. Each act is the application's
// request with the record the application sends, written from the wire format alone (request numbers,
// record fields, the password encrypted with the application's copy of the shared key). What the Mac
// sends back can be read as the application would show it.
//
// Main thread: the radio's world and the phone's frames are stepped on the main run loop.
class PhoneApplication {
public:
    // Request numbers the application sends and reads.
    enum Request : int32_t {
        kCredentials = 8,
        kSession = 9,
        kSettings = 10,
        kPairing = 12,
        kApplicationState = 13,
        kSessionChanged = 34,
        kTracking = 35,
        kLoginConfirmed = 37,
        kStatus = 52,
        kPairingAccepted = 53,
        kPairingRefused = 54,
        kConfirmLogin = 55,
        kCancelLoginConfirmation = 56,
        kConfirmLoginPasswordField = 67,
        kCancelLoginConfirmationPasswordField = 68,
        kNotification = 74,
        kClipboard = 75,
        kClipboardReceived = 77,
        kPhoneClipboard = 104,
        kPhoneClipboardCopied = 105,
    };
    // The service a phone not paired yet advertises while its application offers to pair.
    static constexpr const char* kPairingService = "B4FE";
    // The signal of a phone on the desk next to the Mac.
    static constexpr double kDeskRSSI = -50.0;

    struct Configuration {
        std::string identifier = "7E3A9C10-4B2D-4F18-A6E5-2C9D8B7F1A03";
        std::string deviceName = "Ada's iPhone";
        std::string peripheralIdentifier = "5A1F0C3E-8D27-4B96-9E4A-71C2D6B3F805";
        // The application's copy of the key the Mac's stored passwords are encrypted with.
        std::string passwordKey;
    };

    PhoneApplication(std::shared_ptr<Radio> radio, Configuration configuration);
    ~PhoneApplication();

    // The phone on the radio, advertising the pairing service at the desk's signal strength.
    void appear(double rssi = kDeskRSSI);
    // The phone is gone from the air at once (its battery died): its link times out.
    void vanish();
    bool isAuthenticated() const;
    const std::shared_ptr<PhonePeripheral>& peripheral() const { return peripheral_; }
    const Configuration& configuration() const { return configuration_; }

    // The application's user.
    void askToPair();
    void sendPassword(const std::string& user, const std::string& password);
    // The application's settings and whether it is in front (2) or in the background (1).
    void sendSettings(int32_t applicationState, const std::string& language = "en", int32_t metric = 1);
    // The application's version the next settings report (an old one, "3.2", unless set).
    void setApplicationVersion(std::string version) { applicationVersion_ = std::move(version); }
    void reportApplicationState(int32_t state);
    void setProximityLock(bool on, int32_t distance);
    void lockMac(const std::string& user);
    void unlockMac(const std::string& user);
    void confirmUnlock(bool confirmed);
    // The phone's clipboard text sent to the Mac; and whether the Mac's text reached the phone's clipboard.
    void sendClipboard(const std::string& text);
    void reportClipboardCopied(bool copied);

    // Where the phone is: a steady level, a walk to a level over some seconds, readings scattered by
    // noise (dBm).
    void stayAt(double rssi);
    void moveTo(double rssi, double seconds);
    void setNoise(double sigma);

    // Messages from the Mac, and those not read yet described as the application would show them
    // (messages the application shows nothing for are skipped).
    std::vector<PhoneMessage> receivedMessages() const;
    std::vector<std::string> readNewMessages();
    // Whether a message with the request (and, when given, that exact payload) has arrived.
    bool heard(int32_t request, const std::optional<std::string>& payload = std::nullopt) const;
    static std::optional<std::string> describe(const PhoneMessage& message);

private:
    void sendRecord(int32_t request, const std::string& type, const Value::Dictionary& record);
    void sendSession(const std::string& user, bool loggedIn);

    std::shared_ptr<Radio> radio_;
    Configuration configuration_;
    std::shared_ptr<SimulatedPhone> phone_;
    std::shared_ptr<PhonePeripheral> peripheral_;
    size_t read_ = 0;
    // Whether the last session record read said the Mac is shut (its lid down, no external display).
    bool lidDownHeard_ = false;
    std::string applicationVersion_ = "3.2";
};

}  // namespace platform
