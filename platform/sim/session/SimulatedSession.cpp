#include "platform/sim/session/SimulatedSession.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/SecurityServices.h"
#include "platform/system/SystemVersion.h"
#include "platform/system/Workspace.h"

namespace platform {

namespace {

constexpr uint16_t kKeyA = 0;
constexpr uint16_t kKeyQ = 12;
constexpr uint16_t kKeyReturn = 36;
constexpr uint16_t kKeyDelete = 51;
constexpr uint16_t kKeyEnter = 52;
constexpr uint16_t kKeyEscape = 53;
constexpr uint32_t kBeginConfigurationFlag = 1;
constexpr uint32_t kAddFlag = 0x10;
constexpr uint32_t kRemoveFlag = 0x20;

bool systemBelowTenThirteen() {
    auto v = SystemVersion::currentParts();
    return v.major < 10 || (v.major == 10 && v.minor < 13);
}

bool systemIsTenThirteen() {
    auto v = SystemVersion::currentParts();
    return v.major == 10 && v.minor == 13;
}

Shell::Result answered(std::string output, int status = 0, std::string errorOutput = {}) {
    Shell::Result result;
    result.launched = true;
    result.exitStatus = status;
    result.output = std::move(output);
    result.errorOutput = std::move(errorOutput);
    return result;
}

}  // namespace

struct SimulatedSession::Callback {
    uint64_t id = 0;
    RunLoop* loop = nullptr;
    ReconfigurationCallback function;
    std::mutex mutex;
    std::condition_variable signal;
    bool cancelled = false;
};

struct SimulatedSession::Announcements {
    std::vector<Closure> onMain;     // posted to the main run loop, in order
    std::vector<Closure> elsewhere;  // handed to other queues once the lock is released

    void distributed(const char* name) {
        onMain.push_back([n = std::string(name)] { DistributedNotificationCenter::defaultCenter().post(n); });
    }
    void workspace(const char* name) {
        onMain.push_back([n = std::string(name)] { Workspace::shared().notificationCenter().post(n); });
    }
};

std::shared_ptr<SimulatedSession> SimulatedSession::create(const std::string& folder) {
    auto session = std::shared_ptr<SimulatedSession>(new SimulatedSession(folder));
    session->desktop_ = std::make_shared<SimulatedDesktop>(session);
    // The system keeps its account-policy log from the start; watchers expect to find it.
    // Made as every other file of ours: never through a link, only as a regular file, private.
    Files::createDirectories(folder, 0700);
    Files::appendToFile(session->accountPolicyLogPath(), Data(), 0600);
    // And its Bluetooth cache, which the system writes again at start when it was removed.
    if (!Files::exists(session->bluetoothCacheFilePath()))
        session->setBluetoothCacheSize(kDefaultBluetoothCacheSize);
    return session;
}

SimulatedSession::SimulatedSession(std::string folder) : folder_(std::move(folder)) {
    Account me;
    me.uid = static_cast<uint32_t>(getuid());
    me.name = ProcessInfo::shared().userName();
    me.fullName = me.name;
    me.password = "password";
    accounts_.push_back(me);
    consoleUser_ = me.name;
    displays_.push_back(Display{1, true, DisplayRect{0, 0, 1440, 900}});
    mouse_ = DisplayPoint{720, 450};
    lastInput_ = Clock::now();
    windows_.push_back(WindowDescription{"Window Server", 100, "Menubar", DisplayRect{0, 0, 1440, 22}});
    windows_.push_back(WindowDescription{"Finder", 200, "", DisplayRect{0, 0, 1440, 900}});
}

SimulatedSession::~SimulatedSession() = default;

void SimulatedSession::install() {
    auto self = shared_from_this();
    KeyboardEvents::install(self);
    WindowServer::install(self);
    PowerManagement::install(self);
    UserAccounts::install(self);
    SystemCommands::installResponder(self);
    SystemFiles::installLocator(self);
    SecurityServices::install(desktop_);
    DesktopServices::install(desktop_);
}

void SimulatedSession::uninstall() {
    KeyboardEvents::install(nullptr);
    WindowServer::install(nullptr);
    PowerManagement::install(nullptr);
    UserAccounts::install(nullptr);
    SystemCommands::installResponder(nullptr);
    SystemFiles::installLocator(nullptr);
    SecurityServices::install(nullptr);
    DesktopServices::install(nullptr);
}

void SimulatedSession::send(Announcements& out) {
    for (auto& closure : out.onMain) RunLoop::main().post(std::move(closure));
    for (auto& closure : out.elsewhere) closure();
}

// ---- Accounts ----

void SimulatedSession::setAccounts(std::vector<Account> accounts) {
    std::lock_guard lock(mutex_);
    accounts_ = std::move(accounts);
}

void SimulatedSession::addAccount(Account account) {
    std::lock_guard lock(mutex_);
    std::erase_if(accounts_, [&](const Account& a) { return a.name == account.name; });
    accounts_.push_back(std::move(account));
}

std::vector<SimulatedSession::Account> SimulatedSession::accounts() const {
    std::lock_guard lock(mutex_);
    return accounts_;
}

void SimulatedSession::setConsoleUser(const std::string& name) {
    std::lock_guard lock(mutex_);
    consoleUser_ = name;
}

std::string SimulatedSession::consoleUser() const {
    std::lock_guard lock(mutex_);
    return consoleUser_;
}

std::vector<UserIdentity> SimulatedSession::localUserIdentities() {
    std::lock_guard lock(mutex_);
    std::vector<UserIdentity> identities;
    for (const auto& a : accounts_)
        identities.push_back(UserIdentity{a.uid, a.name, a.fullName, a.enabled, a.picturePath});
    return identities;
}

bool SimulatedSession::authenticate(const std::string& posixName, const std::string& password) {
    std::lock_guard lock(mutex_);
    for (const auto& a : accounts_)
        if (a.name == posixName) return a.enabled && a.password == password;
    return false;
}

// ---- Lock state ----

void SimulatedSession::lock() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        lockLocked(out);
    }
    send(out);
}

void SimulatedSession::lockLocked(Announcements& out) {
    if (faults_.lockScreenWithoutLockedSession) {
        if (!lockScreenShown_ && !displaysAsleep_) {
            lockScreenShown_ = true;
            out.distributed("com.apple.screenLockUIIsShown");
        }
        return;
    }
    if (!locked_) {
        locked_ = true;
        out.distributed("com.apple.screenIsLocked");
    }
    updateLockScreenLocked(out);
}

void SimulatedSession::unlockLocked(Announcements& out) {
    if (lockScreenShown_) {
        lockScreenShown_ = false;
        out.distributed("com.apple.screenLockUIIsHidden");
    }
    if (locked_) {
        locked_ = false;
        out.distributed("com.apple.screenIsUnlocked");
    }
    passwordField_.clear();
    selectAllPending_ = false;
}

void SimulatedSession::updateLockScreenLocked(Announcements& out) {
    if (locked_ && !lockScreenShown_ && !displaysAsleep_ && !screensaverRunning_ && !systemAsleep_) {
        lockScreenShown_ = true;
        passwordField_.clear();
        out.distributed("com.apple.screenLockUIIsShown");
    }
}

bool SimulatedSession::isLocked() const {
    std::lock_guard lock(mutex_);
    return locked_;
}

bool SimulatedSession::isLockScreenShown() const {
    std::lock_guard lock(mutex_);
    return lockScreenShown_;
}

std::u16string SimulatedSession::passwordField() const {
    std::lock_guard lock(mutex_);
    return passwordField_;
}

std::string SimulatedSession::accountPolicyLogPath() const {
    return folder_ + "/accountpolicy.log";
}

std::optional<std::string> SimulatedSession::locate(const std::string& systemPath) {
    if (systemPath == "/var/log/accountpolicy.log") return accountPolicyLogPath();
    if (systemPath == kBluetoothCachePath) return bluetoothCacheFilePath();
    return std::nullopt;
}

void SimulatedSession::appendFailedLoginLocked(const std::string& user) {
    Files::createDirectories(folder_, 0700);
    time_t seconds = static_cast<time_t>(Clock::now());
    struct tm parts {};
    gmtime_r(&seconds, &parts);
    char stamp[64];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    std::string line =
        format("%s opendirectoryd: Failed to authenticate user <%s> (error: 5000).\n", stamp, user.c_str());
    // One write of the whole line, so that a reader never sees half of it; the reason of a failure is
    // logged by the append.
    if (!Files::appendToFile(accountPolicyLogPath(), Data::fromString(line), 0600))
        logf("SimulatedSession: the failed login of %s is not in %s", user.c_str(),
             accountPolicyLogPath().c_str());
}

// ---- Screensaver ----

void SimulatedSession::setScreensaverAskForPassword(std::optional<int> value) {
    std::lock_guard lock(mutex_);
    askForPassword_ = value;
}

void SimulatedSession::setScreensaverAskForPasswordDelay(std::optional<int> seconds) {
    std::lock_guard lock(mutex_);
    askForPasswordDelay_ = seconds;
}

bool SimulatedSession::passwordRequiredAtOnceLocked() const {
    return askForPassword_.value_or(0) == 1 && askForPasswordDelay_.value_or(0) == 0;
}

void SimulatedSession::startScreensaver() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        startScreensaverLocked(out);
    }
    send(out);
}

void SimulatedSession::startScreensaverLocked(Announcements& out) {
    if (screensaverRunning_) return;
    screensaverRunning_ = true;
    out.distributed("com.apple.screensaver.didlaunch");
    out.distributed("com.apple.screensaver.didstart");
    if (passwordRequiredAtOnceLocked()) lockLocked(out);
}

void SimulatedSession::stopScreensaver() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        stopScreensaverLocked(out);
    }
    send(out);
}

void SimulatedSession::stopScreensaverLocked(Announcements& out) {
    if (!screensaverRunning_) return;
    screensaverRunning_ = false;
    out.distributed("com.apple.screensaver.didstop");
    updateLockScreenLocked(out);
}

bool SimulatedSession::isScreensaverRunning() const {
    std::lock_guard lock(mutex_);
    return screensaverRunning_;
}

// ---- Displays ----

void SimulatedSession::setDisplays(std::vector<Display> displays, size_t mainIndex) {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        std::vector<std::pair<uint32_t, uint32_t>> changes{{0, kBeginConfigurationFlag}};
        for (const auto& d : displays) {
            bool known = std::any_of(displays_.begin(), displays_.end(),
                                     [&](const Display& o) { return o.number == d.number; });
            if (!known) changes.emplace_back(d.number, kAddFlag);
        }
        for (const auto& o : displays_) {
            bool kept = std::any_of(displays.begin(), displays.end(),
                                    [&](const Display& d) { return o.number == d.number; });
            if (!kept) changes.emplace_back(o.number, kRemoveFlag);
        }
        while (changes.size() < static_cast<size_t>(kReconfigurationCallsPerChange))
            changes.emplace_back(displays.empty() ? 0 : displays.front().number, 0);
        displays_ = std::move(displays);
        mainIndex_ = mainIndex < displays_.size() ? mainIndex : 0;

        // Each callback runs on the run loop of the thread that registered it; the delivery waits for it
        // on a background worker, so that the main loop counts it as work in flight.
        auto callbacks = callbacks_;
        if (!callbacks.empty()) {
            out.elsewhere.push_back([callbacks, changes] {
                DispatchQueue::global().async([callbacks, changes] {
                    for (const auto& callback : callbacks) {
                        // Plain names rather than structured bindings: the lambda below captures them.
                        for (const auto& change : changes) {
                            const auto display = change.first;
                            const auto flags = change.second;
                            auto done = std::make_shared<bool>(false);
                            std::unique_lock lock(callback->mutex);
                            // Checked and posted under the callback's lock: once its removal has
                            // returned, its thread (and run loop) may end, and nothing reaches it.
                            if (callback->cancelled) break;
                            callback->loop->post([callback, done, display, flags] {
                                bool run;
                                {
                                    std::lock_guard lock(callback->mutex);
                                    run = !callback->cancelled;
                                }
                                if (run) callback->function(display, flags);
                                std::lock_guard lock(callback->mutex);
                                *done = true;
                                callback->signal.notify_all();
                            });
                            callback->signal.wait(lock, [&] { return *done || callback->cancelled; });
                        }
                    }
                });
            });
        }
        out.distributed("com.apple.BezelServices.BMDisplayHWReconfiguredEvent");
        out.onMain.push_back([] {
            NotificationCenter::defaultCenter().post(kApplicationDidChangeScreenParametersNotification);
        });
    }
    send(out);
}

std::vector<SimulatedSession::Display> SimulatedSession::displays() const {
    std::lock_guard lock(mutex_);
    return displays_;
}

void SimulatedSession::setMouseLocation(DisplayPoint point) {
    std::lock_guard lock(mutex_);
    mouse_ = point;
    lastInput_ = Clock::now();
}

void SimulatedSession::sleepDisplays() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        sleepDisplaysLocked(out);
    }
    send(out);
}

void SimulatedSession::sleepDisplaysLocked(Announcements& out) {
    if (displaysAsleep_) return;
    displaysAsleep_ = true;
    out.workspace(kWorkspaceScreensDidSleepNotification);
}

void SimulatedSession::wakeDisplays() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        wakeDisplaysLocked(out);
    }
    send(out);
}

void SimulatedSession::wakeDisplaysLocked(Announcements& out) {
    if (!displaysAsleep_ || systemAsleep_) return;
    displaysAsleep_ = false;
    out.workspace(kWorkspaceScreensDidWakeNotification);
    updateLockScreenLocked(out);
}

bool SimulatedSession::displaysAsleep() const {
    std::lock_guard lock(mutex_);
    return displaysAsleep_;
}

bool SimulatedSession::hasExternalDisplayLocked() const {
    return std::any_of(displays_.begin(), displays_.end(), [](const Display& d) { return !d.builtin; });
}

std::optional<Value::Dictionary> SimulatedSession::copyCurrentSessionDictionary() {
    std::lock_guard lock(mutex_);
    if (faults_.noSessionDictionary) return std::nullopt;
    Value::Dictionary session;
    uint32_t uid = 0;
    for (const auto& a : accounts_)
        if (a.name == consoleUser_) uid = a.uid;
    session["kCGSSessionUserNameKey"] = consoleUser_;
    session["kCGSSessionUserIDKey"] = Value(uid);
    session["kCGSSessionOnConsoleKey"] = true;
    session["kCGSessionLoginDoneKey"] = true;
    if (locked_) session["CGSSessionScreenIsLocked"] = true;
    return session;
}

std::vector<ScreenDescription> SimulatedSession::screens() {
    std::lock_guard lock(mutex_);
    std::vector<ScreenDescription> out;
    for (const auto& d : displays_) out.push_back(ScreenDescription{d.number, d.frame});
    return out;
}

std::optional<ScreenDescription> SimulatedSession::mainScreen() {
    std::lock_guard lock(mutex_);
    if (displays_.empty()) return std::nullopt;
    const auto& d = displays_[mainIndex_];
    return ScreenDescription{d.number, d.frame};
}

bool SimulatedSession::displayIsBuiltin(uint32_t displayNumber) {
    std::lock_guard lock(mutex_);
    for (const auto& d : displays_)
        if (d.number == displayNumber) return d.builtin;
    return false;
}

DisplayPoint SimulatedSession::mouseLocation() {
    std::lock_guard lock(mutex_);
    return mouse_;
}

uint64_t SimulatedSession::addDisplayReconfigurationCallback(ReconfigurationCallback callback) {
    if (!callback) return 0;
    auto entry = std::make_shared<Callback>();
    entry->loop = &RunLoop::current();
    entry->function = std::move(callback);
    std::lock_guard lock(mutex_);
    entry->id = nextId_++;
    callbacks_.push_back(entry);
    return entry->id;
}

void SimulatedSession::removeDisplayReconfigurationCallback(uint64_t registration) {
    std::shared_ptr<Callback> removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(callbacks_.begin(), callbacks_.end(),
                               [&](const auto& c) { return c->id == registration; });
        if (it == callbacks_.end()) return;
        removed = *it;
        callbacks_.erase(it);
    }
    std::lock_guard lock(removed->mutex);
    removed->cancelled = true;
    removed->signal.notify_all();
}

bool SimulatedSession::setDisplayIdleRequest(bool idle) {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (faults_.noDisplayIdleEntry) return false;
        if (idle)
            sleepDisplaysLocked(out);
        else
            wakeDisplaysLocked(out);
    }
    send(out);
    return true;
}

std::vector<WindowDescription> SimulatedSession::onScreenWindows() {
    std::lock_guard lock(mutex_);
    return windows_;
}

// ---- Lid, power, input ----

void SimulatedSession::closeLid() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (lidClosed_ == true) return;
        lidClosed_ = true;
        lidChangedLocked(out, true);
    }
    send(out);
}

void SimulatedSession::openLid() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (lidClosed_ == false) return;
        lidClosed_ = false;
        lidChangedLocked(out, false);
    }
    send(out);
}

void SimulatedSession::lidChangedLocked(Announcements& out, bool closed) {
    for (const auto& interest : interests_) {
        out.elsewhere.push_back([queue = interest.queue, handler = interest.handler] {
            queue->async([handler] { handler(kMessageClamshellStateChange, 0); });
        });
    }
    if (closed && !hasExternalDisplayLocked())
        sleepDisplaysLocked(out);
    else if (!closed)
        wakeDisplaysLocked(out);
}

std::optional<bool> SimulatedSession::clamshellState() {
    std::lock_guard lock(mutex_);
    if (faults_.noClamshell) return std::nullopt;
    return lidClosed_;
}

uint64_t SimulatedSession::addRootDomainInterest(std::shared_ptr<DispatchQueue> queue,
                                                 MessageHandler handler) {
    if (!queue || !handler) return 0;
    std::lock_guard lock(mutex_);
    uint64_t id = nextId_++;
    interests_.push_back(Interest{id, std::move(queue), std::move(handler)});
    return id;
}

void SimulatedSession::removeRootDomainInterest(uint64_t interest) {
    std::vector<Interest> removed;  // released outside the lock
    std::lock_guard lock(mutex_);
    for (auto it = interests_.begin(); it != interests_.end();) {
        if (it->id == interest) {
            removed.push_back(std::move(*it));
            it = interests_.erase(it);
        } else {
            ++it;
        }
    }
}

uint64_t SimulatedSession::registerForSystemPower(MessageHandler handler) {
    if (!handler) return 0;
    std::lock_guard lock(mutex_);
    uint64_t id = nextId_++;
    powerClients_.push_back(PowerClient{id, std::move(handler)});
    return id;
}

void SimulatedSession::deregisterForSystemPower(uint64_t registration) {
    std::lock_guard lock(mutex_);
    std::erase_if(powerClients_, [&](const PowerClient& c) { return c.id == registration; });
}

void SimulatedSession::allowPowerChange(uint64_t, intptr_t) {}

void SimulatedSession::cancelPowerChange(uint64_t, intptr_t argument) {
    std::lock_guard lock(mutex_);
    cancelledArguments_.push_back(argument);
}

void SimulatedSession::sendPowerMessageLocked(Announcements& out, uint32_t type, intptr_t argument) {
    for (const auto& client : powerClients_)
        out.onMain.push_back([handler = client.handler, type, argument] { handler(type, argument); });
}

void SimulatedSession::requestIdleSleep() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (systemAsleep_) return;
        intptr_t argument = nextPowerArgument_++;
        sendPowerMessageLocked(out, kMessageCanSystemSleep, argument);
        // Runs after every client has answered: a cancelled idle sleep does not happen.
        out.onMain.push_back([weak = weak_from_this(), argument] {
            auto self = weak.lock();
            if (!self) return;
            bool refused;
            {
                std::lock_guard lock(self->mutex_);
                refused = std::find(self->cancelledArguments_.begin(), self->cancelledArguments_.end(),
                                    argument) != self->cancelledArguments_.end();
                if (refused) ++self->idleSleepRefusals_;
            }
            if (!refused) self->sleepSystem();
        });
    }
    send(out);
}

int SimulatedSession::idleSleepRefusals() const {
    std::lock_guard lock(mutex_);
    return idleSleepRefusals_;
}

void SimulatedSession::sleepSystem() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (systemAsleep_) return;
        // A forced sleep cannot be cancelled: the clients are told, and the system sleeps.
        sendPowerMessageLocked(out, kMessageSystemWillSleep, nextPowerArgument_++);
        systemAsleep_ = true;
        sleepDisplaysLocked(out);
    }
    send(out);
}

void SimulatedSession::wakeSystem() {
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        if (!systemAsleep_) return;
        sendPowerMessageLocked(out, kMessageSystemWillPowerOn, nextPowerArgument_++);
        sendPowerMessageLocked(out, kMessageSystemHasPoweredOn, nextPowerArgument_++);
        systemAsleep_ = false;
        lastInput_ = Clock::now();
        if (!(lidClosed_ == true && !hasExternalDisplayLocked())) wakeDisplaysLocked(out);
    }
    send(out);
}

bool SimulatedSession::isSystemAsleep() const {
    std::lock_guard lock(mutex_);
    return systemAsleep_;
}

void SimulatedSession::userInput() {
    std::lock_guard lock(mutex_);
    lastInput_ = Clock::now();
}

std::optional<int64_t> SimulatedSession::hidIdleTimeNanoseconds() {
    std::lock_guard lock(mutex_);
    if (faults_.noIdleTime) return std::nullopt;
    double seconds = std::max(0.0, Clock::now() - lastInput_);
    return static_cast<int64_t>(std::llround(seconds * 1e9));
}

// ---- Applications and windows ----

void SimulatedSession::setFrontApplication(const std::string& name) {
    static const std::pair<const char*, const char*> kKnown[] = {
        {"Finder", "com.apple.finder"},
        {"SecurityAgent", "com.apple.SecurityAgent"},
        {"System Preferences", "com.apple.systempreferences"},
    };
    std::string identifier;
    for (const auto& [known, knownIdentifier] : kKnown)
        if (name == known) identifier = knownIdentifier;
    setFrontApplication(name, identifier);
}

void SimulatedSession::setFrontApplication(const std::string& name, const std::string& bundleIdentifier) {
    // Our own identifier names this application, which the desktop only announces: it activates itself.
    const std::string own = Bundle::main().bundleIdentifier();
    bringToFront(name, bundleIdentifier, !bundleIdentifier.empty() && bundleIdentifier == own);
}

void SimulatedSession::bringToFront(const std::string& name, const std::string& bundleIdentifier,
                                    bool thisApplication) {
    uint64_t change = 0;
    {
        std::lock_guard lock(mutex_);
        if (frontApplication_ == name && frontApplicationIdentifier_ == bundleIdentifier) return;
        if (thisApplication && !frontIsThisApplication_)
            frontBeforeThisApplication_ = {frontApplication_, frontApplicationIdentifier_};
        frontApplication_ = name;
        frontApplicationIdentifier_ = bundleIdentifier;
        frontIsThisApplication_ = thisApplication;
        change = ++frontChanges_;
    }
    auto application = std::make_shared<RunningApplication>(name, bundleIdentifier);
    std::weak_ptr<SimulatedSession> weak = weak_from_this();
    RunLoop::main().post([name, application, weak, change, thisApplication] {
        Value::Dictionary info{{"NSApplicationName", Value(name)},
                               {kWorkspaceApplicationKey, Value(application)}};
        Workspace::shared().notificationCenter().post(kWorkspaceDidActivateApplicationNotification, nullptr,
                                                      Value(info));
        // Another application took the front: this one is no longer active, unless it came back since.
        auto self = weak.lock();
        if (!self || thisApplication) return;
        bool current = false;
        {
            std::lock_guard lock(self->mutex_);
            current = self->frontChanges_ == change;
        }
        if (current) Application::shared().otherApplicationDidComeToFront();
    });
}

void SimulatedSession::applicationDidComeToFront(std::shared_ptr<RunningApplication> application) {
    if (application) bringToFront(application->localizedName(), application->bundleIdentifier(), true);
}

void SimulatedSession::applicationDidLeaveFront(std::shared_ptr<RunningApplication>) {
    std::pair<std::string, std::string> previous;
    {
        std::lock_guard lock(mutex_);
        if (!frontIsThisApplication_) return;
        previous = frontBeforeThisApplication_;
    }
    bringToFront(previous.first, previous.second, false);
}

std::shared_ptr<RunningApplication> SimulatedSession::frontmostApplication() {
    std::lock_guard lock(mutex_);
    return std::make_shared<RunningApplication>(frontApplication_, frontApplicationIdentifier_);
}

std::string SimulatedSession::frontApplication() const {
    std::lock_guard lock(mutex_);
    return frontApplication_;
}

void SimulatedSession::setWindows(std::vector<WindowDescription> windows) {
    std::lock_guard lock(mutex_);
    windows_ = std::move(windows);
}

void SimulatedSession::setFullScreenSpace(bool fullScreen) {
    {
        std::lock_guard lock(mutex_);
        auto isMenubar = [](const WindowDescription& w) {
            return w.ownerName == "Window Server" && w.windowName == "Menubar";
        };
        bool hasMenubar = std::any_of(windows_.begin(), windows_.end(), isMenubar);
        if (fullScreen && hasMenubar) std::erase_if(windows_, isMenubar);
        if (!fullScreen && !hasMenubar)
            windows_.insert(windows_.begin(),
                            WindowDescription{"Window Server", 100, "Menubar", DisplayRect{0, 0, 1440, 22}});
    }
    RunLoop::main().post(
        [] { Workspace::shared().notificationCenter().post(kWorkspaceActiveSpaceDidChangeNotification); });
}

// ---- Keys ----

void SimulatedSession::setBeforeKeyHook(KeyHook hook) {
    std::lock_guard lock(mutex_);
    keyHook_ = std::move(hook);
}

void SimulatedSession::postKeyEvent(const KeyEvent& event) {
    if (!event.keyDown) return;  // a key acts when it goes down
    KeyHook hook;
    size_t index;
    {
        std::lock_guard lock(mutex_);
        hook = keyHook_;
        index = keyCount_++;
    }
    if (hook) hook(index, event);
    Announcements out;
    {
        std::lock_guard lock(mutex_);
        lastInput_ = Clock::now();
        KeyRecord record;
        record.event = event;
        record.destination = routeKeyLocked(event, out);
        if (record.destination == KeyDestination::Application) record.application = frontApplication_;
        keyLog_.push_back(std::move(record));
    }
    send(out);
}

SimulatedSession::KeyDestination SimulatedSession::routeKeyLocked(const KeyEvent& event, Announcements& out) {
    if (systemAsleep_) return KeyDestination::Nowhere;
    if (screensaverRunning_) {
        if (event.keyCode == kKeyEscape && event.unicode.empty()) stopScreensaverLocked(out);
        return KeyDestination::Screensaver;
    }
    if (lockScreenShown_) {
        editPasswordFieldLocked(event, out);
        return KeyDestination::PasswordField;
    }
    if (locked_) return KeyDestination::Nowhere;  // locked, the lock screen not up yet
    const uint64_t lockChord = kEventFlagMaskControl | kEventFlagMaskCommand;
    if (event.keyCode == kKeyQ && event.unicode.empty() && (event.flags & lockChord) == lockChord &&
        !systemBelowTenThirteen()) {
        lockLocked(out);
        return KeyDestination::SessionCommand;
    }
    return KeyDestination::Application;
}

void SimulatedSession::editPasswordFieldLocked(const KeyEvent& event, Announcements& out) {
    const bool selectAll = selectAllPending_;
    selectAllPending_ = false;
    if (!event.unicode.empty()) {
        if (selectAll) passwordField_.clear();
        passwordField_ += event.unicode;
        return;
    }
    if (event.keyCode == kKeyA && (event.flags & kEventFlagMaskCommand)) {
        selectAllPending_ = true;
        return;
    }
    if (event.keyCode == kKeyDelete) {
        if (selectAll)
            passwordField_.clear();
        else if (!passwordField_.empty())
            passwordField_.pop_back();
        return;
    }
    if (event.keyCode != kKeyEnter && event.keyCode != kKeyReturn) return;
    bool opens = false;
    for (const auto& a : accounts_)
        if (a.name == consoleUser_) opens = a.enabled && toUTF16(a.password) == passwordField_;
    passwordField_.clear();
    if (opens) {
        unlockLocked(out);
    } else {
        appendFailedLoginLocked(consoleUser_);
    }
}

std::vector<SimulatedSession::KeyRecord> SimulatedSession::keyLog() const {
    std::lock_guard lock(mutex_);
    return keyLog_;
}

std::vector<SimulatedSession::KeyRecord> SimulatedSession::keysReachingApplications() const {
    std::lock_guard lock(mutex_);
    std::vector<KeyRecord> out;
    for (const auto& k : keyLog_)
        if (k.destination == KeyDestination::Application) out.push_back(k);
    return out;
}

// ---- Commands ----

std::vector<std::string> SimulatedSession::answeredCommands() const {
    std::lock_guard lock(mutex_);
    return answeredCommands_;
}

bool SimulatedSession::restartRequested() const {
    std::lock_guard lock(mutex_);
    return restartRequested_;
}

void SimulatedSession::setFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

SimulatedSession::Faults SimulatedSession::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::string SimulatedSession::bluetoothCacheFilePath() const {
    return folder_ + "/com.apple.Bluetooth.plist";
}

void SimulatedSession::setBluetoothCacheSize(std::optional<uint64_t> size) {
    std::lock_guard lock(mutex_);
    Files::createDirectories(folder_, 0700);
    if (!size) {
        Files::remove(bluetoothCacheFilePath());
        return;
    }
    Files::writeAtomically(bluetoothCacheFilePath(), Data(std::vector<uint8_t>(*size, 0)), 0600);
}

std::optional<uint64_t> SimulatedSession::bluetoothCacheSize() const {
    return Files::fileSize(bluetoothCacheFilePath());
}

std::optional<Shell::Result> SimulatedSession::bluetoothCacheCommandLocked(const std::string& command,
                                                                           const std::string& input) {
    const std::string quoted = std::string("'") + kBluetoothCachePath + "'";
    if (command == "wc -c " + quoted) {
        auto size = Files::fileSize(bluetoothCacheFilePath());
        if (!size)
            return answered(
                "", 1, std::string("wc: ") + kBluetoothCachePath + ": open: No such file or directory\n");
        return answered(format("%8llu %s\n", static_cast<unsigned long long>(*size), kBluetoothCachePath));
    }
    if (command == "sudo -kS rm -rf " + quoted) {
        // sudo reads the password from the first line of its input.
        const std::string password = input.substr(0, input.find('\n'));
        bool accepted = false;
        for (const auto& a : accounts_)
            if (a.name == consoleUser_) accepted = a.enabled && a.password == password;
        if (!accepted) return answered("", 1, "Sorry, try again.\nsudo: 1 incorrect password attempt\n");
        Files::remove(bluetoothCacheFilePath());
        return answered("");
    }
    if (hasPrefix(command, "osascript -e 'do shell script \"sudo rm -rf ") &&
        command.find(kBluetoothCachePath) != std::string::npos)
        return answered("", 1, "execution error: User canceled. (-128)\n");
    return std::nullopt;
}

std::optional<Shell::Result> SimulatedSession::respond(const std::string& path,
                                                       const std::vector<std::string>& arguments,
                                                       const std::string& input) {
    Announcements out;
    std::optional<Shell::Result> result;
    bool quitPreferences = false;
    {
        std::lock_guard lock(mutex_);
        if (path == "/usr/bin/defaults" && arguments.size() == 3 && arguments[0] == "read" &&
            arguments[1] == "com.apple.screensaver") {
            answeredCommands_.push_back("defaults read com.apple.screensaver " + arguments[2]);
            std::optional<int> value;
            if (arguments[2] == "askForPassword") value = askForPassword_;
            if (arguments[2] == "askForPasswordDelay") value = askForPasswordDelay_;
            if (value) return answered(format("%d\n", *value));
            return answered(
                "", 1,
                format("\nThe domain/default pair of (com.apple.screensaver, %s) does not exist\n",
                       arguments[2].c_str()));
        }
        if (path != "/bin/sh" || arguments.size() != 2 || arguments[0] != "-c") return std::nullopt;
        const std::string& command = arguments[1];
        if (command == "pmset displaysleepnow") {
            sleepDisplaysLocked(out);
            result = answered("");
        } else if (command == kLidCommand) {
            std::string line;
            if (!faults_.noClamshell)
                line = format("    | |   \"AppleClamshellState\" = %s\n", lidClosed_ == true ? "Yes" : "No");
            result = answered(line);
        } else if (hasPrefix(command, "open -a ")) {
            std::string app = command.substr(8);
            const char* expected = systemBelowTenThirteen() ? kLegacyScreensaverPath : kScreensaverPath;
            if (app == expected) {
                startScreensaverLocked(out);
                result = answered("");
            } else {
                result = answered("", 1, "Unable to find application named '" + app + "'\n");
            }
        } else if (command == "sudo shutdown -r now") {
            restartRequested_ = true;
            result = answered("");
        } else if (command == kRequirePasswordScript) {
            // The setting says whether a password is asked at all; its delay is another matter.
            bool required = askForPassword_.value_or(0) == 1;
            // The scripting answer of 10.13 is known to say the opposite of the setting.
            if (systemIsTenThirteen()) required = !required;
            result = answered(required ? "true\n" : "false\n");
        } else if (command == "osascript -e 'tell application \"System Preferences\" to quit'") {
            quitPreferences = true;
            result = answered("");
        } else {
            result = bluetoothCacheCommandLocked(command, input);
        }
        if (result) answeredCommands_.push_back(command);
    }
    send(out);
    if (quitPreferences) applicationDidQuit("com.apple.systempreferences");
    return result;
}

void SimulatedSession::applicationDidQuit(const std::string& bundleIdentifier) {
    // A quit application neither keeps the front nor gets it back: the Finder takes its place.
    bool wasInFront = false;
    {
        std::lock_guard lock(mutex_);
        if (frontBeforeThisApplication_.second == bundleIdentifier)
            frontBeforeThisApplication_ = {"Finder", "com.apple.finder"};
        wasInFront = frontApplicationIdentifier_ == bundleIdentifier;
    }
    if (wasInFront) bringToFront("Finder", "com.apple.finder", false);
}

}  // namespace platform
