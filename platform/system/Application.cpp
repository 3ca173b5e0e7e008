#include "platform/system/Application.h"

#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/base/Exception.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "platform/base/SharedInstance.h"
#include "platform/base/ThreadSignalStack.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/WindowServer.h"

namespace platform {

namespace {

// This application as the window server lists it among the running ones.
std::shared_ptr<RunningApplication> thisApplication() {
    const Value name = Bundle::main().objectForInfoDictionaryKey("CFBundleName");
    const std::string* text = name.string();
    return std::make_shared<RunningApplication>(text ? *text : ProcessInfo::shared().processName(),
                                                Bundle::main().bundleIdentifier());
}

// The termination request handlers and whether a signal's request has come (after which a handler
// runs as it is added). Never destroyed: the signal's thread may still take a signal while the process exits.
struct TerminationRequestHandlers {
    std::mutex mutex;
    bool requested = false;
    uint64_t next = 1;
    std::map<uint64_t, std::shared_ptr<const std::function<void()>>> handlers;
};

TerminationRequestHandlers& terminationRequestHandlers() {
    static auto* handlers = new TerminationRequestHandlers;
    return *handlers;
}

}  // namespace

Application& Application::shared() {
    static SharedInstance<Application> instance;
    return instance.get([] { return new Application; });
}

void Application::finishLaunching() {
    if (delegate_) delegate_->applicationWillFinishLaunching(*this);
    if (delegate_) delegate_->applicationDidFinishLaunching(*this);
}

int Application::run(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    ProcessInfo::shared().setArguments(std::move(arguments));
    installTerminationSignalHandlers();
    RunLoop::main().post([this] { finishLaunching(); });
    while (!terminated_) RunLoop::main().run();
    return 0;
}

sigset_t Application::terminationSignals() {
    static const sigset_t taken = [] {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (sigaction(signal, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
                current.sa_handler == SIG_IGN)
                continue;
            sigaddset(&set, signal);
        }
        return set;
    }();
    return taken;
}

void Application::installTerminationSignalHandlers() {
    // The signals are blocked in every thread and taken by one waiting thread, which turns them into an
    // ordinary terminate request on the main run loop: no work happens inside a signal handler. A signal
    // left ignored is neither blocked nor waited for: the kernel keeps a blocked signal pending even when
    // it is ignored, and the waiting thread would then take what the parent meant to drop.
    static std::once_flag once;
    std::call_once(once, [] {
        const sigset_t set = terminationSignals();
        if (sigisemptyset(&set)) return;
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        startThread([set] {
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) != 0) continue;
                logf("Received signal %d: quitting", signal);
                Application::shared().terminateForSignal(signal);
            }
        }).detach();
    });
}

void Application::terminateForSignal(int signal) {
    Quit::begin();
    terminationSignal_.store(signal);
    std::vector<std::shared_ptr<const std::function<void()>>> handlers;
    {
        auto& registry = terminationRequestHandlers();
        std::lock_guard lock(registry.mutex);
        registry.requested = true;
        for (const auto& [token, handler] : registry.handlers) handlers.push_back(handler);
        // Each runs once: a handler that stays registered is not run again by a second signal.
        registry.handlers.clear();
    }
    // Called without the lock: a handler may remove itself, or let go of an object that removes it.
    for (const auto& handler : handlers) (*handler)();
    RunLoop::main().post([] { Application::shared().terminate(); });
}

uint64_t Application::addTerminationRequestHandler(std::function<void()> handler) {
    if (!handler) return 0;
    auto& registry = terminationRequestHandlers();
    {
        std::lock_guard lock(registry.mutex);
        if (!registry.requested) {
            const uint64_t token = registry.next++;
            registry.handlers.emplace(token,
                                      std::make_shared<const std::function<void()>>(std::move(handler)));
            return token;
        }
    }
    handler();
    return 0;
}

void Application::removeTerminationRequestHandler(uint64_t handler) {
    auto& registry = terminationRequestHandlers();
    std::lock_guard lock(registry.mutex);
    registry.handlers.erase(handler);
}

void Application::terminate() {
    if (terminated_) return;
    // The delegate and the observers of will-terminate live on the main thread, as everything they stop does.
    if (!isMainThread()) {
        RunLoop::main().post([] { Application::shared().terminate(); });
        return;
    }
    // A quit asked for by the delegate or an observer while this one is under way is this one.
    if (terminating_) return;
    terminating_ = true;
    auto reply =
        delegate_ ? delegate_->applicationShouldTerminate(*this) : ApplicationDelegate::TerminateReply::Now;
    if (reply != ApplicationDelegate::TerminateReply::Now) {
        terminating_ = false;
        return;
    }
    Quit::begin();
    NotificationCenter::defaultCenter().post(kApplicationWillTerminateNotification, this);
    if (delegate_) delegate_->applicationWillTerminate(*this);
    terminated_ = true;
    terminating_ = false;
    RunLoop::main().stop();
}

void Application::reportException(const Exception& exception) {
    reportException_.load()(*this, exception);
}

Application::ReportExceptionImplementation Application::replaceReportException(
    ReportExceptionImplementation implementation) {
    return reportException_.exchange(implementation ? implementation : &Application::defaultReportException);
}

void Application::defaultReportException(Application&, const Exception& exception) {
    logf("Exception %s: %s", exception.name().c_str(), exception.reason().c_str());
    if (UserDefaults::standard()->boolForKey("NSApplicationCrashOnExceptions")) abort();
}

void Application::reopen(bool hasVisibleWindows) {
    bool handle = delegate_
                      ? delegate_->applicationShouldHandleReopen_hasVisibleWindows(*this, hasVisibleWindows)
                      : true;
    if (handle) activateIgnoringOtherApps(true);
}

void Application::lastWindowDidClose() {
    if (delegate_ && delegate_->applicationShouldTerminateAfterLastWindowClosed(*this)) terminate();
}

bool Application::setActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    logf("Application: activation policy now %s", policy == ActivationPolicy::Regular ? "regular (Dock icon)"
                                                  : policy == ActivationPolicy::Accessory
                                                      ? "accessory (no Dock icon)"
                                                      : "prohibited");
    return true;
}

int Application::requestUserAttention(RequestUserAttentionType type) {
    attentionRequest_ = nextAttentionRequest_++;
    logf("Application: requesting %s attention",
         type == RequestUserAttentionType::Critical ? "critical" : "informational");
    return attentionRequest_;
}

void Application::cancelUserAttentionRequest(int request) {
    // Request number 0 cancels whatever request is outstanding.
    if (request == 0 || request == attentionRequest_) attentionRequest_ = 0;
}

void Application::activateIgnoringOtherApps(bool) {
    ++activations_;
    // An observer of the change that asks for it again is asking for the change under way.
    if (active_ || changingActivation_) return;
    auto& center = NotificationCenter::defaultCenter();
    changingActivation_ = true;
    center.post(kApplicationWillBecomeActiveNotification, this);
    changingActivation_ = false;
    active_ = true;
    if (auto windowServer = WindowServer::current())
        windowServer->applicationDidComeToFront(thisApplication());
    center.post(kApplicationDidBecomeActiveNotification, this);
}

void Application::deactivate() {
    resignActive(true);
}

void Application::otherApplicationDidComeToFront() {
    resignActive(false);
}

void Application::resignActive(bool tellWindowServer) {
    if (!active_ || changingActivation_) return;
    auto& center = NotificationCenter::defaultCenter();
    changingActivation_ = true;
    center.post(kApplicationWillResignActiveNotification, this);
    if (delegate_) delegate_->applicationWillResignActive(*this);
    changingActivation_ = false;
    active_ = false;
    if (auto windowServer = tellWindowServer ? WindowServer::current() : nullptr)
        windowServer->applicationDidLeaveFront(thisApplication());
    center.post(kApplicationDidResignActiveNotification, this);
}

void Application::resetForTesting() {
    delegate_ = nullptr;
    policy_ = ActivationPolicy::Regular;
    attentionRequest_ = 0;
    activations_ = 0;
    active_ = false;
    changingActivation_ = false;
    terminated_ = false;
    terminating_ = false;
    terminationSignal_ = 0;
    Quit::resetForTesting();
    {
        auto& registry = terminationRequestHandlers();
        std::lock_guard lock(registry.mutex);
        registry.requested = false;
    }
    reportException_ = &Application::defaultReportException;
}

}  // namespace platform
