#pragma once

#include <signal.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class Application;
class Exception;

// The application's life-cycle notifications, posted on the default centre on the main thread, the
// application object as their sender. Becoming active posts will then did, resigning will then did, each
// pair once per change; will-terminate comes before the delegate's applicationWillTerminate.
inline constexpr const char* kApplicationWillBecomeActiveNotification =
    "NSApplicationWillBecomeActiveNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "NSApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillResignActiveNotification =
    "NSApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidResignActiveNotification =
    "NSApplicationDidResignActiveNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "NSApplicationWillTerminateNotification";

// What the application object asks of its delegate, in the order it asks.
class ApplicationDelegate {
public:
    enum class TerminateReply { Cancel, Now, Later };
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillFinishLaunching(Application&) {}
    virtual void applicationDidFinishLaunching(Application&) {}
    virtual bool applicationShouldHandleReopen_hasVisibleWindows(Application&, bool) { return true; }
    virtual bool applicationShouldTerminateAfterLastWindowClosed(Application&) { return false; }
    virtual TerminateReply applicationShouldTerminate(Application&) { return TerminateReply::Now; }
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationWillTerminate(Application&) {}
};

// The application's life cycle around the main run loop: launch, reopen (a Dock click), quitting (a quit
// request, SIGINT, SIGTERM or SIGHUP), the activation policy and attention requests of its Dock icon.
// There is no Dock here: the icon's state is kept and logged so that it can be observed.
class Application {
public:
    enum class ActivationPolicy { Regular, Accessory, Prohibited };
    enum class RequestUserAttentionType { Critical, Informational };

    static Application& shared();

    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }

    // Records the arguments, finishes launching (the delegate's two launch calls), then runs the main
    // run loop until the application terminates. Answers the process's exit status.
    int run(int argc, char** argv);
    // Launch steps only (tests drive the run loop themselves).
    void finishLaunching();

    // Asks the delegate, and when it agrees posts the will-terminate notification, calls
    // applicationWillTerminate and ends the main run loop. Called off the main thread, it goes there first.
    // Asked again while it asks or announces (by the delegate or an observer), it does nothing more.
    void terminate();
    bool isTerminated() const { return terminated_; }
    // The signals that quit the application: SIGINT, SIGTERM and SIGHUP (its terminal closed), less those
    // the process started with ignored. A parent that ignores one (a script's background job, nohup) means
    // it not to stop the program, and a program that took it anyway would stop on what was meant for
    // others. Read once, at the first call, which comes before anything here changes a disposition.
    static sigset_t terminationSignals();
    // The signals above become a terminate request on the main run loop: blocked in the calling thread
    // (and so in every thread it makes later) and taken by a thread of their own.
    void installTerminationSignalHandlers();
    // A terminate request that stands for `signal` (one of the signals above, or what the caller treats as
    // one): kept as the termination signal, the request posted to the main run loop. Any thread.
    void terminateForSignal(int signal);
    // The last signal the application quit for, 0 when none: a run that must end otherwise when stopped
    // by one (a scenario's closing lines, the process's end by that signal) asks once it has terminated.
    static int terminationSignal() { return terminationSignal_.load(); }
    // Work that holds the main thread (a launch sending, before its first window, the report of a crash
    // during the last start-up) cannot see a terminate request waiting on the main run loop. It adds a
    // handler instead: a signal's request runs each handler once, at once, on the thread that took the
    // signal, before the request is posted; one added after such a request runs at once on the adding
    // thread. A handler only marks or cancels what it stops (thread-safe, quick, no waiting for the main
    // thread). Once removed it is not called again, but a call already under way on the signal's thread
    // may still be running: it holds what it touches weakly or by value. The answer names the handler
    // for its removal.
    static uint64_t addTerminationRequestHandler(std::function<void()> handler);
    static void removeTerminationRequestHandler(uint64_t handler);

    // A click on the Dock icon while running.
    void reopen(bool hasVisibleWindows);
    // The last window closed: terminates when the delegate asks for it.
    void lastWindowDidClose();

    ActivationPolicy activationPolicy() const { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy);
    int requestUserAttention(RequestUserAttentionType type);
    void cancelUserAttentionRequest(int request);
    bool isRequestingAttention() const { return attentionRequest_ != 0; }
    // Activation: the application is in front (its windows and panel take the keyboard) or not. Each
    // activation request is counted; only one that finds the application inactive makes it active, tells
    // the window server and posts the become-active pair. Deactivating an active application posts the
    // resign-active pair (the delegate's applicationWillResignActive between them) and lets the window
    // server give the front back. A request made by an observer of a will- notification belongs to the
    // change being announced and posts nothing again. Main thread.
    bool isActive() const { return active_; }
    void activateIgnoringOtherApps(bool flag);
    int activationCount() const { return activations_; }
    void deactivate();
    // The window server put another application in front: this one resigns, without telling the window
    // server back. Main thread.
    void otherApplicationDidComeToFront();

    // An exception that reached the top level. The implementation can be replaced (the crash kit
    // records the exception first); the default logs it and, when the standard defaults say
    // "NSApplicationCrashOnExceptions", aborts.
    using ReportExceptionImplementation = void (*)(Application&, const Exception&);
    void reportException(const Exception& exception);
    // Installs an implementation and answers the one it replaces.
    ReportExceptionImplementation replaceReportException(ReportExceptionImplementation implementation);
    ReportExceptionImplementation reportExceptionImplementation() const { return reportException_.load(); }
    static void defaultReportException(Application& application, const Exception& exception);

    // Tests: a fresh application state.
    void resetForTesting();

private:
    Application() = default;
    void resignActive(bool tellWindowServer);
    ApplicationDelegate* delegate_ = nullptr;
    bool active_ = false;
    // Between a change's will- announcement (and the delegate's call) and the change itself: the same
    // request from an observer then adds nothing, so that each change is announced once.
    bool changingActivation_ = false;
    bool terminating_ = false;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    int attentionRequest_ = 0;
    int nextAttentionRequest_ = 1;
    int activations_ = 0;
    std::atomic<bool> terminated_{false};
    // Kept apart from the object: the waiting thread may still take a signal while the process exits.
    static inline std::atomic<int> terminationSignal_{0};
    std::atomic<ReportExceptionImplementation> reportException_{&Application::defaultReportException};
};

}  // namespace platform
