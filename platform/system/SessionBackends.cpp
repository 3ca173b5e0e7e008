// The slots of the session's platform services and what answers before a backend is installed: a
// machine with no session, screens, lid, or accounts beyond the one running the process.

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/base/BackendSlot.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/KeyboardEvents.h"
#include "platform/system/PowerManagement.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/SecurityServices.h"
#include "platform/system/SystemCommands.h"
#include "platform/system/SystemFiles.h"
#include "platform/system/ThreadPause.h"
#include "platform/system/UserAccounts.h"
#include "platform/system/WindowServer.h"

namespace platform {

namespace {

class NoKeyboard final : public KeyboardEvents {
public:
    void postKeyEvent(const KeyEvent&) override {}
    std::optional<int64_t> hidIdleTimeNanoseconds() override { return std::nullopt; }
};

class NoWindowServer final : public WindowServer {
public:
    std::optional<Value::Dictionary> copyCurrentSessionDictionary() override { return std::nullopt; }
    std::vector<ScreenDescription> screens() override { return {}; }
    std::optional<ScreenDescription> mainScreen() override { return std::nullopt; }
    bool displayIsBuiltin(uint32_t) override { return false; }
    DisplayPoint mouseLocation() override { return {}; }
    uint64_t addDisplayReconfigurationCallback(ReconfigurationCallback) override { return 0; }
    void removeDisplayReconfigurationCallback(uint64_t) override {}
    bool setDisplayIdleRequest(bool) override { return false; }
    std::vector<WindowDescription> onScreenWindows() override { return {}; }
};

class NoPowerManagement final : public PowerManagement {
public:
    uint64_t registerForSystemPower(MessageHandler) override { return 0; }
    void deregisterForSystemPower(uint64_t) override {}
    void allowPowerChange(uint64_t, intptr_t) override {}
    void cancelPowerChange(uint64_t, intptr_t) override {}
    std::optional<bool> clamshellState() override { return std::nullopt; }
    uint64_t addRootDomainInterest(std::shared_ptr<DispatchQueue>, MessageHandler) override { return 0; }
    void removeRootDomainInterest(uint64_t) override {}
};

class ProcessAccounts final : public UserAccounts {
public:
    std::vector<UserIdentity> localUserIdentities() override {
        std::vector<UserIdentity> identities;
        struct passwd entry {};
        struct passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
            return identities;
        UserIdentity identity;
        identity.posixUID = found->pw_uid;
        identity.posixName = found->pw_name ? found->pw_name : "";
        std::string comment = found->pw_gecos ? found->pw_gecos : "";
        identity.fullName = comment.substr(0, comment.find(','));
        identities.push_back(identity);
        return identities;
    }
    bool authenticate(const std::string&, const std::string&) override { return false; }
};

class NoSecurityServices final : public SecurityServices {
public:
    std::optional<uint64_t> createAuthorization(const std::vector<AuthorizationItem>&) override {
        return std::nullopt;
    }
    int32_t copyRights(uint64_t, const std::vector<AuthorizationItem>&, const std::vector<AuthorizationItem>&,
                       uint32_t) override {
        return kAuthorizationDenied;
    }
    void freeAuthorization(uint64_t) override {}
    bool isProcessTrusted(bool) override { return false; }
    bool setLoginHelperEnabled(const std::string&, bool) override { return false; }
};

class NoDesktopServices final : public DesktopServices {
public:
    bool executeAppleScript(const std::string&) override { return false; }
    bool openURL(const std::string& url) override {
        logf("DesktopServices: nothing here opens %s", url.c_str());
        return false;
    }
    void runModalAlert(const std::string& message, const std::string& informativeText) override {
        logf("DesktopServices: alert \"%s\" (%s)", message.c_str(), informativeText.c_str());
    }
    std::optional<size_t> runModalAlertWithButtons(const std::string& message,
                                                   const std::string& informativeText,
                                                   const std::vector<std::string>&) override {
        logf("DesktopServices: nobody here answers the alert \"%s\" (%s)", message.c_str(),
             informativeText.c_str());
        return std::nullopt;
    }
    bool lockScreenFromMenuExtra(const std::string&) override { return false; }
    std::shared_ptr<LoginItemsList> openSessionLoginItems() override { return nullptr; }
};

}  // namespace

std::shared_ptr<KeyboardEvents> KeyboardEvents::current() {
    return platform::backendSlot<KeyboardEvents>().getOr<NoKeyboard>();
}
void KeyboardEvents::install(std::shared_ptr<KeyboardEvents> backend) {
    platform::backendSlot<KeyboardEvents>().set(std::move(backend));
}

std::shared_ptr<WindowServer> WindowServer::current() {
    return platform::backendSlot<WindowServer>().getOr<NoWindowServer>();
}
void WindowServer::install(std::shared_ptr<WindowServer> backend) {
    platform::backendSlot<WindowServer>().set(std::move(backend));
}

std::shared_ptr<PowerManagement> PowerManagement::current() {
    return platform::backendSlot<PowerManagement>().getOr<NoPowerManagement>();
}
void PowerManagement::install(std::shared_ptr<PowerManagement> backend) {
    platform::backendSlot<PowerManagement>().set(std::move(backend));
}

std::shared_ptr<UserAccounts> UserAccounts::current() {
    return platform::backendSlot<UserAccounts>().getOr<ProcessAccounts>();
}
void UserAccounts::install(std::shared_ptr<UserAccounts> backend) {
    platform::backendSlot<UserAccounts>().set(std::move(backend));
}

std::shared_ptr<SecurityServices> SecurityServices::current() {
    return platform::backendSlot<SecurityServices>().getOr<NoSecurityServices>();
}
void SecurityServices::install(std::shared_ptr<SecurityServices> backend) {
    platform::backendSlot<SecurityServices>().set(std::move(backend));
}

std::shared_ptr<DesktopServices> DesktopServices::current() {
    return platform::backendSlot<DesktopServices>().getOr<NoDesktopServices>();
}
void DesktopServices::install(std::shared_ptr<DesktopServices> backend) {
    platform::backendSlot<DesktopServices>().set(std::move(backend));
}

void SystemCommands::installResponder(std::shared_ptr<Responder> responder) {
    platform::backendSlot<SystemCommands::Responder>().set(std::move(responder));
}

Shell::Result SystemCommands::run(const std::string& path, const std::vector<std::string>& arguments,
                                  const std::string& input) {
    if (auto responder = platform::backendSlot<SystemCommands::Responder>().get()) {
        if (auto answer = responder->respond(path, arguments, input)) return *answer;
    }
    return Shell::run(path, arguments, input);
}

Shell::Result SystemCommands::runShellCommand(const std::string& command, const std::string& input) {
    return run("/bin/sh", {"-c", command}, input);
}

std::optional<Shell::Result> SystemCommands::answerShellCommand(const std::string& command,
                                                                const std::string& input) {
    auto responder = platform::backendSlot<SystemCommands::Responder>().get();
    if (!responder) return std::nullopt;
    return responder->respond("/bin/sh", {"-c", command}, input);
}

void SystemFiles::installLocator(std::shared_ptr<Locator> locator) {
    platform::backendSlot<SystemFiles::Locator>().set(std::move(locator));
}

std::string SystemFiles::pathFor(const std::string& systemPath) {
    if (auto locator = platform::backendSlot<SystemFiles::Locator>().get()) {
        if (auto path = locator->locate(systemPath)) return *path;
    }
    return systemPath;
}

NotificationCenter& DistributedNotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

void DistributedNotificationCenter::postOnMainRunLoop(std::string name, Value userInfo) {
    RunLoop::main().post([name = std::move(name), userInfo = std::move(userInfo)] {
        defaultCenter().post(name, nullptr, userInfo);
    });
}

void sleepForTimeInterval(double seconds) {
    if (!(seconds > 0)) return;
    if (!Clock::isVirtual()) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return;
    }
    // Pauses that overlap move the clock to the latest of their ends, not to the sum of them.
    const double target = Clock::now() + seconds;
    static std::mutex pauseMutex;
    std::lock_guard lock(pauseMutex);
    if (Clock::now() < target) Clock::setVirtualNow(target);
}

}  // namespace platform
