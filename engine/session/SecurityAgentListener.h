#pragma once

#include <memory>
#include <string>

#include "platform/base/NotificationCenter.h"

namespace platform {
class RunningApplication;
}

namespace kestrune {

class SecurityAgentListener;

// What the front-application watch tells the coordinator, in this order when one activation changes
// several facts.
class SecurityAgentListenerDelegate {
public:
    virtual ~SecurityAgentListenerDelegate() = default;
    virtual void securitAgentDidChange(SecurityAgentListener& listener) = 0;
    virtual void kestruneDidChange(SecurityAgentListener& listener) = 0;
    virtual void systemPreferancesDidChange(SecurityAgentListener& listener) = 0;
};

// Follows which application is in front: the system's authorisation dialog, this application, or the
// system settings. The workspace announces each activation; the front application is read 0.3 s later,
// so the three facts lag the screen by that much. When the phone confirms an authorisation, it types
// the phone's stored password into the dialog. Main thread.
class SecurityAgentListener : public std::enable_shared_from_this<SecurityAgentListener> {
public:
    static constexpr const char* kSecurityAgentBundleIdentifier = "com.apple.SecurityAgent";
    static constexpr const char* kSystemPreferencesBundleIdentifier = "com.apple.systempreferences";
    static constexpr const char* kPasswordInsertedNotificationIdentifier =
        "kKestruneLockPasswordInsertedNotification";
    static constexpr double kCheckDelaySeconds = 0.3;
    static constexpr double kReturnDelaySeconds = 0.3;

    // Made on first use; it watches for the whole process.
    static SecurityAgentListener& shared();
    // Tests: drops the shared listener, which stops watching.
    static void resetSharedForTesting();

    bool securityAgentIsActive() const { return securityAgentActive_; }
    bool kestruneIsActive() const { return kestruneActive_; }
    bool systemPreferancesIsActive() const { return systemPreferancesActive_; }
    void setSecurityAgentActive(bool active);
    void setKestruneActive(bool active);
    void setSystemPreferancesActive(bool active);

    // The coordinator keeps the listener and is its delegate.
    std::weak_ptr<SecurityAgentListenerDelegate> delegate;
    const std::shared_ptr<platform::RunningApplication>& runningApplication() const {
        return runningApplication_;
    }

    void wsNotificationHook(const platform::Notification& notification);
    void checkFrontMostApplication();
    // Clears the dialog's focused field, types the password and presses Return 0.3 s after the last
    // unit. Every key, Return included, goes out only while the platform says the dialog is in front
    // (the listener's own fact lags); with no stored password nothing happens at all.
    void authenticateSecurityAgent();

    // Asked of the platform at the moment: the authorisation dialog has the keyboard.
    static bool securityAgentIsFrontmost();

    SecurityAgentListener() = default;

private:
    void init();

    bool securityAgentActive_ = false;
    bool kestruneActive_ = false;
    bool systemPreferancesActive_ = false;
    std::shared_ptr<platform::RunningApplication> runningApplication_;
    platform::NotificationCenter::Observation activation_;
};

}  // namespace kestrune
