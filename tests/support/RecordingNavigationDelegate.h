#pragma once

// A NavigationDelegate that records every call: the operation's name with its arguments, in order, the
// controllers it was handed, and the completions, which a test runs when it chooses. The page and panel
// tests check what their controls asked for against it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/coordinator/NavigationDelegate.h"

namespace testsupport {

class RecordingNavigationDelegate : public kestrune::NavigationDelegate {
public:
    struct Call {
        // "showDetailList:source:popToRoot:" and the like, as the operation is named.
        std::string operation;
        // The arguments in order, as text: integers as digits, booleans as "YES" / "NO", a controller
        // as "controller" (or "none"), a completion as "completion" (or "none").
        std::vector<std::string> arguments;
        Controller controller;
        std::function<void()> completion;
        // "operation arg arg", for comparing whole sequences.
        std::string text() const {
            std::string out = operation;
            for (const auto& a : arguments) out += " " + a;
            return out;
        }
    };

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& c : calls_) out.push_back(c.text());
        return out;
    }
    size_t count(const std::string& operation) const {
        size_t n = 0;
        for (const auto& c : calls_) n += c.operation == operation;
        return n;
    }
    // The last call of that operation, or null.
    const Call* last(const std::string& operation) const {
        for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
            if (it->operation == operation) return &*it;
        return nullptr;
    }
    // Runs the completions handed over so far, in order, each once; answers how many ran.
    size_t runCompletions() {
        size_t ran = 0;
        for (auto& c : calls_)
            if (c.completion) {
                auto completion = std::exchange(c.completion, nullptr);
                completion();
                ++ran;
            }
        return ran;
    }
    void clear() { calls_.clear(); }

    void showDetailController_source(Controller controller, int64_t source) override {
        add("showDetailController:source:", {name(controller), num(source)}, controller);
    }
    void showDetailList_source(Controller list, int64_t source) override {
        add("showDetailList:source:", {name(list), num(source)}, list);
    }
    void showDetailList_source_popToRoot(Controller list, int64_t source, bool popToRoot) override {
        add("showDetailList:source:popToRoot:", {name(list), num(source), yes(popToRoot)}, list);
    }
    void showDetailController_source_popToRoot(Controller controller, int64_t source,
                                               bool popToRoot) override {
        add("showDetailController:source:popToRoot:", {name(controller), num(source), yes(popToRoot)},
            controller);
    }
    void showWifiUnlockOptionForSource(int64_t source) override {
        add("showWifiUnlockOptionForSource:", {num(source)});
    }
    void popViewModelAnimated(bool animated) override { add("popViewModelAnimated:", {yes(animated)}); }
    void sendClipboardToIos() override { add("sendClipboardToIos"); }
    void getClipboardFromIos() override { add("getClipboardFromIos"); }
    void showClipboardHowDoesItWork() override { add("showClipboardHowDoesItWork"); }
    void toggleClipboardShownOnMainScreen() override { add("toggleClipboardShownOnMainScreen"); }
    void toggleClipboardShortcut() override { add("toggleClipboardShortcut"); }
    void toggleLockShortcut() override { add("toggleLockShortcut"); }
    void toggleSiriLock() override { add("toggleSiriLock"); }
    void toggleSiriUnlock() override { add("toggleSiriUnlock"); }
    void showTroubleShootInitialConnection() override { add("showTroubleShootInitialConnection"); }
    void showTroubleConnectingToDeviceTutorial() override { add("showTroubleConnectingToDeviceTutorial"); }
    void showClearBluetoothCacheTutorial() override { add("showClearBluetoothCacheTutorial"); }
    void showHelpViewAndCheck() override { add("showHelpViewAndCheck"); }
    void showProximityLockTutorial() override { add("showProximityLockTutorial"); }
    void showHelpTranslation() override { add("showHelpTranslation"); }
    void showMacOSNotifications() override { add("showMacOSNotifications"); }
    void showSiriTutorial() override { add("showSiriTutorial"); }
    void showTemporaryDisabledInformationWindow() override { add("showTemporaryDisabledInformationWindow"); }
    void showEstimatedDistanceDescription() override { add("showEstimatedDistanceDescription"); }
    void showMacControlTutorial() override { add("showMacControlTutorial"); }
    void pingTrackingDevice() override { add("pingTrackingDevice"); }
    void userDidSelectTurnBluetoothOn() override { add("userDidSelectTurnBluetoothOn"); }
    void userDidTurnBluetoothOn() override { add("userDidTurnBluetoothOn"); }
    void showAddNewDeviceView() override { add("showAddNewDeviceView"); }
    void showUpdates() override { add("showUpdates"); }
    void showWifiUnlock() override { add("showWifiUnlock"); }
    void toggleWifiUnlock() override { add("toggleWifiUnlock"); }
    void toggleWifiUnlockOnMainScreen() override { add("toggleWifiUnlockOnMainScreen"); }
    void showMacSleepScreenTutorial() override { add("showMacSleepScreenTutorial"); }
    void updateTrackingDistance(int32_t distance) override {
        add("updateTrackingDistance:", {num(distance)});
    }
    void toggleProximityLock() override { add("toggleProximityLock"); }
    void showAuthRequest() override { add("showAuthRequest"); }
    void showMacSleepScreenOverlay() override { add("showMacSleepScreenOverlay"); }
    void showOpenSpaceInfo() override { add("showOpenSpaceInfo"); }
    void showManualPhotosInfo() override { add("showManualPhotosInfo"); }
    void showManualPhotos() override { add("showManualPhotos"); }
    void showFailedLogins() override { add("showFailedLogins"); }
    void showLoginPhotos() override { add("showLoginPhotos"); }
    void toggleTakePhotoOnFailedLogin() override { add("toggleTakePhotoOnFailedLogin"); }
    void togglePhotoAfterEachLogin() override { add("togglePhotoAfterEachLogin"); }
    void updateSecuritySettingsWithCompletion(std::function<void()> completion) override {
        Call call{"updateSecuritySettingsWithCompletion:",
                  {completion ? "completion" : "none"},
                  nullptr,
                  std::move(completion)};
        calls_.push_back(std::move(call));
    }
    void updateAndSyncData() override { add("updateAndSyncData"); }
    void unlinkDevices() override { add("unlinkDevices"); }
    void showRateOnAppStore() override { add("showRateOnAppStore"); }
    void showConfirmProximityUnlockTutorial() override { add("showConfirmProximityUnlockTutorial"); }
    void updateiOSVersion() override { add("updateiOSVersion"); }
    void toggleStartKestruneOnLogin() override { add("toggleStartKestruneOnLogin"); }
    void showCloseMainWindowTutorial() override { add("showCloseMainWindowTutorial"); }
    void closeMainWindow() override { add("closeMainWindow"); }
    void toggleUpdateKestruneAutomatically() override { add("toggleUpdateKestruneAutomatically"); }
    void toggleAllowLogin() override { add("toggleAllowLogin"); }
    void toggleAllowLogout() override { add("toggleAllowLogout"); }
    void toggleOpenSpaceMode() override { add("toggleOpenSpaceMode"); }
    void updateMacSleepScreenAuth(int32_t method) override {
        add("updateMacSleepScreenAuth:", {num(method)});
    }
    void updateProximityUnlockVerification(int32_t method) override {
        add("updateProximityUnlockVerification:", {num(method)});
    }
    void toggleProximityUnlockVerification() override { add("toggleProximityUnlockVerification"); }
    void addKestruneToAccessilibityToUnlockMac() override { add("addKestruneToAccessilibityToUnlockMac"); }
    void togglePauseMusicOnLogout() override { add("togglePauseMusicOnLogout"); }
    void toggleAllowSmallerDistances() override { add("toggleAllowSmallerDistances"); }
    void toggleWarnUserOnFailedLogin() override { add("toggleWarnUserOnFailedLogin"); }
    void showUnlockHistory() override { add("showUnlockHistory"); }
    void toggleShowMacControlOnMainScreen() override { add("toggleShowMacControlOnMainScreen"); }
    void toggleShowProximityLockOnMainScreen() override { add("toggleShowProximityLockOnMainScreen"); }
    void showTouchIdTutorial() override { add("showTouchIdTutorial"); }
    void showYesNoTutorial() override { add("showYesNoTutorial"); }
    void showKnockKnockTutorial() override { add("showKnockKnockTutorial"); }
    void toggleShowMainView() override { add("toggleShowMainView"); }
    void toggleHelp() override { add("toggleHelp"); }
    void sleepToggled() override { add("sleepToggled"); }
    void temporaryDisabledToggled() override { add("temporaryDisabledToggled"); }
    void userDidToggleCheckForUpdates() override { add("userDidToggleCheckForUpdates"); }
    void clearBluetoothCache() override { add("clearBluetoothCache"); }
    void detectedCorruptedBluetoothCache() override { add("detectedCorruptedBluetoothCache"); }
    void toggleLogoutOnDisconnect() override { add("toggleLogoutOnDisconnect"); }
    void cleanUpAndQuitKestrune() override { add("cleanUpAndQuitKestrune"); }
    void updateLogoutAction(int32_t action) override { add("updateLogoutAction:", {num(action)}); }
    void toggleRescan() override { add("toggleRescan"); }

private:
    static std::string num(int64_t value) { return std::to_string(value); }
    static std::string yes(bool value) { return value ? "YES" : "NO"; }
    static std::string name(const Controller& controller) { return controller ? "controller" : "none"; }
    void add(std::string operation, std::vector<std::string> arguments = {},
             Controller controller = nullptr) {
        calls_.push_back(Call{std::move(operation), std::move(arguments), std::move(controller), nullptr});
    }

    std::vector<Call> calls_;
};

}  // namespace testsupport
