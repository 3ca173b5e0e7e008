#include "engine/evidence/MacDisplayControl.h"

#include <condition_variable>

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/LaptopLidEvidenceSource.h"
#include "engine/evidence/ScreenLockedController.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/SharedInstance.h"
#include "platform/base/ThreadSignalStack.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/Workspace.h"

namespace kestrune {

namespace {

platform::SharedInstance<MacDisplayControl> gSharedMacDisplayControl;

// The desktop's mouse-in-rectangle test for unflipped coordinates: the bottom edge is outside, the top
// edge inside.
bool mouseInRect(const platform::DisplayPoint& p, const platform::DisplayRect& r) {
    return p.x >= r.x && p.x < r.x + r.width && p.y > r.y && p.y <= r.y + r.height;
}

}  // namespace

MacDisplayControl& MacDisplayControl::shared() {
    return gSharedMacDisplayControl.get([] { return std::make_shared<MacDisplayControl>(); },
                       [](MacDisplayControl& monitor) { monitor.init(); });
}

void MacDisplayControl::resetSharedForTesting() {
    // Stopped at once: delayed steps still queued keep the old monitor alive until they have run.
    shared().stopTrackingDisplayChanges();
    gSharedMacDisplayControl.resetForTesting();
}

MacDisplayControl::MacDisplayControl() = default;

MacDisplayControl::~MacDisplayControl() {
    stopTrackingDisplayChanges();
}

void MacDisplayControl::init() {
    lockOnScreenShownScreensaverState_ = lockOnScreenShownOverScreensaver();
    if (ScreenLockedController::screenIsLocked()) lockOnScreenShownNotificationState_ = true;
    setMainScreenID(mainScreenNumber());
}

std::optional<int64_t> MacDisplayControl::mainScreenID() const {
    std::lock_guard lock(mainScreenMutex_);
    return mainScreenID_;
}

void MacDisplayControl::setMainScreenID(std::optional<int64_t> value) {
    std::lock_guard lock(mainScreenMutex_);
    mainScreenID_ = value;
}

// ---- Queries ----

bool MacDisplayControl::ifScreenIsLockedOrScreensaverShown() {
    bool locked = ScreenLockedController::screenIsLocked();
    if (!locked) lockOnScreenShownNotificationState_ = false;
    return locked;
}

bool MacDisplayControl::ifLockOnScreenShown() {
    if (DeviceSpecificConfig::lockOnScreenShownSystemNotificationsWork())
        return lockOnScreenShownNotificationState_;
    return lockOnScreenShownOverScreensaver();
}

bool MacDisplayControl::ifLockOnScreenShownAndDeviceLocked() {
    return ifScreenIsLockedOrScreensaverShown() && ifLockOnScreenShown();
}

bool MacDisplayControl::ifUserLoggedInAndActive() {
    if (ifScreenIsLockedOrScreensaverShown()) return false;
    return !ifLockOnScreenShown();
}

bool MacDisplayControl::lockOnScreenShownOverScreensaver() {
    if (ifAllScreensTurnedOff()) return false;
    if (!ifScreenIsLockedOrScreensaverShown()) return false;
    return !screensaverIsShown_;
}

bool MacDisplayControl::didNotShowLockScreenAfterLocking() const {
    return didLockAtLeastOnce_ && !lockOnScreenShownAtLeastOnce_;
}

bool MacDisplayControl::laptopLidIsDownAndNoExternalMonitor() {
    return LaptopLidEvidenceSource::laptopLidIsClosed() && !hasExternalDisplay();
}

bool MacDisplayControl::hasBuiltInDisplay() {
    auto server = platform::WindowServer::current();
    for (const auto& screen : server->screens())
        if (server->displayIsBuiltin(screen.displayNumber)) return true;
    return false;
}

bool MacDisplayControl::hasExternalDisplay() {
    auto server = platform::WindowServer::current();
    for (const auto& screen : server->screens())
        if (!server->displayIsBuiltin(screen.displayNumber)) return true;
    return false;
}

size_t MacDisplayControl::numberOfScreensAttached() {
    return platform::WindowServer::current()->screens().size();
}

bool MacDisplayControl::hasExternalScreen() {
    return numberOfScreensAttached() > 1;
}

std::optional<platform::ScreenDescription> MacDisplayControl::focusScreen() {
    auto server = platform::WindowServer::current();
    auto mouse = server->mouseLocation();
    for (const auto& screen : server->screens())
        if (mouseInRect(mouse, screen.frame)) return screen;
    return std::nullopt;
}

std::optional<int64_t> MacDisplayControl::focusScreenNumber() {
    return mainNumber(focusScreen());
}

std::optional<int64_t> MacDisplayControl::mainScreenNumber() {
    return mainNumber(platform::WindowServer::current()->mainScreen());
}

std::optional<int64_t> MacDisplayControl::mainNumber(
    const std::optional<platform::ScreenDescription>& screen) {
    if (!screen) return std::nullopt;
    return static_cast<int64_t>(screen->displayNumber);
}

// ---- Commands ----

void MacDisplayControl::resetDidShowLockOnScreenAfterLogout() {
    didLockAtLeastOnce_ = true;
    lockOnScreenShownAtLeastOnce_ = false;
}

void MacDisplayControl::setMacIsCurrentlySleeping() {
    macIsCurrentlySleeping_ = true;
}

void MacDisplayControl::setMacIsCurrentlyNotSleeping() {
    macIsCurrentlySleeping_ = false;
}

void MacDisplayControl::startTrackingDisplayChanges() {
    if (tracking_.exchange(true)) return;
    externalMonitorPluggedIn_ = hasExternalDisplay();

    auto& distributed = platform::DistributedNotificationCenter::defaultCenter();
    auto observe = [this](platform::NotificationCenter& center, const char* name,
                          void (MacDisplayControl::*handler)()) {
        center.addObserver(this, name, nullptr,
                           [this, handler](const platform::Notification&) { (this->*handler)(); });
    };
    observe(distributed, "com.apple.screenLockUIIsShown", &MacDisplayControl::lockUIIsShown);
    observe(distributed, "com.apple.screenLockUIIsHidden", &MacDisplayControl::lockUIIsHidden);
    observe(distributed, "com.apple.screenIsLocked", &MacDisplayControl::screenHasLocked);
    observe(distributed, "com.apple.screenIsUnlocked", &MacDisplayControl::screenHasUnlocked);
    observe(distributed, "com.apple.screensaver.didlaunch", &MacDisplayControl::screenSaverLaunched);
    observe(distributed, "com.apple.screensaver.didstart", &MacDisplayControl::screenSaverStarted);
    observe(distributed, "com.apple.screensaver.didstop", &MacDisplayControl::screenSaverStoped);
    observe(distributed, "com.apple.BezelServices.BMDisplayHWReconfiguredEvent",
            &MacDisplayControl::screenNumberChanged);

    auto& workspace = platform::Workspace::shared().notificationCenter();
    auto handle = [this](void (MacDisplayControl::*handler)()) {
        return [this, handler](const platform::Notification&) { (this->*handler)(); };
    };
    workspaceObservations_.push_back(workspace.addObserver(platform::kWorkspaceScreensDidSleepNotification,
                                                           nullptr,
                                                           handle(&MacDisplayControl::screenTurnedOff)));
    workspaceObservations_.push_back(workspace.addObserver(
        platform::kWorkspaceScreensDidWakeNotification, nullptr, handle(&MacDisplayControl::screenTurnedOn)));
    workspaceObservations_.push_back(
        workspace.addObserver(platform::kApplicationDidChangeScreenParametersNotification, nullptr,
                              handle(&MacDisplayControl::screenNumberChanged)));

    auto& center = platform::NotificationCenter::defaultCenter();
    observe(center, "applicationWillSleepNotification", &MacDisplayControl::setMacIsCurrentlySleeping);
    observe(center, "applicationDidWakeUpNotification", &MacDisplayControl::setMacIsCurrentlyNotSleeping);
    // The application posts its screen-parameter changes on the default centre, not the workspace's.
    observe(center, platform::kApplicationDidChangeScreenParametersNotification,
            &MacDisplayControl::screenNumberChanged);

    startMonitoringExternalDisplays();
}

void MacDisplayControl::startMonitoringExternalDisplays() {
    {
        std::lock_guard lock(displayStopMutex_);
        displayStopDone_ = false;
    }
    // A thread of its own, so that stopping can end its run loop and join it.
    std::mutex readyMutex;
    std::condition_variable readySignal;
    bool ready = false;
    std::weak_ptr<MacDisplayControl> weak = weak_from_this();
    displayThread_ = platform::startThread([&, weak] {
        auto& loop = platform::RunLoop::current();
        // The callback never waits for the main thread: it queues the change there, once per call.
        uint64_t registration =
            platform::WindowServer::current()->addDisplayReconfigurationCallback([weak](uint32_t, uint32_t) {
                runOnMainQueueAsync([weak] {
                    if (auto self = weak.lock()) self->screenNumberChanged();
                });
            });
        {
            std::lock_guard lock(readyMutex);
            displayLoop_ = &loop;
            reconfigurationRegistration_ = registration;
            ready = true;
            // Signalled under the lock: the starter's locals live until it has the lock again.
            readySignal.notify_all();
        }
        loop.run();
        // The thread's run loop ends with the thread: wait until the stopper has left it.
        std::unique_lock lock(displayStopMutex_);
        displayStopSignal_.wait(lock, [this] { return displayStopDone_; });
    });
    std::unique_lock lock(readyMutex);
    readySignal.wait(lock, [&] { return ready; });
}

void MacDisplayControl::stopTrackingDisplayChanges() {
    if (!tracking_.exchange(false)) return;
    platform::DistributedNotificationCenter::defaultCenter().removeObserver(this);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    workspaceObservations_.clear();
    if (reconfigurationRegistration_)
        platform::WindowServer::current()->removeDisplayReconfigurationCallback(reconfigurationRegistration_);
    reconfigurationRegistration_ = 0;
    if (displayLoop_) displayLoop_->stop();
    {
        std::lock_guard lock(displayStopMutex_);
        displayStopDone_ = true;
        displayStopSignal_.notify_all();
    }
    if (displayThread_.joinable()) displayThread_.join();
    displayLoop_ = nullptr;
}

// ---- Handlers ----

void MacDisplayControl::post(const char* name) {
    platform::NotificationCenter::defaultCenter().post(name, this);
}

void MacDisplayControl::schedule(double delay, void (MacDisplayControl::*step)()) {
    auto self = shared_from_this();
    platform::RunLoop::main().performAfterDelay(delay, [self, step] { ((*self).*step)(); });
}

void MacDisplayControl::lockUIIsShown() {
    lockOnScreenShownAtLeastOnce_ = true;
    lockOnScreenShownNotificationState_ = true;
    allScreensTurnedOff_ = false;
    schedule(0.1, &MacDisplayControl::lockUIIsShownAfterDelay);
}

void MacDisplayControl::lockUIIsShownAfterDelay() {
    runOnMainThreadSync([this] {
        post(kLockOnScreenShownNotification);
        checkIfDeviceLockedAndLockOnScreenShown();
    });
}

void MacDisplayControl::lockUIIsHidden() {
    lockOnScreenShownNotificationState_ = false;
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::lockUIIsHiddenAfterDelay); });
}

void MacDisplayControl::lockUIIsHiddenAfterDelay() {
    post(kLockOnScreenHiddenNotification);
    checkIfUserLoggedInAndActive();
}

void MacDisplayControl::screenHasLocked() {
    runOnMainThreadSync([this] { schedule(0.05, &MacDisplayControl::screenHasLockedAfterDelay); });
}

void MacDisplayControl::screenHasLockedAfterDelay() {
    post(kScreenHasLockedNotification);
    checkIfDeviceLockedAndLockOnScreenShown();
    checkIfMainScreenChanged();
    checkLockOnScreenShownOverScreensaver();
}

void MacDisplayControl::screenHasUnlocked() {
    runOnMainThreadSync([this] { schedule(0.05, &MacDisplayControl::screenHasUnlockedAfterDelay); });
}

void MacDisplayControl::screenHasUnlockedAfterDelay() {
    post(kScreenHasUnlockedNotification);
    checkIfUserLoggedInAndActive();
    checkLockOnScreenShownOverScreensaver();
}

void MacDisplayControl::screenSaverLaunched() {
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::screenSaverLaunchedAfterDelay); });
}

void MacDisplayControl::screenSaverLaunchedAfterDelay() {
    post(kScreenHasLaunchedNotification);
    checkLockOnScreenShownOverScreensaver();
}

void MacDisplayControl::screenSaverStarted() {
    screensaverIsShown_ = true;
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::screenSaverStartedAfterDelay); });
}

void MacDisplayControl::screenSaverStartedAfterDelay() {
    post(kScreenHasStartedNotification);
    checkIfMainScreenChanged();
    checkLockOnScreenShownOverScreensaver();
}

void MacDisplayControl::screenSaverStoped() {
    screensaverIsShown_ = false;
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::screenSaverStopedAfterDelay); });
}

void MacDisplayControl::screenSaverStopedAfterDelay() {
    // The stop is announced under the start's name.
    post(kScreenHasStartedNotification);
    checkIfUserLoggedInAndActive();
    checkLockOnScreenShownOverScreensaver();
}

void MacDisplayControl::screenTurnedOff() {
    allScreensTurnedOff_ = true;
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::screenTurnedOffAfterDelay); });
}

void MacDisplayControl::screenTurnedOffAfterDelay() {
    post(kScreenTurnedOffNotification);
}

void MacDisplayControl::screenTurnedOn() {
    allScreensTurnedOff_ = false;
    runOnMainThreadSync([this] { schedule(0.1, &MacDisplayControl::screenTurnedOnAfterDelay); });
}

void MacDisplayControl::screenTurnedOnAfterDelay() {
    post(kScreenTurnedOnNotification);
    checkIfUserLoggedInAndActive();
    checkIfDeviceLockedAndLockOnScreenShown();
}

void MacDisplayControl::screenNumberChanged() {
    bool external = hasExternalDisplay();
    if (externalMonitorPluggedIn_.exchange(external) != external) post(kExternalMonitorPluggedInOrOut);
    checkIfMainScreenChanged();
}

// ---- Checks ----

void MacDisplayControl::checkIfUserLoggedInAndActive() {
    if (ifUserLoggedInAndActive()) post(kUserLoggedInAndActiveNotification);
}

void MacDisplayControl::checkIfDeviceLockedAndLockOnScreenShown() {
    if (ifLockOnScreenShownAndDeviceLocked()) {
        platform::logf("NOTIFICATION - locked and lock shown");
        post(kDeviceLockedAndLockOnScreenShownNotification);
    }
}

void MacDisplayControl::checkLockOnScreenShownOverScreensaver() {
    bool shown = lockOnScreenShownOverScreensaver();
    if (shown == lockOnScreenShownScreensaverState_) return;
    lockOnScreenShownScreensaverState_ = shown;
    checkIfDeviceLockedAndLockOnScreenShown();
}

void MacDisplayControl::checkIfMainScreenChanged() {
    auto current = mainScreenNumber();
    auto known = mainScreenID();
    // Compared by integer value: no screen counts as 0.
    if (current.value_or(0) == known.value_or(0)) return;
    setMainScreenID(current);
    post(kMainScreenHasChanged);
}

}  // namespace kestrune
