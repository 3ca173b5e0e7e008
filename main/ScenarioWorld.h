#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/coordinator/CoordinatorServices.h"
#include "main/FeatureWiring.h"

namespace platform {
namespace ui {
class View;
class Window;
}  // namespace ui
class PhoneApplication;
class Timer;
class Radio;
class SimulatedSession;
}  // namespace platform

namespace kestrune {

class TutorialFactory;

// The world a scenario plays in: the simulated radio with one scripted phone on it, the simulated Mac
// session with its Wi-Fi and music players, and the user at the Mac. The application runs in it unchanged;
// the world only stands in for what is not this application (the phone, the air, the desktop) and for the
// user, who reads the settings window and clicks in it with the window's own mouse events: a button or a
// row is found by the text it shows, and only when a click at its middle would reach it.
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

    // The coordinator's tutorial factory for this world: the application's own, kept so that the world can
    // tell which page of the pairing wizard and the proximity tutorial is on screen.
    std::shared_ptr<TutorialScreens> tutorialScreens();
    // The pages the pairing wizard and the proximity tutorial turned to since the last call, in words.
    std::vector<std::string> readScreenChanges();
    // The application's settings window, which the user reads and clicks in (held weakly: it is the
    // application's).
    void useSettingsWindow(std::weak_ptr<platform::ui::Window> window) {
        settingsWindow_ = std::move(window);
    }

    platform::PhoneApplication& phone() { return *phone_; }
    platform::SimulatedSession& session() { return *session_; }
    platform::Radio& radio() { return *radio_; }
    platform::SimulatedWifi& wifi() { return *devices_.wifi; }
    platform::SimulatedMusicPlayers& players() { return *devices_.players; }
    // The account the application runs as, in the simulated session.
    std::string user() const;

    // The user at the Mac.
    // Whether the settings window is on screen showing the text on a button or a row that a click would
    // reach; and a click there (down and up at its middle), false when there is none.
    bool sees(const std::string& text) const;
    bool click(const std::string& text);
    // Clicks "Add a new iPhone" on the settings window's welcome page: the pairing wizard opens and the Mac
    // looks for phones that ask to pair. False when the page does not show the button.
    bool openPairingWizard();
    // The pairing wizard shows that page of its own (its index) on screen.
    bool pairingWizardShows(int64_t page) const;
    // The pairing wizard shows the page that asks to accept a phone, with its two buttons.
    bool pairingWizardAsksToAccept() const;
    // The pairing wizard shows the page that asks to finish the set-up on the phone.
    bool pairingWizardAwaitsThePhone() const;
    // Presses Accept or Deny on that page; false when it is not on screen.
    bool answerPairingRequest(bool accept);
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
    // The user clicks the application's icon in the menu bar (nothing happens without one).
    void clickMenuBarIcon();
    // The user closes the settings window with the close button of its title bar (which the desktop
    // draws, so it is the window's close request).
    void closeSettingsWindow();
    // The user brings another application to the front by its name ("System Preferences", "Finder"...).
    void switchToApplication(const std::string& name);
    // The user closes the lid of the Mac, which goes to sleep unless an external display is attached;
    // and opens it: the Mac wakes, then its displays light up.
    void closeLid();
    void openLid();
    // The user copies text on the Mac; what the Mac's clipboard holds now (none without text or without
    // the features' pasteboard).
    void copyOnMac(const std::string& text);
    std::optional<std::string> macClipboardText() const;
    // Whether the key of the session's key log at that index was typed by a person, not by the Mac.
    bool typedByPerson(size_t keyIndex) const;

    // What is so now.
    bool paired() const;
    bool sessionLocked() const;

    // Told when the world does something on the user's behalf (for the timeline).
    std::function<void(const std::string& who, const std::string& what)> onAct;

private:
    ScenarioWorld(std::shared_ptr<platform::Radio> radio, std::shared_ptr<platform::SimulatedSession> session,
                  FeatureDevices devices);
    std::shared_ptr<platform::ui::View> findOnScreen(const std::string& text) const;

    std::shared_ptr<platform::Radio> radio_;
    std::shared_ptr<platform::SimulatedSession> session_;
    FeatureDevices devices_;
    std::unique_ptr<platform::PhoneApplication> phone_;
    std::weak_ptr<platform::ui::Window> settingsWindow_;
    std::weak_ptr<TutorialFactory> tutorials_;
    int64_t wizardPageShown_ = -1;
    int64_t tutorialPageShown_ = -1;
    int64_t accessibilityPageShown_ = -1;
    double workUntil_ = 0;
    std::shared_ptr<platform::Timer> workTimer_;
    std::vector<std::pair<size_t, size_t>> peoplesKeys_;  // [first, end) ranges of the key log
};

}  // namespace kestrune
