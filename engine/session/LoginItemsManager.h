#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "platform/system/DesktopServices.h"

namespace platform {
class DispatchQueue;
}

namespace kestrune {

// Keeps the application among the user's login items: adds it once on the very first run, toggles it
// on request, re-points its entry at the current bundle, and follows changes the user makes, posting
// "ApplicationLoginItemsAdded" or "ApplicationLoginItemsRemoved" (the manager as sender) on the main
// thread. Login-item work runs in order on a serial queue of its own, so that two toggles never race
// over the same list.
class LoginItemsManager : public std::enable_shared_from_this<LoginItemsManager> {
public:
    static constexpr const char* kApplicationLoginItemsAdded = "ApplicationLoginItemsAdded";
    static constexpr const char* kApplicationLoginItemsRemoved = "ApplicationLoginItemsRemoved";
    static constexpr const char* kLoginItemsAddedDefaultsKey = "ApplicationLoginItemsAdded";

    static LoginItemsManager& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<LoginItemsManager> make();
    LoginItemsManager();
    ~LoginItemsManager();

    bool lastKnownIsLauncOnStartup() const { return lastKnownIsLauncOnStartup_; }

    void setup();
    bool isLaunchAtStartup();
    void toggleLaunchAtStartup();
    // The completion runs on the main thread: YES 0.2 s after the change, NO at once when there is no
    // login-items list.
    void toggleLaunchAtStartupWithCompletion(std::function<void(bool)> completion);
    void addAppToLoginItems();
    void removeAppFromLoginItems();
    void refreshLaunchAtStartup();
    void setLaunchOnStartupOnVeryFirstLaunch();
    void startTrackingLoginItems();
    void stopTrackingLoginItems();
    void loginItemsChanged();
    void didAddAppToLoginItems(bool added);
    void updateLastKnownState();

    // The application's entry in the list, when it is there.
    static std::optional<platform::LoginItem> itemRefInLoginItems(
        const std::shared_ptr<platform::LoginItemsList>& list);

private:
    void onQueue(std::function<void(LoginItemsManager&)> work);

    std::atomic<bool> lastKnownIsLauncOnStartup_{false};
    std::shared_ptr<platform::DispatchQueue> queue_;
    // The list the change observer was added on, kept so that stopping removes it from the same list.
    std::shared_ptr<platform::LoginItemsList> trackedList_;
    uint64_t trackedObserver_ = 0;
};

}  // namespace kestrune
