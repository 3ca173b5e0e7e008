#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/coordinator/CoordinatorServices.h"
#include "main/FeatureWiring.h"

namespace platform {
class PhoneApplication;
class Timer;
class Radio;
class SimulatedSession;
}  // namespace platform

namespace kestrune {

class TutorialFactory;

class StateMachine;

// The world a scenario plays in: the simulated radio with one scripted phone on it, the simulated Mac
// session with its Wi-Fi and music players, and the user at the Mac. The application runs in it unchanged;
// the world only stands in for what is not this application (the phone, the air, the desktop) and for the
// user's clicks: when the pairing wizard shows a phone that asks to pair, the user's answer reaches the
// coordinator as the wizard's button would send it.
class ScenarioWorld : public std::enable_shared_from_this<ScenarioWorld> {
public:
    // The password of the running user's account in the simulated session.
    static constexpr const char* kPassword = "password";

    // The Wi-Fi and players the features were installed on; a world without features gets its own, which
    // nothing of the application hears.
    static std::shared_ptr<ScenarioWorld> create(std::shared_ptr<platform::Radio> radio,
                                                 std::shared_ptr<platform::SimulatedSession> session,
                                                 FeatureDevices devices = {});
    ~ScenarioWorld();

    // The coordinator's tutorial factory for this world: the application's own, its pairing wizard
    // answered by the scenario's user.
    std::shared_ptr<TutorialScreens> tutorialScreens();
    // The pages the pairing wizard and the proximity tutorial turned to since the last call, in words.
    std::vector<std::string> readScreenChanges();
    void attach(std::weak_ptr<StateMachine> stateMachine);

    platform::PhoneApplication& phone() { return *phone_; }
    platform::SimulatedSession& session() { return *session_; }
    platform::Radio& radio() { return *radio_; }
    platform::SimulatedWifi& wifi() { return *devices_.wifi; }
    platform::SimulatedMusicPlayers& players() { return *devices_.players; }
    // The account the application runs as, in the simulated session.
    std::string user() const;

    // The user at the Mac.
    // Opens the pairing wizard: the Mac looks for phones asking to pair.
    void openPairingWizard();
    // How the user answers the next new-phone window, and after how long.
    void answerPairingWith(bool accept, double afterSeconds);
    // Keyboard or mouse input: the user is at work. Working goes on with input every second.
    void userInput();
    void keepWorking(double seconds);
    // The user presses and lets go of a key combination (modifiers in the hot-key registry's bits);
    // answers whether a global shortcut of the application took it.
    bool pressShortcut(uint16_t keyCode, uint32_t modifiers);
    bool shortcutRegistered(uint16_t keyCode, uint32_t modifiers) const;
    // Someone at the Mac types the text into the lock screen's password field and presses Return.
    void typeAtLockScreen(const std::string& text);
    // The user locks the screen with Control-Command-Q.
    void lockWithKeyboard();
    // The user trusts the network the Mac is joined to, as the trusted Wi-Fi wizard's page would: it is
    // added to the trusted networks, saved, and Wi-Fi unlock is switched on. False when the Mac is joined
    // to no network.
    bool trustCurrentWifiNetwork();
    // The user clicks the application's icon in the menu bar (nothing happens without one).
    void clickMenuBarIcon();
    // The user copies text on the Mac; what the Mac's clipboard holds now (none without text or without
    // the features' pasteboard).
    void copyOnMac(const std::string& text);
    std::optional<std::string> macClipboardText() const;
    // Whether the key of the session's key log at that index was typed by a person, not by the Mac.
    bool typedByPerson(size_t keyIndex) const;

    // What is so now.
    bool askedToAcceptPhone() const { return askedToAcceptPhone_; }
    bool paired() const;
    bool sessionLocked() const;

    // Told when the world does something on the user's behalf (for the timeline).
    std::function<void(const std::string& who, const std::string& what)> onAct;

private:
    ScenarioWorld(std::shared_ptr<platform::Radio> radio, std::shared_ptr<platform::SimulatedSession> session,
                  FeatureDevices devices);
    void newPhoneWindowShown();

    std::shared_ptr<platform::Radio> radio_;
    std::shared_ptr<platform::SimulatedSession> session_;
    FeatureDevices devices_;
    std::unique_ptr<platform::PhoneApplication> phone_;
    std::weak_ptr<StateMachine> stateMachine_;
    std::weak_ptr<TutorialFactory> tutorials_;
    int64_t wizardPageShown_ = -1;
    int64_t tutorialPageShown_ = -1;
    bool accept_ = true;
    double answerAfter_ = 1.0;
    bool askedToAcceptPhone_ = false;
    double workUntil_ = 0;
    std::shared_ptr<platform::Timer> workTimer_;
    std::vector<std::pair<size_t, size_t>> peoplesKeys_;  // [first, end) ranges of the key log
};

}  // namespace kestrune
