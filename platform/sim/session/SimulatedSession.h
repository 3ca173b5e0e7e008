#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/system/KeyboardEvents.h"
#include "platform/system/PowerManagement.h"
#include "platform/system/SystemCommands.h"
#include "platform/system/SystemFiles.h"
#include "platform/system/UserAccounts.h"
#include "platform/system/WindowServer.h"

namespace platform {

class SimulatedDesktop;

// The simulated Mac session: one world that the application's platform services and the tests share,
// so that what a test does and what the application sees always agree. It holds the local accounts, the
// console user, the lock state and the session dictionary, the lock screen with its password field,
// the screensaver and its password settings, the displays and the mouse, display sleep, the lid, system
// sleep and wake, the HID idle time, the front application and the windows on screen; and it answers
// the system-tool commands the application runs (display sleep, the lid, the screensaver, defaults,
// scripting, restart).
//
// State changes at once, from any thread; the announcements follow on the main run loop, in this order:
// - lock: "com.apple.screenIsLocked", then (displays awake, no screensaver) "com.apple.screenLockUIIsShown";
//   with displays asleep the lock screen is shown when they wake, after the screens-did-wake notice;
// - unlock by the right password: "com.apple.screenLockUIIsHidden", then "com.apple.screenIsUnlocked";
// - screensaver start: "com.apple.screensaver.didlaunch", "com.apple.screensaver.didstart", then, when a
//   password is asked at once, the lock; stop (Escape): "com.apple.screensaver.didstop", then the lock
//   screen when the session is locked;
// - displays: the workspace's screens-did-sleep or screens-did-wake; attached displays changing: the
//   reconfiguration callbacks (several per change), "com.apple.BezelServices.BMDisplayHWReconfiguredEvent"
//   and the application's screen-parameters notification;
// - system sleep: the will-sleep power message, then screens-did-sleep; wake: will-power-on,
//   has-powered-on, then screens-did-wake; an idle sleep first asks can-sleep and is refused when a
//   client cancels;
// - lid: the clamshell message on each interested queue; closed without an external display the
//   displays sleep, opened they wake.
//
// Keys (postKeyEvent, key-down events): over a locked session with the lock screen shown they edit the
// password field (text, Delete, Command-A, Enter or Return); Enter with the console user's password
// unlocks, a wrong one appends a line to the account-policy log ("accountpolicy.log" in the session's
// folder, standing for "/var/log/accountpolicy.log"; it exists, empty, from the start). While the screensaver
// runs, Escape stops it and every key is swallowed. Over an unlocked session Control-Command-Q locks
// from 10.13 on; every other key reaches the front application and is recorded there. A test may run a hook
// before each key, to change the session between any two keys.
//
// The system's Bluetooth cache file is a file of the session's folder too ("com.apple.Bluetooth.plist",
// kDefaultBluetoothCacheSize bytes, written again when a session starts without it), located for its system
// path: its size is answered to
// "wc -c", and "sudo -kS rm -rf" with the console user's password on its input removes it. The
// administrator dialog of the scripting route has nobody to answer it here: it is cancelled.
class SimulatedSession : public KeyboardEvents,
                         public WindowServer,
                         public PowerManagement,
                         public UserAccounts,
                         public SystemCommands::Responder,
                         public SystemFiles::Locator,
                         public std::enable_shared_from_this<SimulatedSession> {
public:
    static constexpr const char* kScreensaverPath = "/System/Library/CoreServices/ScreenSaverEngine.app";
    static constexpr const char* kLegacyScreensaverPath =
        "/System/Library/Frameworks/ScreenSaver.framework/Versions/A/Resources/ScreenSaverEngine.app";
    static constexpr const char* kLidCommand =
        "ioreg -r -k AppleClamshellState -d 4 | grep AppleClamshellState  | head -1";
    static constexpr const char* kRequirePasswordScript =
        "osascript -e 'tell application \"System Events\" to tell security preferences to get require "
        "password to wake'";
    static constexpr int kReconfigurationCallsPerChange = 3;
    static constexpr const char* kBluetoothCachePath = "/Library/Preferences/com.apple.Bluetooth.plist";
    static constexpr uint64_t kDefaultBluetoothCacheSize = 24576;

    struct Account {
        uint32_t uid = 0;
        std::string name;
        std::string fullName;
        bool enabled = true;
        std::string password;
        std::string picturePath;
    };

    struct Display {
        uint32_t number = 0;
        bool builtin = false;
        DisplayRect frame;
    };

    enum class KeyDestination { PasswordField, Application, Screensaver, SessionCommand, Nowhere };
    struct KeyRecord {
        KeyEvent event;
        KeyDestination destination = KeyDestination::Nowhere;
        std::string application;  // the front application, for keys that reached one
    };

    // Ways the platform has been seen to misbehave.
    struct Faults {
        bool lockScreenWithoutLockedSession =
            false;  // locking shows the lock screen but leaves the session unlocked
        bool noSessionDictionary = false;
        bool noDisplayIdleEntry = false;  // the display wrangler's registry entry is missing
        bool noClamshell = false;         // no lid property (a desktop Mac)
        bool noIdleTime = false;          // the HID system's idle time cannot be read
    };

    using KeyHook = std::function<void(size_t index, const KeyEvent& event)>;

    // A session whose files (the account-policy log) live in the folder. It starts unlocked, with one
    // account for the running user (password "password") as console user, one built-in display, the lid
    // open and the screensaver off.
    static std::shared_ptr<SimulatedSession> create(const std::string& folder);
    ~SimulatedSession() override;

    // Installs this session as every session service of the platform (keyboard, window server, power,
    // accounts, commands) and its desktop as the security and desktop services; uninstall puts the
    // defaults back.
    void install();
    static void uninstall();
    std::shared_ptr<SimulatedDesktop> desktop() const { return desktop_; }

    // Accounts ------------------------------------------------------------------------------------------
    void setAccounts(std::vector<Account> accounts);
    void addAccount(Account account);
    std::vector<Account> accounts() const;
    void setConsoleUser(const std::string& name);
    std::string consoleUser() const;

    // Lock state ----------------------------------------------------------------------------------------
    // As the lock command does: the session locks, and the lock screen shows while the displays are awake.
    void lock();
    bool isLocked() const;
    bool isLockScreenShown() const;
    std::u16string passwordField() const;
    std::string accountPolicyLogPath() const;

    // Screensaver ---------------------------------------------------------------------------------------
    // The screensaver's defaults: none removes the key.
    void setScreensaverAskForPassword(std::optional<int> value);
    void setScreensaverAskForPasswordDelay(std::optional<int> seconds);
    void startScreensaver();
    void stopScreensaver();
    bool isScreensaverRunning() const;

    // Displays ------------------------------------------------------------------------------------------
    void setDisplays(std::vector<Display> displays, size_t mainIndex = 0);
    std::vector<Display> displays() const;
    void setMouseLocation(DisplayPoint point);
    void sleepDisplays();
    void wakeDisplays();
    bool displaysAsleep() const;

    // Lid, power, input ---------------------------------------------------------------------------------
    void closeLid();
    void openLid();
    // Asks every power client whether the system may sleep; sleeps unless one cancels. Answers on a later
    // pass of the main run loop; idleSleepRefusals() counts the refusals.
    void requestIdleSleep();
    int idleSleepRefusals() const;
    void sleepSystem();
    void wakeSystem();
    bool isSystemAsleep() const;
    // The user moved the mouse: the idle time starts again.
    void userInput();

    // Applications and windows --------------------------------------------------------------------------
    // The application that comes to the front, by name; the one-argument form knows the bundle
    // identifiers of the system's own applications ("Finder", "SecurityAgent", "System Preferences").
    // Announced on the workspace's centre with the application under "NSWorkspaceApplicationKey". Another
    // application than this one in front makes this one resign, once the announcement is made (unless the
    // front has changed again by then). System Preferences quit by its script leaves the front to the
    // Finder, and is not the application this one gives the front back to.
    void setFrontApplication(const std::string& name);
    void setFrontApplication(const std::string& name, const std::string& bundleIdentifier);
    std::string frontApplication() const;
    void setWindows(std::vector<WindowDescription> windows);
    // Moves to a full-screen space (no menu bar window) or back, announcing the space change.
    void setFullScreenSpace(bool fullScreen);

    // Keys ----------------------------------------------------------------------------------------------
    std::vector<KeyRecord> keyLog() const;
    std::vector<KeyRecord> keysReachingApplications() const;
    void setBeforeKeyHook(KeyHook hook);

    // The system's Bluetooth cache file: its size, none when it is absent.
    void setBluetoothCacheSize(std::optional<uint64_t> size);
    std::optional<uint64_t> bluetoothCacheSize() const;
    std::string bluetoothCacheFilePath() const;

    // System-tool commands answered, in order, and whether a restart was asked for.
    std::vector<std::string> answeredCommands() const;
    bool restartRequested() const;

    void setFaults(const Faults& faults);
    Faults faults() const;

    // KeyboardEvents
    void postKeyEvent(const KeyEvent& event) override;
    std::optional<int64_t> hidIdleTimeNanoseconds() override;

    // WindowServer
    std::optional<Value::Dictionary> copyCurrentSessionDictionary() override;
    std::vector<ScreenDescription> screens() override;
    std::optional<ScreenDescription> mainScreen() override;
    bool displayIsBuiltin(uint32_t displayNumber) override;
    DisplayPoint mouseLocation() override;
    uint64_t addDisplayReconfigurationCallback(ReconfigurationCallback callback) override;
    void removeDisplayReconfigurationCallback(uint64_t registration) override;
    bool setDisplayIdleRequest(bool idle) override;
    std::vector<WindowDescription> onScreenWindows() override;
    std::shared_ptr<RunningApplication> frontmostApplication() override;
    void applicationDidComeToFront(std::shared_ptr<RunningApplication> application) override;
    void applicationDidLeaveFront(std::shared_ptr<RunningApplication> application) override;

    // PowerManagement
    uint64_t registerForSystemPower(MessageHandler handler) override;
    void deregisterForSystemPower(uint64_t registration) override;
    void allowPowerChange(uint64_t registration, intptr_t argument) override;
    void cancelPowerChange(uint64_t registration, intptr_t argument) override;
    std::optional<bool> clamshellState() override;
    uint64_t addRootDomainInterest(std::shared_ptr<DispatchQueue> queue, MessageHandler handler) override;
    void removeRootDomainInterest(uint64_t interest) override;

    // UserAccounts
    std::vector<UserIdentity> localUserIdentities() override;
    bool authenticate(const std::string& posixName, const std::string& password) override;

    // SystemFiles::Locator: "/var/log/accountpolicy.log" is the session's own log.
    std::optional<std::string> locate(const std::string& systemPath) override;

    // SystemCommands::Responder
    std::optional<Shell::Result> respond(const std::string& path, const std::vector<std::string>& arguments,
                                         const std::string& input) override;

private:
    explicit SimulatedSession(std::string folder);

    struct Callback;
    struct Interest {
        uint64_t id;
        std::shared_ptr<DispatchQueue> queue;
        MessageHandler handler;
    };
    struct PowerClient {
        uint64_t id;
        MessageHandler handler;
    };
    // What a change announces, gathered under the lock and sent after it.
    struct Announcements;

    void bringToFront(const std::string& name, const std::string& bundleIdentifier, bool thisApplication);
    void applicationDidQuit(const std::string& bundleIdentifier);
    void lockLocked(Announcements& out);
    void unlockLocked(Announcements& out);
    void updateLockScreenLocked(Announcements& out);
    void sleepDisplaysLocked(Announcements& out);
    void wakeDisplaysLocked(Announcements& out);
    void startScreensaverLocked(Announcements& out);
    void stopScreensaverLocked(Announcements& out);
    void sendPowerMessageLocked(Announcements& out, uint32_t type, intptr_t argument);
    void lidChangedLocked(Announcements& out, bool closed);
    KeyDestination routeKeyLocked(const KeyEvent& event, Announcements& out);
    void editPasswordFieldLocked(const KeyEvent& event, Announcements& out);
    void appendFailedLoginLocked(const std::string& user);
    bool hasExternalDisplayLocked() const;
    bool passwordRequiredAtOnceLocked() const;
    std::optional<Shell::Result> bluetoothCacheCommandLocked(const std::string& command,
                                                             const std::string& input);
    void send(Announcements& out);

    const std::string folder_;
    std::shared_ptr<SimulatedDesktop> desktop_;

    mutable std::mutex mutex_;
    std::vector<Account> accounts_;
    std::string consoleUser_;
    bool locked_ = false;
    bool lockScreenShown_ = false;
    std::u16string passwordField_;
    bool selectAllPending_ = false;
    std::optional<int> askForPassword_;
    std::optional<int> askForPasswordDelay_;
    bool screensaverRunning_ = false;
    std::vector<Display> displays_;
    size_t mainIndex_ = 0;
    DisplayPoint mouse_;
    bool displaysAsleep_ = false;
    std::optional<bool> lidClosed_ = false;
    bool systemAsleep_ = false;
    int idleSleepRefusals_ = 0;
    intptr_t nextPowerArgument_ = 1;
    std::vector<intptr_t> cancelledArguments_;
    double lastInput_ = 0;
    std::string frontApplication_ = "Finder";
    std::string frontApplicationIdentifier_ = "com.apple.finder";
    // Whether the front is this application's, the one it took the front from, and a count of changes
    // that tells a stale announcement.
    bool frontIsThisApplication_ = false;
    std::pair<std::string, std::string> frontBeforeThisApplication_{"Finder", "com.apple.finder"};
    uint64_t frontChanges_ = 0;
    std::vector<WindowDescription> windows_;
    std::vector<KeyRecord> keyLog_;
    size_t keyCount_ = 0;
    KeyHook keyHook_;
    std::vector<std::string> answeredCommands_;
    bool restartRequested_ = false;
    Faults faults_;
    uint64_t nextId_ = 1;
    std::vector<std::shared_ptr<Callback>> callbacks_;
    std::vector<Interest> interests_;
    std::vector<PowerClient> powerClients_;
};

}  // namespace platform
