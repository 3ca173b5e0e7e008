#include "engine/session/SecurityAgentListener.h"

#include <algorithm>

#include "app/records/MobileDevice.h"
#include "app/shell/PerformBlockAfterDelay.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/session/AutoHideNotificationPresenter.h"
#include "engine/session/KeyboardPressSimulator.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/Bundle.h"
#include "platform/system/ThreadPause.h"
#include "platform/system/WindowServer.h"
#include "platform/system/Workspace.h"

namespace kestrune {

namespace {
platform::SharedInstance<SecurityAgentListener> gListener;
}  // namespace

SecurityAgentListener& SecurityAgentListener::shared() {
    return gListener.get([] { return std::make_shared<SecurityAgentListener>(); },
                         [](SecurityAgentListener& listener) { listener.init(); });
}

void SecurityAgentListener::resetSharedForTesting() {
    gListener.resetForTesting();
}

void SecurityAgentListener::init() {
    std::weak_ptr<SecurityAgentListener> weak = weak_from_this();
    activation_ = platform::Workspace::shared().notificationCenter().addObserver(
        platform::kWorkspaceDidActivateApplicationNotification, nullptr,
        [weak](const platform::Notification& notification) {
            if (auto self = weak.lock()) self->wsNotificationHook(notification);
        });
}

void SecurityAgentListener::wsNotificationHook(const platform::Notification& notification) {
    runningApplication_.reset();
    if (const auto* info = notification.userInfo.dictionary()) {
        auto found = info->find(platform::kWorkspaceApplicationKey);
        if (found != info->end())
            runningApplication_ =
                std::dynamic_pointer_cast<platform::RunningApplication>(found->second.object());
    }
    // Each activation schedules its own check; every check reads the application stored last.
    std::weak_ptr<SecurityAgentListener> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kCheckDelaySeconds, [weak] {
        if (auto self = weak.lock()) self->checkFrontMostApplication();
    });
}

void SecurityAgentListener::checkFrontMostApplication() {
    const std::string identifier = runningApplication_ ? runningApplication_->bundleIdentifier() : "";
    // An application without an identifier is none of the three, even when this build has none either.
    const std::string own = platform::Bundle::main().bundleIdentifier();
    setSecurityAgentActive(identifier == kSecurityAgentBundleIdentifier);
    setKestruneActive(!identifier.empty() && identifier == own);
    setSystemPreferancesActive(identifier == kSystemPreferencesBundleIdentifier);
}

void SecurityAgentListener::setSecurityAgentActive(bool active) {
    if (active == securityAgentActive_) return;
    securityAgentActive_ = active;
    if (auto d = delegate.lock()) d->securitAgentDidChange(*this);
}

void SecurityAgentListener::setKestruneActive(bool active) {
    if (active == kestruneActive_) return;
    kestruneActive_ = active;
    if (auto d = delegate.lock()) d->kestruneDidChange(*this);
}

void SecurityAgentListener::setSystemPreferancesActive(bool active) {
    if (active == systemPreferancesActive_) return;
    systemPreferancesActive_ = active;
    if (auto d = delegate.lock()) d->systemPreferancesDidChange(*this);
}

bool SecurityAgentListener::securityAgentIsFrontmost() {
    auto server = platform::WindowServer::current();
    auto front = server ? server->frontmostApplication() : nullptr;
    return front && front->bundleIdentifier() == kSecurityAgentBundleIdentifier;
}

void SecurityAgentListener::authenticateSecurityAgent() {
    if (!securityAgentIsActive()) return;
    auto& data = DataManager::shared();
    auto phone = data.getTrackingMobileDevice();
    std::string password = phone ? data.passwordClearTextForMobileDevice(phone).value_or("") : "";
    if (password.empty()) {
        // Return alone would submit whatever the dialog holds: with nothing to type, touch nothing.
        platform::logLine("No stored password to type into the authorisation dialog");
        return;
    }
    // The listener's fact lags the screen by 0.3 s: each key asks the platform which application it
    // would reach.
    if (!securityAgentIsFrontmost()) return;
    KeyboardPressSimulator::simulateSelectAll();
    platform::sleepForTimeInterval(0.1);
    if (!securityAgentIsFrontmost()) return;
    KeyboardPressSimulator::simulateDelete();
    platform::sleepForTimeInterval(0.1);

    std::weak_ptr<SecurityAgentListener> weak = weak_from_this();
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
        password, [] { return securityAgentIsFrontmost(); },
        [weak](bool finished, size_t) {
            // A password cut short by the dialog leaving is not submitted.
            if (!finished) return;
            performAfterDelay_block(nullptr, kReturnDelaySeconds, [weak] {
                auto self = weak.lock();
                if (self && self->securityAgentIsActive() && securityAgentIsFrontmost())
                    KeyboardPressSimulator::simulateEnter();
            });
        });
    std::fill(password.begin(), password.end(), '\0');
    AutoHideNotificationPresenter::show(localizable("password_inserted_by_kestrune"),
                                        kPasswordInsertedNotificationIdentifier);
}

}  // namespace kestrune
