#include "main/Scenarios.h"

#include <algorithm>
#include <utility>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/SafeWifiEntry.h"
#include "app/store/ApplicationDataModel.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/session/AccessibilityManager.h"
#include "features/language/BundleLanguage.h"
#include "features/wifi/SafeWifiManager.h"
#include "main/ScenarioWorld.h"
#include "platform/sim/PhoneApplication.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/system/Application.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

namespace {

using platform::PhoneApplication;

// Where the phone's user sets proximity locking (the default): the Mac locks once the phone's signal is
// weaker than -60 dBm, about 1 m away.
constexpr int32_t kLockSignal = 60;

// The player the user listens to.
constexpr const char* kPlayer = "Spotify";

// The history's trigger of an unlock on a trusted Wi-Fi network.
constexpr uint32_t kTrustedWifiTrigger = 6;

ScenarioStep step(double after, std::string who, std::string what, std::function<void(ScenarioWorld&)> act) {
    ScenarioStep s;
    s.after = after;
    s.who = std::move(who);
    s.what = std::move(what);
    s.act = std::move(act);
    return s;
}

// Waits, printing nothing, until the condition holds.
ScenarioStep waitUntil(std::string waitingFor, std::function<bool(ScenarioWorld&)> until, double limit = 30) {
    ScenarioStep s;
    s.until = std::move(until);
    s.waitingFor = std::move(waitingFor);
    s.waitLimit = limit;
    return s;
}

ScenarioStep when(ScenarioStep s, std::string waitingFor, std::function<bool(ScenarioWorld&)> until,
                  double limit = 30) {
    s.until = std::move(until);
    s.waitingFor = std::move(waitingFor);
    s.waitLimit = limit;
    return s;
}

// The user's clicks on the settings window, each as a step: it runs once the window shows the text of the
// interface's key (in the interface's language, looked up when the step runs) and says in the timeline
// when it never does.
ScenarioStep clickStep(double after, std::string what, std::string key, std::string waitingFor) {
    return when(step(after, "you", std::move(what), [key](ScenarioWorld& w) { w.click(localizable(key)); }),
                std::move(waitingFor), [key](ScenarioWorld& w) { return w.sees(localizable(key)); });
}

// How the signal of a phone lying on a desk wanders (dBm).
constexpr double kDeskNoise = 1.5;

// A new phone pairs: the user opens the pairing wizard from the settings window's welcome page, the phone
// asks to pair, the user presses Accept on the wizard, the phone sends the Mac's account password; with the
// right one, the phone's user then switches proximity locking on, and the phone's signal wanders by the
// noise given from then on.
std::vector<ScenarioStep> pairing(bool rightPassword, double noise = kDeskNoise) {
    std::vector<ScenarioStep> steps;
    steps.push_back(clickStep(0.5,
                              "click \"Add a new iPhone\" on the settings window's welcome page: the pairing "
                              "wizard opens",
                              "add_new_device_action", "the settings window to show its welcome page"));
    steps.push_back(waitUntil("the pairing wizard to show its first page", [](ScenarioWorld& w) {
        return w.pairingWizardShows(InitalWizzardController::kHomePage);
    }));
    steps.push_back(step(0.5, "phone", "Ada's iPhone lies on the desk, its application on the pairing screen",
                         [](ScenarioWorld& w) { w.phone().appear(); }));
    steps.push_back(waitUntil(
        "the Mac to connect to the phone", [](ScenarioWorld& w) { return w.phone().isAuthenticated(); }, 60));
    steps.push_back(step(0.5, "phone", "asks to pair", [](ScenarioWorld& w) { w.phone().askToPair(); }));
    steps.push_back(
        when(step(1.0, "you", "press Accept on the pairing wizard's page that asks about the phone",
                  [](ScenarioWorld& w) { w.answerPairingRequest(true); }),
             "the pairing wizard to ask you to accept the phone",
             [](ScenarioWorld& w) { return w.pairingWizardAsksToAccept(); }));
    steps.push_back(
        when(step(0.5, "phone",
                  rightPassword ? "sends the password of your account on the Mac"
                                : "sends a wrong password for your account on the Mac",
                  [rightPassword](ScenarioWorld& w) {
                      w.phone().sendPassword(w.user(), rightPassword ? ScenarioWorld::kPassword : "guessed");
                  }),
             "the Mac to accept the pairing",
             [](ScenarioWorld& w) { return w.phone().heard(PhoneApplication::kPairingAccepted); }));
    if (!rightPassword) return steps;
    steps.push_back(
        when(step(1.0, "phone",
                  "comes to the front; you switch proximity locking on, to lock at 1 m (a signal weaker than "
                  "-60 dBm)",
                  [noise](ScenarioWorld& w) {
                      // The user's phone speaks the language their Mac chose (English where no table
                      // is in use): a phone in another language would switch the Mac's interface to it,
                      // as it should.
                      const auto& codes = supprotedLanguages();
                      const std::string chosen = currentlyUsedLanguageLangKey();
                      const bool known = std::find(codes.begin(), codes.end(), chosen) != codes.end();
                      w.phone().sendSettings(2, known ? chosen : "en");
                      w.phone().reportApplicationState(2);
                      w.phone().setProximityLock(true, kLockSignal);
                      w.phone().setNoise(noise);
                  }),
             "the Mac to pair with the phone", [](ScenarioWorld& w) { return w.paired(); }));
    return steps;
}

// The user trusts the network the Mac is joined to through the trusted Wi-Fi wizard of the settings
// window: its list page offers the network, its next page names it and adds it once an administrator said
// yes (the simulated session's administrator does), and its last page switches Wi-Fi unlock on.
std::vector<ScenarioStep> trustTheJoinedNetwork(const std::string& network) {
    std::vector<ScenarioStep> steps;
    steps.push_back(clickStep(1, "open Wi-Fi Unlock in the settings window's list", "wifi_unlock",
                              "the settings window to list Wi-Fi Unlock"));
    steps.push_back(clickStep(1, "click \"Add this Wi-Fi network\" on the trusted Wi-Fi wizard",
                              "add_new_wifi_network", "the trusted Wi-Fi wizard to show its list"));
    steps.push_back(when(
        step(1, "you", "click Add under \"" + network + "\" and approve with your administrator password",
             [](ScenarioWorld& w) { w.click(localizable("add")); }),
        "the trusted Wi-Fi wizard to offer \"" + network + "\"",
        [network](ScenarioWorld& w) { return w.sees(network) && w.sees(localizable("add")); }));
    steps.push_back(when(step(1, "you", "click OK on the wizard's last page: Wi-Fi unlock is on",
                              [](ScenarioWorld& w) { w.click(localizable("ok")); }),
                         "the trusted Wi-Fi wizard to say Wi-Fi unlock is set up", [](ScenarioWorld& w) {
                             return w.sees(localizable("you_have_set_up_wifi_unlock")) &&
                                    w.sees(localizable("ok"));
                         }));
    steps.push_back(waitUntil("Wi-Fi unlock to be on", [network](ScenarioWorld&) {
        auto& manager = SafeWifiManager::shared();
        if (!manager.safeWifiTurnedOn()) return false;
        for (const auto& object : manager.safeWifiEntries()) {
            auto entry = std::dynamic_pointer_cast<SafeWifiEntry>(object);
            if (entry && entry->ssidName() == network) return true;
        }
        return false;
    }));
    return steps;
}

// Music plays when the scenario starts, and the user chose to pause it while the Mac is locked.
ScenarioStep playMusic() {
    return step(
        0, "you",
        std::string("play music in ") + kPlayer + "; you chose to pause music while the Mac is locked",
        [](ScenarioWorld& w) {
            DeviceLocalSettings::shared().setMusicPauseOnLogout(true);
            w.players().setRunning(kPlayer, true);
            w.players().setPlaying(kPlayer, true);
        });
}

// The history holds an unlock on a trusted Wi-Fi network.
bool unlockedOnTrustedWifi() {
    const auto& history = DataManager::shared().applicationData()->arrayOfLoginLogouts();
    if (!history) return false;
    for (const auto& object : *history) {
        auto entry = std::dynamic_pointer_cast<LoginLogoutEntry>(object);
        if (entry && entry->event() &&
            entry->event()->unsignedIntValue() == LoginLogoutEntry::kEventUnlocked && entry->responsible() &&
            entry->responsible()->unsignedIntValue() == kTrustedWifiTrigger)
            return true;
    }
    return false;
}

bool locked(ScenarioWorld& w) {
    return w.sessionLocked();
}
bool unlocked(ScenarioWorld& w) {
    return !w.sessionLocked();
}

std::optional<std::string> expectSession(ScenarioWorld& w, const ScenarioFacts& facts, bool wantLocked,
                                         bool wantPaired) {
    if (facts.keysToApplications > 0)
        return std::to_string(facts.keysToApplications) + " keys reached an application";
    if (w.sessionLocked() != wantLocked)
        return std::string("the Mac is ") + (w.sessionLocked() ? "locked" : "unlocked");
    if (w.paired() != wantPaired)
        return std::string("the phone is ") + (w.paired() ? "paired" : "not paired");
    return std::nullopt;
}

Scenario defaultScenario() {
    Scenario s;
    s.name = kDefaultScenario;
    s.summary =
        "music plays, a new phone pairs, you walk away, a guest tries your Mac, you come back, then lock and "
        "unlock the Mac from the phone";
    s.steps = {playMusic()};
    // The road's phone gives a steady signal wherever it lies (the desk scenario has a wandering one): what
    // the Mac shows at each step, its pictures in the README among it, is the same on every run.
    for (auto& pairingStep : pairing(true, 0)) s.steps.push_back(std::move(pairingStep));
    s.steps.push_back(step(1, "you", "work at the Mac, the phone beside you on the desk",
                           [](ScenarioWorld& w) { w.keepWorking(8); }));
    s.steps.push_back(step(8, "you", "click Kestrune's icon in the menu bar: the panel shows your iPhone",
                           [](ScenarioWorld& w) { w.clickMenuBarIcon(); }));
    s.steps.push_back(step(1, "phone", "goes with you as you walk away from the desk",
                           [](ScenarioWorld& w) { w.phone().moveTo(-85, 6); }));
    s.steps.push_back(waitUntil("the Mac to lock", locked));
    s.steps.push_back(step(4, "guest", "sits down at your Mac while you are away and types a wrong password",
                           [](ScenarioWorld& w) { w.typeAtLockScreen("guess"); }));
    s.steps.push_back(step(6, "phone", "comes back with you to the desk",
                           [](ScenarioWorld& w) { w.phone().moveTo(PhoneApplication::kDeskRSSI, 4); }));
    s.steps.push_back(waitUntil("the Mac to unlock", unlocked));
    s.steps.push_back(step(1, "you", "work at the Mac again", [](ScenarioWorld& w) { w.keepWorking(5); }));
    s.steps.push_back(step(6, "you", "tap Lock in the phone application",
                           [](ScenarioWorld& w) { w.phone().lockMac(w.user()); }));
    s.steps.push_back(waitUntil("the Mac to lock", locked));
    s.steps.push_back(step(5, "you", "tap Unlock in the phone application",
                           [](ScenarioWorld& w) { w.phone().unlockMac(w.user()); }));
    s.steps.push_back(waitUntil("the Mac to unlock", unlocked));
    s.expected = "the Mac is unlocked and the phone paired; the music plays";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (auto difference = expectSession(w, facts, false, true)) return difference;
        if (!w.players().isPlaying(kPlayer)) return std::string("the music is paused");
        return std::nullopt;
    };
    return s;
}

// An hour at a desk, compressed into a minute: the signal wanders and dips as the phone is moved about,
// the user types, reads, and types again. None of it is a walk away.
Scenario deskScenario() {
    Scenario s;
    s.name = "desk";
    s.summary =
        "an hour of desk life compressed into a minute: the signal wanders, you type and read; no lock";
    s.steps = pairing(true);
    struct Moment {
        const char* what;
        double rssi;
        bool typing;
    };
    const Moment moments[] = {
        {"type; the phone lies face down beside the keyboard", -52, true},
        {"read a long page, hands off the keyboard", -50, false},
        {"type; the phone slides behind the laptop", -58, true},
        {"lean back and think", -53, false},
        {"type; the phone is picked up and put down again", -48, true},
        {"read, the phone under a sheet of paper", -55, false},
        {"type; a colleague walks between you and the phone", -60, true},
        {"read your mail", -51, false},
        {"type; the phone on the far corner of the desk", -57, true},
        {"read, the phone back beside the keyboard", -50, false},
    };
    double after = 1;
    for (const auto& m : moments) {
        const double rssi = m.rssi;
        const bool typing = m.typing;
        s.steps.push_back(step(std::exchange(after, 6), "you", m.what, [rssi, typing](ScenarioWorld& w) {
            w.phone().setNoise(3);
            w.phone().moveTo(rssi, 1.5);
            if (typing) w.keepWorking(6);
        }));
    }
    s.settle = 6;
    s.expected = "no lock; the Mac is unlocked and the phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (facts.locks > 0) return std::to_string(facts.locks) + " locks";
        return expectSession(w, facts, false, true);
    };
    return s;
}

Scenario dropoutScenario() {
    Scenario s;
    s.name = "dropout";
    s.summary = "the phone's link is lost while you are away from the desk: the Mac locks on the lost link";
    s.steps = pairing(true);
    s.steps.push_back(
        step(1, "you", "choose to lock the Mac when the link to the phone is lost",
             [](ScenarioWorld&) { DeviceLocalSettings::shared().setLogoutOnDisconnect(true); }));
    s.steps.push_back(step(0, "you", "work at the Mac", [](ScenarioWorld& w) { w.keepWorking(5); }));
    s.steps.push_back(
        step(6, "you", "leave for a coffee; the phone stays on the desk", [](ScenarioWorld&) {}));
    s.steps.push_back(step(2, "phone", "its battery dies: it is gone from the air",
                           [](ScenarioWorld& w) { w.phone().vanish(); }));
    s.steps.push_back(waitUntil("the Mac to lock", locked));
    s.expected = "the Mac is locked";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) {
        return expectSession(w, facts, true, true);
    };
    return s;
}

Scenario wrongPasswordScenario() {
    Scenario s;
    s.name = "wrong-password";
    s.summary =
        "a new phone asks to pair and you accept it, but it sends a wrong password for your account: the Mac "
        "refuses it (pairing status 4, the password was refused) and waits for the phone to try again";
    s.steps = pairing(false);
    s.steps.push_back(waitUntil("the phone to hear that its password was refused", [](ScenarioWorld& w) {
        return w.phone().heard(PhoneApplication::kStatus, std::string("4"));
    }));
    s.expected =
        "the password refused (status 4) and the pairing wizard waiting for the phone, not asking again to "
        "accept it; the Mac unlocked, no phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (!w.phone().heard(PhoneApplication::kStatus, std::string("4")))
            return std::string("the phone never heard status 4");
        if (w.pairingWizardAsksToAccept())
            return std::string("the pairing wizard asks again to accept the phone");
        if (!w.pairingWizardAwaitsThePhone())
            return std::string("the pairing wizard does not wait for the phone");
        return expectSession(w, facts, false, false);
    };
    return s;
}

// The Mac at home: on the trusted network the lock screen unlocks without the phone and walking away
// locks nothing; once the Mac is on another network, proximity locking is back.
Scenario wifiScenario() {
    Scenario s;
    s.name = "wifi";
    s.summary =
        "on your trusted home Wi-Fi the lock screen unlocks without the phone and walking away locks "
        "nothing; "
        "on another network the Mac locks as you walk away";
    s.steps.push_back(step(0, "you", "the Mac is on your home Wi-Fi network \"Harbour View\"",
                           [](ScenarioWorld& w) { w.wifi().join("Harbour View", "a4:2b:b0:1c:3d:01"); }));
    for (auto& pairingStep : pairing(true)) s.steps.push_back(std::move(pairingStep));
    for (auto& trustStep : trustTheJoinedNetwork("Harbour View")) s.steps.push_back(std::move(trustStep));
    s.steps.push_back(step(3, "you", "lock the screen with Control-Command-Q",
                           [](ScenarioWorld& w) { w.lockWithKeyboard(); }));
    s.steps.push_back(waitUntil("the Mac to unlock on the trusted network",
                                [](ScenarioWorld& w) { return unlocked(w) && unlockedOnTrustedWifi(); }));
    s.steps.push_back(step(2, "phone", "goes with you as you walk away; the Mac stays on the trusted network",
                           [](ScenarioWorld& w) { w.phone().moveTo(-85, 6); }));
    s.steps.push_back(step(15, "Wi-Fi",
                           "the home network goes down; the Mac joins \"Harbour Guest\", not trusted",
                           [](ScenarioWorld& w) { w.wifi().join("Harbour Guest", "a4:2b:b0:1c:3d:02"); }));
    s.steps.push_back(waitUntil("the Mac to lock", locked));
    s.expected =
        "unlocked once on the trusted network (trusted Wi-Fi), no lock while you walked away on it, then "
        "locked on the other network; the phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (!unlockedOnTrustedWifi()) return std::string("no unlock on the trusted network");
        if (facts.locks != 2) return std::to_string(facts.locks) + " locks, not 2";
        return expectSession(w, facts, true, true);
    };
    return s;
}

// Control+Command+L: the lock shortcut, in the hot-key registry's modifier bits.
constexpr uint16_t kKeyL = 37;
constexpr uint32_t kControlCommand = 0x1000 | 0x100;

Scenario hotkeyScenario() {
    Scenario s;
    s.name = "hotkey";
    s.summary = "a new phone pairs, then you lock the Mac with Control+Command+L before leaving the desk";
    s.steps = pairing(true);
    s.steps.push_back(waitUntil(
        "the Mac to register its shortcuts",
        [](ScenarioWorld& w) { return w.shortcutRegistered(kKeyL, kControlCommand); }, 30));
    s.steps.push_back(step(1, "you", "work at the Mac, the phone beside you on the desk",
                           [](ScenarioWorld& w) { w.keepWorking(4); }));
    s.steps.push_back(step(5, "you", "press Control+Command+L and let go",
                           [](ScenarioWorld& w) { w.pressShortcut(kKeyL, kControlCommand); }));
    s.steps.push_back(waitUntil("the Mac to lock", locked, 5));
    s.settle = 2;
    s.expected = "the Mac is locked and the phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) {
        return expectSession(w, facts, true, true);
    };
    return s;
}

// Control+Command+V: the clipboard shortcut.
constexpr uint16_t kKeyV = 9;
constexpr const char* kMacText = "Meet at the harbour at six";
constexpr const char* kPhoneText = "Bring the spare keys";

Scenario clipboardScenario() {
    Scenario s;
    s.name = "clipboard";
    s.summary =
        "a new phone pairs; Control+Command+V sends the Mac's clipboard to the phone, and the phone's text "
        "lands on the Mac's clipboard";
    s.steps.push_back(step(0, "phone", "runs Kestrune 3.8, which shares the clipboard",
                           [](ScenarioWorld& w) { w.phone().setApplicationVersion("3.8"); }));
    for (auto& pairingStep : pairing(true)) s.steps.push_back(std::move(pairingStep));
    s.steps.push_back(waitUntil(
        "the Mac to register its shortcuts",
        [](ScenarioWorld& w) { return w.shortcutRegistered(kKeyV, kControlCommand); }, 30));
    s.steps.push_back(step(1, "you", std::string("copy \"") + kMacText + "\" on the Mac",
                           [](ScenarioWorld& w) { w.copyOnMac(kMacText); }));
    s.steps.push_back(step(1, "you", "press Control+Command+V and let go",
                           [](ScenarioWorld& w) { w.pressShortcut(kKeyV, kControlCommand); }));
    s.steps.push_back(waitUntil(
        "the text to reach the phone",
        [](ScenarioWorld& w) { return w.phone().heard(PhoneApplication::kClipboard, std::string(kMacText)); },
        10));
    s.steps.push_back(step(0.5, "phone", "puts the Mac's text on its clipboard",
                           [](ScenarioWorld& w) { w.phone().reportClipboardCopied(true); }));
    s.steps.push_back(step(3, "phone",
                           std::string("you copy \"") + kPhoneText + "\" on it and send it to the Mac",
                           [](ScenarioWorld& w) { w.phone().sendClipboard(kPhoneText); }));
    s.steps.push_back(waitUntil(
        "the text to land on the Mac's clipboard",
        [](ScenarioWorld& w) { return w.macClipboardText() == std::string(kPhoneText); }, 10));
    s.steps.push_back(waitUntil("the phone to hear the Mac took the text", [](ScenarioWorld& w) {
        return w.phone().heard(PhoneApplication::kClipboardReceived);
    }));
    s.settle = 2;
    s.expected = "the Mac's text on the phone, the phone's text on the Mac's clipboard; the phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (!w.phone().heard(PhoneApplication::kClipboard, std::string(kMacText)))
            return std::string("the phone never got the Mac's text");
        if (w.macClipboardText() != std::string(kPhoneText))
            return std::string("the Mac's clipboard lacks the text");
        return expectSession(w, facts, false, true);
    };
    return s;
}

// The application away from the front and back: the user gives it the Accessibility permission in System
// Preferences and returns to it, pairs a phone, closes its settings window; then the Mac sleeps with its
// lid closed and wakes when it is opened.
Scenario backgroundScenario() {
    Scenario s;
    s.name = "background";
    s.summary =
        "you give Kestrune the Accessibility permission in System Preferences and come back to it, a new "
        "phone pairs and you close the settings window; then you close the lid, the Mac sleeps, and it "
        "wakes when you open it";
    s.steps.push_back(step(0, "you",
                           "Kestrune is new here: it may not type your password yet (Accessibility)",
                           [](ScenarioWorld& w) { w.session().desktop()->setProcessTrusted(false); }));
    s.steps.push_back(
        clickStep(1,
                  "click \"Show more\" on the settings window's notice \"Kestrune cannot unlock "
                  "your Mac yet\"",
                  "show_more", "the settings window to show its notice about the Accessibility permission"));
    s.steps.push_back(clickStep(1, "click Allow under it: the Accessibility wizard opens",
                                "add_accessibility_to_unlock_mac_action", "the notice to offer Allow"));
    s.steps.push_back(
        clickStep(1, "click Open on the Accessibility wizard: Kestrune opens System Preferences",
                  "open_security_and_privacy_action", "the Accessibility wizard to show its Open button"));
    s.steps.push_back(
        when(step(1, "you",
                  "System Preferences comes to the front at Security & Privacy; you tick Kestrune under "
                  "Accessibility",
                  [](ScenarioWorld& w) {
                      w.switchToApplication("System Preferences");
                      w.session().desktop()->setProcessTrusted(true);
                  }),
             "Kestrune to open System Preferences", [](ScenarioWorld& w) {
                 const auto urls = w.session().desktop()->openedURLs();
                 return std::find(urls.begin(), urls.end(), AccessibilityManager::kAccessibilityPaneURL) !=
                        urls.end();
             }));
    s.steps.push_back(step(3, "you",
                           "click Kestrune's icon in the menu bar: Kestrune comes back to the front",
                           [](ScenarioWorld& w) { w.clickMenuBarIcon(); }));
    s.steps.push_back(step(3, "you", "click the icon again: the panel closes",
                           [](ScenarioWorld& w) { w.clickMenuBarIcon(); }));
    for (auto& pairingStep : pairing(true)) s.steps.push_back(std::move(pairingStep));
    s.steps.push_back(step(3, "you", "close the settings window: Kestrune stays in the menu bar",
                           [](ScenarioWorld& w) { w.closeSettingsWindow(); }));
    s.steps.push_back(step(3, "you", "close the lid: the Mac goes to sleep, the phone beside it",
                           [](ScenarioWorld& w) { w.closeLid(); }));
    s.steps.push_back(
        step(8, "you", "open the lid: the Mac wakes up", [](ScenarioWorld& w) { w.openLid(); }));
    s.settle = 4;
    s.expected =
        "Kestrune allowed under Accessibility and in the background, its settings window closed; the Mac "
        "awake and unlocked, the phone paired";
    s.verdict = [](ScenarioWorld& w, const ScenarioFacts& facts) -> std::optional<std::string> {
        if (!AccessibilityManager::allAccessibilityConditionsSatisfied())
            return std::string("Kestrune is not allowed under Accessibility");
        if (platform::Application::shared().isActive()) return std::string("Kestrune is in front");
        if (w.session().isSystemAsleep()) return std::string("the Mac sleeps");
        if (facts.locks > 0) return std::to_string(facts.locks) + " locks";
        return expectSession(w, facts, false, true);
    };
    return s;
}

}  // namespace

const std::vector<Scenario>& allScenarios() {
    static const std::vector<Scenario> scenarios = {
        defaultScenario(), deskScenario(),   dropoutScenario(),   wrongPasswordScenario(),
        wifiScenario(),    hotkeyScenario(), clipboardScenario(), backgroundScenario()};
    return scenarios;
}

const Scenario* findScenario(const std::string& name) {
    for (const auto& scenario : allScenarios())
        if (scenario.name == name) return &scenario;
    return nullptr;
}

}  // namespace kestrune
